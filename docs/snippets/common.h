// SPDX-License-Identifier: MIT
/*
 * Shared by the programming guide's snippets: status names, a checked call, and a wait that
 * keeps the library's measurement timer running.
 */
#ifndef ZARVO_SNIPPET_COMMON_H
#define ZARVO_SNIPPET_COMMON_H

#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#include <stdio.h>

#include "zarvo.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

static inline const char* StatusName(uint16_t status) {
    switch (status) {
        case RC_OK:
            return "RC_OK";
        case RC_NO_INSTRUMENT:
            return "RC_NO_INSTRUMENT";
        case RC_NOT_INITIALISED:
            return "RC_NOT_INITIALISED";
        case RC_UNAVAILABLE:
            return "RC_UNAVAILABLE";
        case RC_GENERATOR_ABSENT:
            return "RC_GENERATOR_ABSENT";
        case RC_BAD_CHANNEL:
            return "RC_BAD_CHANNEL";
        case RC_BAD_VALUE:
            return "RC_BAD_VALUE";
        default:
            return "unknown status";
    }
}

/* Says which call failed and why; returns whether it succeeded. */
static inline int Checked(uint16_t status, const char* call) {
    if (status == RC_OK) return 1;
    fprintf(stderr, "%s failed: %s\n", call, StatusName(status));
    return 0;
}
#define CHECK(call) Checked((call), #call)

/* Waits about ms milliseconds while the library's timer keeps running. On Windows its ticks
   are window messages of this thread, so they are dispatched; on Linux the tick that is due
   runs on entry to a library call, so one is made every millisecond. */
static inline void KeepLibraryGoing(unsigned ms) {
#if defined(_WIN32)
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while ((LONG)(end - GetTickCount()) > 0);
#else
    const struct timespec pause = {0, 1000000L};
    for (unsigned i = 0; i < ms; ++i) {
        (void)ADC_Ready();
        nanosleep(&pause, NULL);
    }
#endif
}

#endif
