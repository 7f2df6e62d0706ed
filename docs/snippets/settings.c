// SPDX-License-Identifier: MIT
/* Channels, timebase and trigger: every setting that can be adjusted comes back as taken. */
#include "common.h"

int main(void) {
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    double ranges[20];
    int ok = CHECK(GetAvailableSensitivities(ranges));
    if (ok) {
        printf("ranges:");
        for (int i = 0; i < 20 && ranges[i] > 0; ++i) printf(" %g", ranges[i]);
        printf(" V\n");
    }

    /* Input: nearest range, DC coupling, a DC level of 1 V. */
    double range = 3.0;
    ok = ok && CHECK(SetSensitivity(1, &range)) && CHECK(SetCoupling(1, 0)) &&
         CHECK(SetDcLevel(1, 1.0));
    if (ok) printf("asked 3 V, range %g V\n", range);

    /* Timebase: the rate achieved comes back. */
    double rate = 3e6;
    uint32_t whole = 300000;
    ok = ok && CHECK(SetSampleFrequencyF(&rate)) && CHECK(SetSampleFrequency(&whole));
    if (ok)
        printf("asked 3 MHz, got %.0f Hz; asked 300 kHz, got %lu Hz\n", rate, (unsigned long)whole);
    /* Double rate: channel 1 alone, both converters interleaved. */
    double fast = 50e6;
    ok = ok && CHECK(SetMeasureMode(mCh1)) && CHECK(SetSampleFrequencyF(&fast));
    if (ok) printf("channel 1 alone: %.0f Hz\n", fast);
    ok = ok && CHECK(SetRecordLength(10000)) && CHECK(SetPostSamples(8000));
    if (ok)
        printf("record %ld samples, %ld after the trigger\n", (long)GetRecordLength(),
               (long)GetPostSamples());

    /* Trigger: channel 1, falling edge at +0.5 V with 0.1 V hysteresis, 50 ms time-out. */
    double level = 0, hysteresis = 0;
    ok = ok && CHECK(SetTriggerSource(tsCh1)) && CHECK(SetTriggerMode(1)) &&
         CHECK(SetTriggerLevel(1, 0.5)) && CHECK(SetTriggerHys(1, 0.1)) &&
         CHECK(SetTriggerTimeOut(50)) && CHECK(GetTriggerLevel(1, &level)) &&
         CHECK(GetTriggerHys(1, &hysteresis));
    if (ok)
        printf("trigger level %.4f V, hysteresis %.4f V, time-out %ld ms\n", level, hysteresis,
               (long)GetTriggerTimeOut());

    /* Auto ranging: from the 80 V range one step per record towards the signal's size. */
    double start = 80;
    ok = ok && CHECK(SetMeasureMode(mCh12)) && CHECK(SetSampleFrequencyF(&rate)) &&
         CHECK(SetRecordLength(2000)) && CHECK(SetPostSamples(2000)) && CHECK(SetTriggerMode(0)) &&
         CHECK(SetTriggerLevel(1, 0.0)) && CHECK(SetDcLevel(1, 0.0)) &&
         CHECK(SetSensitivity(1, &start)) && CHECK(SetAutoRanging(1, 1));
    for (int i = 0; ok && i < 8; ++i) ok = CHECK(StartMeasurement());
    ok = ok && CHECK(GetSensitivity(1, &range));
    if (ok) printf("auto ranging: 80 V range became %g V\n", range);
    ExitInstrument();
    return ok ? 0 : 1;
}
