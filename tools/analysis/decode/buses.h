// SPDX-License-Identifier: MIT
// The three decoders behind Decode, each filling a result from its lines.
#pragma once

#include "tools/analysis/decode/frames.h"
#include "tools/analysis/decode/levels.h"
#include "tools/analysis/decode/setup.h"

namespace analysis::decode {

// Seconds from the trigger point of a position in samples from the record's start.
inline double Seconds(double position, const Record& record) {
    return (position - record.triggerIndex) / record.rate;
}

void DecodeUart(const BusSetup& setup, const Record& record, const Line& line, Result* result);
void DecodeI2c(const Record& record, const Line& scl, const Line& sda, Result* result);
void DecodeSpi(const BusSetup& setup, const Record& record, const Line& clock, const Line& data,
               Result* result);

// The baud a UART line was sent at, from its pulses: the shortest one gives the bit time,
// every pulse up to a byte long refines it, and the result is snapped to the common rate
// within 3 % (300 to 921,600) when there is one. 0 when the line has fewer than two edges.
double FindBaud(const Line& line, std::size_t count, double rate);

// Fewer samples per clock period than this cannot show every clock edge.
inline constexpr double kLeastSamplesPerClock = 4.0;

// Samples per period of a clock line, from its rising edges within transfers; infinite
// without two of them.
double SamplesPerClock(const Line& clock, std::size_t count);

// "2.5 samples per clock at 1 MHz: at least 4 are needed; a rate of 4 MHz or more"
std::string TooFewSamplesPerClock(double perClock, double rate);

// "38.4 kHz": a rate in hertz with its prefix, to four digits, rounded up.
std::string FormatHz(double hz);

}  // namespace analysis::decode
