// SPDX-License-Identifier: MIT
/* Timer-driven measuring: the library arms, waits and reads records by itself; the
   application copies the newest record whenever it wants one. */
#include "common.h"

enum { kSamples = 2000 };

int main(void) {
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    double range = 2.0;
    double rate = 1e6;
    int ok = CHECK(SetSensitivity(1, &range)) && CHECK(SetSampleFrequencyF(&rate)) &&
             CHECK(SetRecordLength(kSamples)) && CHECK(SetPostSamples(kSamples)) &&
             CHECK(SetTriggerSource(tsCh1)) && CHECK(SetTriggerLevel(1, 0.0)) &&
             /* Without a trigger for 100 ms the timer forces one, so records keep coming. */
             CHECK(SetTriggerTimeOut(100)) && CHECK(DoMeasure(-1)); /* -1: continuously */

    static double ch1[kSamples], ch2[kSamples];
    for (int n = 1; ok && n <= 3; ++n) {
        KeepLibraryGoing(100); /* the timer measures meanwhile */
        /* The range now; the volts below use the range the record was taken with. */
        ok = CHECK(GetSensitivity(1, &range)) && CHECK(ADC_GetDataVolt(ch1, ch2));
        double low = ch1[0], high = ch1[0];
        for (int i = 1; ok && i < kSamples; ++i) {
            if (ch1[i] < low) low = ch1[i];
            if (ch1[i] > high) high = ch1[i];
        }
        if (ok) printf("record %d: %+.3f V .. %+.3f V\n", n, low, high);
    }
    DoMeasure(0); /* stops the timer */
    ExitInstrument();
    return ok ? 0 : 1;
}
