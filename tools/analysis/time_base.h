// SPDX-License-Identifier: MIT
// How a record fills the screen's ten divisions: the screen spans the whole record, so its time
// per division is the record's span over ten, whatever rate and length made it; and the rate
// the clock makes with the record length that together fill ten divisions of a time per
// division chosen on the knob, by Auto or in a settings file.
//
// The clock makes 25, 12.5 and 5 MHz from its oscillator taps, 5 MHz divided by 2 to 62500
// (2.5 MHz down to 80 Hz), 50 kHz divided by a whole number below 80 Hz, and 50 MHz on
// channel 1 alone. A time per division meets one of those rates only where the length comes
// out a whole number of samples: 200 µs/div is 500 kHz x 1000 samples, 10 µs/div with about
// 1000 samples wanted is 12.5 MHz x 1250.
#pragma once

#include <cstdint>

namespace zarvo::analysis {

struct TimeBase {
    double rate = 0;  // Hz; 0: no time base
    std::int64_t length = 0;
};

struct TimeBaseLimits {
    std::int64_t minLength = 1;
    std::int64_t maxLength = 32760;
    double minRate = 1;
    double maxRate = 25e6;  // 50e6 with channel 1 alone
};

// The record's span over the ten divisions, to 12 significant digits (so that 500 kHz x 1000
// samples reads 0.0002, as it is, not a hair beside it); 0 without a rate.
double TimePerDivision(double rate, std::int64_t length);

// The rate the clock makes and the length within the limits whose record spans ten divisions
// of `timePerDiv`, the length as near `length` as may be (the longer on a tie). Where no rate
// and length span it exactly, the pair that comes nearest. A rate of 0 when the limits or the
// time per division leave nothing.
TimeBase FillDivisions(double timePerDiv, std::int64_t length, const TimeBaseLimits& limits);

// Whether the record of `base` spans ten divisions of `timePerDiv`, to `tolerance` of it.
bool Fills(const TimeBase& base, double timePerDiv, double tolerance = 1e-9);

}  // namespace zarvo::analysis
