// Figures of one record of one channel.
#pragma once

#include <cstddef>
#include <vector>

namespace zarvo::cli {

struct Stats {
    double min = 0;
    double max = 0;
    double mean = 0;
    double peakToPeak = 0;
    double rms = 0;
    double frequency = 0;  // Hz; 0 when it could not be estimated (no whole period seen)
};

// Frequency from the crossings of the mid level (both ways, so a record needs to hold one
// whole period between its first and last crossing), with a hysteresis of a tenth of the
// peak-to-peak value so that noise does not count as crossings.
Stats Analyse(const std::vector<double>& volts, double sampleRate);

}  // namespace zarvo::cli
