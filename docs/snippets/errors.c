// SPDX-License-Identifier: MIT
/* Status codes: what each means is in the guide; here is where each comes from. */
#include "common.h"

static void Show(const char* what, uint16_t status) {
    printf("%-44s %s\n", what, StatusName(status));
}

int main(void) {
    uint16_t channels = 0;
    Show("GetNrChannels before InitInstrument", GetNrChannels(&channels));
    Show("SetMotorOn (not implemented at all)", SetMotorOn(0, 0));
    if (!CHECK(InitInstrument(0))) {
        ExitInstrument();
        return 2;
    }
    double volts = 2.0;
    if (!CHECK(SetSensitivity(1, &volts))) return 1;
    Show("SetSensitivity on channel 3", SetSensitivity(3, &volts));
    Show("SetTriggerSource(tsXor)", SetTriggerSource(tsXor));
    Show("GetFunctionGenStatus", GetFunctionGenStatus());
    Show("SetRecordLength above the maximum", SetRecordLength((uint32_t)GetMaxRecordLength() + 1));
    Show("SetTriggerLevel beyond the range", SetTriggerLevel(1, 3.0));
    Show("GetSensitivity into a null pointer", GetSensitivity(1, NULL));
    ExitInstrument();
    Show("InitInstrument again after ExitInstrument", InitInstrument(0));
    ExitInstrument();
    return 0;
}
