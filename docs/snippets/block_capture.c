// SPDX-License-Identifier: MIT
/* Block mode: arm one acquisition, wait for it, read the record in volts. The sample rate to
   ask for may be given as the first argument (1 MHz without one). */
#include <stdlib.h>

#include "common.h"

enum { kSamples = 1000 };

int main(int argc, char** argv) {
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    double range = 2.0; /* full-scale volts asked for; the range taken comes back */
    double rate = argc > 1 ? atof(argv[1]) : 1e6; /* the rate achieved comes back */
    int ok = CHECK(SetMeasureMode(mCh12)) && CHECK(SetSensitivity(1, &range)) &&
             CHECK(SetCoupling(1, 0)) && CHECK(SetSampleFrequencyF(&rate)) &&
             CHECK(SetRecordLength(kSamples)) && CHECK(SetPostSamples(kSamples / 2)) &&
             CHECK(SetTriggerSource(tsCh1)) && CHECK(SetTriggerMode(0)) && /* rising edge */
             CHECK(SetTriggerLevel(1, 0.0));

    if (ok) ok = CHECK(ADC_Start());
    /* Poll; without a trigger within 500 ms force one. The instrument then still takes the
       post-trigger samples, so give up only a second after they should all be in. */
    const long forceAt = 500;
    const long giveUpAt = forceAt + (long)(1000.0 * GetPostSamples() / rate) + 1000;
    long waited = 0;
    while (ok && !ADC_Ready()) {
        if (waited == forceAt) ok = CHECK(ADC_ForceTrig());
        if (++waited > giveUpAt) {
            fprintf(stderr, "the instrument never finished the record\n");
            ok = 0;
        }
        KeepLibraryGoing(1);
    }
    static double ch1[kSamples], ch2[kSamples];
    if (ok) ok = CHECK(ADC_GetDataVolt(ch1, ch2));
    if (ok) {
        const int trigger = kSamples - GetPostSamples(); /* the sample at the trigger point */
        double high = ch1[0];
        for (int i = 1; i < kSamples; ++i)
            if (ch1[i] > high) high = ch1[i];
        printf("range %g V, rate %g Hz, %s\n", range, rate,
               waited >= forceAt ? "trigger forced" : "triggered");
        printf("at the trigger point %+.3f V, maximum %+.3f V\n", ch1[trigger], high);
    }
    ExitInstrument();
    return ok ? 0 : 1;
}
