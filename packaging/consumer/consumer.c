// SPDX-License-Identifier: MIT
/* A tiny application built against an installed zarvo library, to prove that the installed
   header, library, CMake package and pkg-config file are enough to build and run one. It
   starts the instrument named by ZARVO_SIM, takes one record and prints what it got. */
#include <stdio.h>

#include "zarvo.h"

int main(void) {
    const uint16_t init = InitInstrument(0);
    if (init != RC_OK) {
        printf("InitInstrument failed with status %u\n", (unsigned)init);
        ExitInstrument();
        return 1;
    }
    int32_t serial = 0;
    double range = 2.0;
    double ch1[100];
    double ch2[100];
    int ok = GetSerialNumber(&serial) == RC_OK && SetMeasureMode(mCh1) == RC_OK &&
             SetSensitivity(1, &range) == RC_OK && SetRecordLength(100) == RC_OK &&
             SetPostSamples(100) == RC_OK && SetTriggerSource(tsNoTrig) == RC_OK &&
             ADC_Start() == RC_OK;
    for (long polls = 0; ok && ADC_Ready() == 0; ++polls) {
        if (polls == 1000000) ok = ADC_ForceTrig() == RC_OK;
    }
    ok = ok && ADC_GetDataVolt(ch1, ch2) == RC_OK;
    ExitInstrument();
    if (!ok) {
        printf("a call failed\n");
        return 1;
    }
    printf("serial %ld, range %g V, first sample %g V\n", (long)serial, range, ch1[0]);
    return 0;
}
