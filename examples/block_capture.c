// SPDX-License-Identifier: MIT
/*
 * block_capture: one block-mode acquisition, printed as a few samples.
 *
 * Shows the plain sequence every measuring application follows: InitInstrument, channel,
 * timebase and trigger settings, ADC_Start, polling ADC_Ready (forcing the trigger when none
 * comes within a second), ADC_GetDataVolt, ExitInstrument.
 *
 * On the simulated instrument (no hardware needed):
 *     ZARVO_SIM=ch1=sine:1000:1.5 ./block_capture            (Linux)
 *     set ZARVO_SIM=ch1=sine:1000:1.5                         (Windows, then)
 *     block_capture.exe
 * Without ZARVO_SIM the library looks for the instrument on LPT1, LPT2 and LPT3.
 */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#include <stdio.h>
#include <stdlib.h>

#include "zarvo.h"

#if defined(_WIN32)
#include <windows.h>
static unsigned long NowMs(void) {
    return GetTickCount();
}
static void PauseMs(unsigned ms) {
    Sleep(ms);
}
#else
#include <time.h>
static unsigned long NowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (unsigned long)now.tv_sec * 1000ul + (unsigned long)(now.tv_nsec / 1000000);
}
static void PauseMs(unsigned ms) {
    struct timespec pause = {0, (long)ms * 1000000L};
    nanosleep(&pause, NULL);
}
#endif

static const struct {
    uint16_t code;
    const char* name;
} kStatusNames[] = {
    {RC_OK, "RC_OK"},
    {RC_NO_INSTRUMENT, "RC_NO_INSTRUMENT"},
    {RC_NOT_INITIALISED, "RC_NOT_INITIALISED"},
    {RC_UNAVAILABLE, "RC_UNAVAILABLE"},
    {RC_GENERATOR_ABSENT, "RC_GENERATOR_ABSENT"},
    {RC_BAD_CHANNEL, "RC_BAD_CHANNEL"},
    {RC_BAD_VALUE, "RC_BAD_VALUE"},
};

static const char* StatusName(uint16_t status) {
    for (size_t i = 0; i < sizeof kStatusNames / sizeof kStatusNames[0]; ++i) {
        if (kStatusNames[i].code == status) return kStatusNames[i].name;
    }
    return "an unknown status";
}

/* Reports a refused call; returns whether it succeeded. */
static int Ok(uint16_t status, const char* call) {
    if (status == RC_OK) return 1;
    fprintf(stderr, "block_capture: %s failed: %s\n", call, StatusName(status));
    return 0;
}

enum { kSamples = 1000, kShown = 10 };

int main(void) {
    if (!Ok(InitInstrument(0), "InitInstrument")) {
        ExitInstrument();
        return 2;
    }
    int32_t serial = 0;
    if (Ok(GetSerialNumber(&serial), "GetSerialNumber")) {
        printf("instrument %ld found\n", (long)serial);
    }

    double range = 2.0; /* volts full scale: the nearest range is taken */
    double rate = 1e6;  /* samples per second: the nearest rate is taken */
    int ok = Ok(SetMeasureMode(mCh1), "SetMeasureMode") &&
             Ok(SetSensitivity(1, &range), "SetSensitivity") &&
             Ok(SetCoupling(1, 0), "SetCoupling") &&
             Ok(SetSampleFrequencyF(&rate), "SetSampleFrequencyF") &&
             Ok(SetRecordLength(kSamples), "SetRecordLength") &&
             /* The record opens at the trigger point: the instrument records only from the
                moment it is armed, so earlier samples are valid only for a late trigger. */
             Ok(SetPostSamples(kSamples), "SetPostSamples") &&
             Ok(SetTriggerSource(tsCh1), "SetTriggerSource") &&
             Ok(SetTriggerMode(0), "SetTriggerMode") && /* rising edge */
             Ok(SetTriggerLevel(1, 0.0), "SetTriggerLevel");
    if (!ok) {
        ExitInstrument();
        return 1;
    }
    printf("channel 1: %g V range, %g samples/s, %d samples\n", range, rate, kSamples);

    ok = Ok(ADC_Start(), "ADC_Start");
    const unsigned long start = NowMs();
    int forced = 0;
    while (ok && ADC_Ready() == 0) {
        if (!forced && NowMs() - start > 1000) {
            ok = Ok(ADC_ForceTrig(), "ADC_ForceTrig");
            forced = 1;
        }
        if (forced && NowMs() - start > 10000) {
            fprintf(stderr, "block_capture: the record did not complete\n");
            ok = 0;
        }
        PauseMs(1);
    }
    double* ch1 = malloc(kSamples * sizeof *ch1);
    double* ch2 = malloc(kSamples * sizeof *ch2);
    if (ok && (ch1 == NULL || ch2 == NULL)) {
        fprintf(stderr, "block_capture: out of memory\n");
        ok = 0;
    }
    /* Both channel arrays are written, whichever channels were measured. */
    if (ok) ok = Ok(ADC_GetDataVolt(ch1, ch2), "ADC_GetDataVolt");
    if (ok) {
        if (forced) printf("no trigger within 1 s: the trigger was forced\n");
        double low = ch1[0], high = ch1[0];
        for (int i = 0; i < kSamples; ++i) {
            if (ch1[i] < low) low = ch1[i];
            if (ch1[i] > high) high = ch1[i];
        }
        for (int k = 0; k < kShown; ++k) {
            const int i = k * (kSamples / kShown) / 4; /* over the first quarter of the record */
            printf("sample %4d  t = %8.1f us  %+.4f V\n", i, i / rate * 1e6, ch1[i]);
        }
        printf("minimum %+.4f V, maximum %+.4f V\n", low, high);
    }
    free(ch1);
    free(ch2);
    ExitInstrument();
    return ok ? 0 : 1;
}
