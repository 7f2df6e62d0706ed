// A channel of a record as :WAVeform:DATA? sends it: an IEEE 488.2 definite-length block of
// little-endian 32-bit floats in volts (REAL,32) or of 16-bit signed codes (INTeger,16), or
// comma-separated volts (ASCii).
#pragma once

#include <string>

#include "tools/scpi/commands.h"
#include "tools/station/taken_record.h"

namespace zarvo::scpi {

// The code of a sample word: 0 is 0 V, volts = code x the trace's scale.
inline int CodeOf(std::uint16_t word) {
    return static_cast<int>(word) - 0x8000;
}

// "#<digits><length><bytes>".
std::string Block(const std::string& bytes);

std::string FormatTrace(const station::TakenTrace& trace, DataFormat format);

}  // namespace zarvo::scpi
