// SPDX-License-Identifier: MIT
/* Starting and stopping the library, and what it reports about the instrument. */
#include "common.h"

int main(void) {
    /* The argument is not used: the library searches LPT1, LPT2 and LPT3 itself. */
    const uint16_t status = InitInstrument(0);
    if (status != RC_OK) {
        fprintf(stderr, "no instrument: %s\n", StatusName(status));
        ExitInstrument(); /* frees what the failed start left */
        return 2;
    }
    uint16_t channels = 0;
    int32_t serial = 0;
    uint32_t date = 0;
    int ok = CHECK(GetNrChannels(&channels)) && CHECK(GetSerialNumber(&serial)) &&
             CHECK(GetCalibrationDate(&date));
    if (ok) {
        printf("channels %u, serial %ld, calibrated %02u-%02u-%04u\n", (unsigned)channels,
               (long)serial, (unsigned)(date >> 24), (unsigned)((date >> 16) & 0xFF),
               (unsigned)(date & 0xFFFF));
        printf("max rate %.0f Hz, max record %ld samples\n", GetMaxSampleFrequencyF(),
               (long)GetMaxRecordLength());
    }
    ExitInstrument(); /* releases the port; the library cannot be started again until reloaded */
    return ok ? 0 : 1;
}
