// SPDX-License-Identifier: MIT
/* The single-call measurement, and turning raw samples into volts. */
#include "common.h"

enum { kSamples = 500 };

int main(void) {
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    double range = 4.0;
    int ok = CHECK(SetSensitivity(1, &range)) && CHECK(SetRecordLength(kSamples)) &&
             CHECK(SetPostSamples(kSamples)) && CHECK(SetTriggerTimeOut(200)) &&
             CHECK(StartMeasurement()); /* returns when the record is in */

    static uint16_t raw1[kSamples], raw2[kSamples];
    static double volts1[kSamples], volts2[kSamples];
    if (ok) ok = CHECK(GetMeasurementRaw(raw1, raw2)) && CHECK(GetMeasurement(volts1, volts2));
    if (ok) {
        /* 0x8000 is 0 V; one count is full scale / 32768 (the 8-bit value is the high byte). */
        double worst = 0;
        for (int i = 0; i < kSamples; ++i) {
            const double v = ((int)raw1[i] - 32768) * range / 32768.0;
            const double d = v > volts1[i] ? v - volts1[i] : volts1[i] - v;
            if (d > worst) worst = d;
        }
        printf("sample 0: raw 0x%04X = %+.4f V on the %g V range\n", (unsigned)raw1[0], volts1[0],
               range);
        printf("largest difference between own and library conversion: %g V\n", worst);
    }
    ExitInstrument();
    return ok ? 0 : 1;
}
