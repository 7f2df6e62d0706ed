// SPDX-License-Identifier: MIT
/* The square-wave generator, measured on channel 2 (the simulated instrument feeds the
   generator output into channel 2 unless told otherwise). */
#include "common.h"

enum { kSamples = 5000 };

int main(void) {
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    uint32_t asked[] = {250000, 30, 1000};
    int ok = 1;
    for (int i = 0; ok && i < 3; ++i) {
        uint32_t hz = asked[i];
        ok = CHECK(SetSquareWaveGenFrequency(&hz)); /* the frequency achieved comes back */
        if (ok) printf("asked %lu Hz, got %lu Hz\n", (unsigned long)asked[i], (unsigned long)hz);
    }
    double range = 2.0;
    double rate = 1e6;
    ok = ok && CHECK(SetSensitivity(2, &range)) && CHECK(SetSampleFrequencyF(&rate)) &&
         CHECK(SetRecordLength(kSamples)) && CHECK(SetPostSamples(kSamples)) &&
         CHECK(SetTriggerSource(tsCh2)) && CHECK(SetTriggerLevel(2, 0.5)) &&
         CHECK(StartMeasurement());
    static double ch1[kSamples], ch2[kSamples];
    ok = ok && CHECK(GetMeasurement(ch1, ch2));
    if (ok) {
        /* Rising crossings of 0.5 V: periods between the first and the last. */
        int first = -1, last = -1, edges = 0;
        for (int i = 1; i < kSamples; ++i) {
            if (ch2[i - 1] < 0.5 && ch2[i] >= 0.5) {
                if (first < 0) first = i;
                last = i;
                ++edges;
            }
        }
        if (edges >= 2)
            printf("measured on channel 2: %.1f Hz\n", (edges - 1) * rate / (last - first));
    }
    uint32_t off = 0;
    ok = ok && CHECK(SetSquareWaveGenFrequency(&off));
    if (ok)
        printf("switched off, GetSquareWaveGenFrequency %ld\n", (long)GetSquareWaveGenFrequency());
    ExitInstrument();
    return ok ? 0 : 1;
}
