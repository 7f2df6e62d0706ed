// SPDX-License-Identifier: MIT
/* Compiles the public header as plain C and calls through it before any start-up: the
 * exports must answer as a library without an instrument. */
#include <stdio.h>

#include "zarvo.h"

int main(void) {
    uint16_t channels = 0;
    if (GetNrChannels(&channels) != RC_NO_INSTRUMENT) {
        puts("GetNrChannels before InitInstrument must report RC_NO_INSTRUMENT");
        return 1;
    }
    if (SetMotorOn(0, 0) != RC_UNAVAILABLE) {
        puts("SetMotorOn is always RC_UNAVAILABLE");
        return 1;
    }
    if (GetTriggerTimeOut() != 1) {
        puts("GetTriggerTimeOut without an instrument returns 1");
        return 1;
    }
    return ExitInstrument() == RC_OK ? 0 : 1;
}
