// SPDX-License-Identifier: MIT
// A channel of a record as :WAVeform:DATA? sends it: an IEEE 488.2 definite-length block of
// little-endian 32-bit floats in volts (REAL,32) or of 16-bit signed codes (INTeger,16), or
// comma-separated volts (ASCii).
#pragma once

#include <string>

#include "tools/servers/scpi/commands.h"
#include "tools/station/taken_record.h"

namespace zarvo::scpi {

// "#<digits><length><bytes>".
std::string Block(const std::string& bytes);

std::string FormatTrace(const station::TakenTrace& trace, DataFormat format);

}  // namespace zarvo::scpi
