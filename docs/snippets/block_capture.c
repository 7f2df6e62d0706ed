/* Block mode: arm one acquisition, wait for it, read the record in volts. */
#include "common.h"

enum { kSamples = 1000 };

int main(void) {
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    double range = 2.0; /* full-scale volts asked for; the range taken comes back */
    double rate = 1e6;  /* samples per second asked for; the rate achieved comes back */
    int ok = CHECK(SetMeasureMode(mCh12)) && CHECK(SetSensitivity(1, &range)) &&
             CHECK(SetCoupling(1, 0)) && CHECK(SetSampleFrequencyF(&rate)) &&
             CHECK(SetRecordLength(kSamples)) && CHECK(SetPostSamples(kSamples / 2)) &&
             CHECK(SetTriggerSource(tsCh1)) && CHECK(SetTriggerMode(0)) && /* rising edge */
             CHECK(SetTriggerLevel(1, 0.0));

    if (ok) ok = CHECK(ADC_Start());
    /* Poll; without a trigger within 500 ms force one, and give up after 2 s. */
    int waited = 0;
    while (ok && !ADC_Ready()) {
        if (waited == 500) ok = CHECK(ADC_ForceTrig());
        if (++waited > 2000) {
            fprintf(stderr, "the instrument never finished the record\n");
            ok = 0;
        }
        KeepLibraryGoing(1);
    }
    static double ch1[kSamples], ch2[kSamples];
    if (ok) ok = CHECK(ADC_GetDataVolt(ch1, ch2));
    if (ok) {
        double high = ch1[0];
        for (int i = 1; i < kSamples; ++i)
            if (ch1[i] > high) high = ch1[i];
        printf("range %g V, rate %g Hz, %s\n", range, rate,
               waited >= 500 ? "trigger forced" : "triggered");
        printf("at the trigger point %+.3f V, maximum %+.3f V\n", ch1[kSamples / 2], high);
    }
    ExitInstrument();
    return ok ? 0 : 1;
}
