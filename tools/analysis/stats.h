// SPDX-License-Identifier: MIT
// Figures of one record of one channel.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

namespace zarvo::analysis {

constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

struct Stats {
    double min = 0;
    double max = 0;
    double mean = 0;
    double peakToPeak = 0;
    double rms = 0;
    double frequency = 0;  // Hz; 0 when it could not be estimated (no whole period seen)
    // The timing figures are NaN (kNotMeasured) when the record does not show what they need:
    // a whole period for the period and the duty cycle, a complete edge for a rise or fall.
    double period = kNotMeasured;     // seconds, 1 / frequency
    double dutyCycle = kNotMeasured;  // percent of each period spent above the mid level
    double riseTime = kNotMeasured;   // seconds from 10 % to 90 % of the swing, on average
    double fallTime = kNotMeasured;   // seconds from 90 % to 10 % of the swing, on average
};

// Frequency from the crossings of the mid level (both ways, so a record needs to hold one
// whole period between its first and last crossing), with a hysteresis of a tenth of the
// peak-to-peak value so that noise does not count as crossings. The swing for the rise and
// fall times is the record's minimum to maximum.
Stats Analyse(const std::vector<double>& volts, double sampleRate);

// The frequency and timing figures of Stats, from the level figures already in `stats`.
void AnalyseTiming(const std::vector<double>& volts, double sampleRate, Stats& stats);

}  // namespace zarvo::analysis
