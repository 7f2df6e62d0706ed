// SPDX-License-Identifier: MIT
/*
 * timer_statistics: timer-driven measuring, with statistics of the newest record printed at
 * a steady pace (like a scope display refreshing its measurements).
 *
 * DoMeasure(-1) hands acquisition over to the library's own 6 ms measurement timer: it arms,
 * waits for the trigger (forcing it after the trigger time-out) and reads each record into
 * the library's buffers, again and again. The application starts no acquisition itself; when
 * it wants figures it copies the newest record (ADC_GetDataVolt copies the buffers without
 * touching the hardware in this mode) and prints minimum, maximum, mean, RMS and frequency.
 * DoMeasure(0) stops the timer.
 *
 * The timer runs on the thread that called InitInstrument, and only while that thread keeps
 * the library going: on Windows its ticks are window messages, so the loop dispatches
 * messages; on Linux the due tick runs on entry to any of the library's calls, so the loop
 * calls one (ADC_Ready) every millisecond.
 *
 * On the simulated instrument (no hardware needed), 5 reports 200 ms apart:
 *     ZARVO_SIM=ch1=sine:1000:1.5 ./timer_statistics 5 200     (Linux)
 *     set ZARVO_SIM=ch1=sine:1000:1.5                           (Windows, then)
 *     timer_statistics.exe 5 200
 */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "zarvo.h"

#if defined(_WIN32)
#include <windows.h>
static unsigned long NowMs(void) {
    return GetTickCount();
}
/* Lets the library's timer run: its ticks arrive as window messages of this thread. */
static void KeepLibraryGoing(void) {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(1);
}
#else
#include <time.h>
static unsigned long NowMs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (unsigned long)now.tv_sec * 1000ul + (unsigned long)(now.tv_nsec / 1000000);
}
/* Lets the library's timer run: the tick that is due runs on entry to a library call. */
static void KeepLibraryGoing(void) {
    struct timespec pause = {0, 1000000L};
    (void)ADC_Ready();
    nanosleep(&pause, NULL);
}
#endif

static int Ok(uint16_t status, const char* call) {
    if (status == RC_OK) return 1;
    fprintf(stderr, "timer_statistics: %s failed with status %u\n", call, (unsigned)status);
    return 0;
}

struct Stats {
    double min, max, mean, rms, frequency; /* frequency 0: fewer than two periods seen */
};

/* Frequency from the rising crossings of the mid level; a crossing counts only after the
   signal was below the level by the hysteresis, so noise near the level counts once. */
static double Frequency(const double* v, int n, double rate, double middle, double hysteresis) {
    double first = -1, last = -1;
    int crossings = 0, armed = 0;
    for (int i = 1; i < n; ++i) {
        if (v[i - 1] < middle - hysteresis) armed = 1;
        if (armed && v[i - 1] < middle && v[i] >= middle) {
            const double at = i - 1 + (middle - v[i - 1]) / (v[i] - v[i - 1]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
            armed = 0;
        }
    }
    return crossings >= 2 ? (crossings - 1) * rate / (last - first) : 0.0;
}

static struct Stats Analyse(const double* v, int n, double rate, double range) {
    struct Stats s = {v[0], v[0], 0, 0, 0};
    double sum = 0, squares = 0;
    for (int i = 0; i < n; ++i) {
        if (v[i] < s.min) s.min = v[i];
        if (v[i] > s.max) s.max = v[i];
        sum += v[i];
        squares += v[i] * v[i];
    }
    s.mean = sum / n;
    s.rms = sqrt(squares / n);
    /* Hysteresis of two converter steps (8 bits over twice the range). */
    s.frequency = Frequency(v, n, rate, (s.min + s.max) / 2, 4 * range / 256);
    return s;
}

enum { kSamples = 5000 };

int main(int argc, char** argv) {
    const int reports = argc > 1 ? atoi(argv[1]) : 5;
    const int intervalMs = argc > 2 ? atoi(argv[2]) : 200;
    if (reports < 1 || intervalMs < 1) {
        fprintf(stderr, "usage: timer_statistics [REPORTS [INTERVAL_MS]]\n");
        return 2;
    }
    if (!Ok(InitInstrument(0), "InitInstrument")) {
        ExitInstrument();
        return 2;
    }
    double range = 2.0;
    double rate = 1e6;
    int ok = Ok(SetMeasureMode(mCh1), "SetMeasureMode") &&
             Ok(SetSensitivity(1, &range), "SetSensitivity") &&
             Ok(SetSampleFrequencyF(&rate), "SetSampleFrequencyF") &&
             Ok(SetRecordLength(kSamples), "SetRecordLength") &&
             Ok(SetPostSamples(kSamples), "SetPostSamples") &&
             Ok(SetTriggerSource(tsCh1), "SetTriggerSource") &&
             Ok(SetTriggerMode(0), "SetTriggerMode") &&
             Ok(SetTriggerLevel(1, 0.0), "SetTriggerLevel") &&
             /* Without a trigger for 100 ms the timer forces one, so records keep coming. */
             Ok(SetTriggerTimeOut(100), "SetTriggerTimeOut");
    double* ch1 = malloc(kSamples * sizeof *ch1);
    double* ch2 = malloc(kSamples * sizeof *ch2);
    if (ch1 == NULL || ch2 == NULL) ok = 0;
    if (ok) ok = Ok(DoMeasure(-1), "DoMeasure");
    if (ok) {
        printf("measuring channel 1 continuously: %g V range, %g samples/s, %d samples\n", range,
               rate, kSamples);
    }
    for (int report = 1; ok && report <= reports; ++report) {
        const unsigned long due = NowMs() + (unsigned long)intervalMs;
        while ((long)(due - NowMs()) > 0) KeepLibraryGoing();
        ok = Ok(ADC_GetDataVolt(ch1, ch2), "ADC_GetDataVolt");
        if (!ok) break;
        /* The range may have been changed by auto ranging; the volts use the current one. */
        ok = Ok(GetSensitivity(1, &range), "GetSensitivity");
        const struct Stats s = Analyse(ch1, kSamples, rate, range);
        printf("report %d: min %+.4f V  max %+.4f V  mean %+.4f V  rms %.4f V  freq %.2f Hz\n",
               report, s.min, s.max, s.mean, s.rms, s.frequency);
        fflush(stdout);
    }
    DoMeasure(0);
    free(ch1);
    free(ch2);
    ExitInstrument();
    return ok ? 0 : 1;
}
