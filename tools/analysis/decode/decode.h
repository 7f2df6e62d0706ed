// SPDX-License-Identifier: MIT
// Serial buses decoded from a record's volts: each line is cut into levels with hysteresis,
// then UART frames, I2C conditions and bytes, or SPI words are read from the level changes.
#pragma once

#include "tools/analysis/decode/frames.h"
#include "tools/analysis/decode/setup.h"

namespace zarvo::analysis::decode {

// The frames the setting finds in the record, in time order; with none, Result::message says
// why ("no edges on channel 1", too few samples per bit, ...).
Result Decode(const BusSetup& setup, const Record& record);

}  // namespace zarvo::analysis::decode
