// SPDX-License-Identifier: MIT
// A record as the view's tests save and open it.
#pragma once

#include "tools/core/record.h"

namespace zarvo::view {

// A record as the instrument gives it: whole 8-bit steps (multiples of 256 counts) times
// range / 32768: channel 1 a ramp over its 8 V range, channel 2 a square of ten steps
// (0.3125 V) on 4 V.
inline zarvo::core::Record InstrumentLike() {
    zarvo::core::Record record;
    record.sampleRate = 1e6;
    record.preSamples = 100;
    record.traces = {{1, 8.0, {}}, {2, 4.0, {}}};
    for (int i = 0; i < 1000; ++i) {
        const int ramp = (i % 256 - 128) * 256;
        const int square = (i / 50 % 2 == 0 ? 10 : -10) * 256;
        record.traces[0].volts.push_back(ramp * (8.0 / 32768));
        record.traces[1].volts.push_back(square * (4.0 / 32768));
    }
    return record;
}

}  // namespace zarvo::view
