// SPDX-License-Identifier: MIT
// A line's volts cut into logic levels at a threshold with hysteresis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zarvo::analysis::decode {

struct Line {
    std::vector<std::uint8_t> level;  // 1 above the threshold, 0 below
    double threshold = 0.0;
    double hysteresis = 0.0;  // the band around the threshold a level change must cross
    std::size_t edges = 0;    // level changes in the record
    const double* volts = nullptr;

    // Where the line crosses the threshold between samples i - 1 and i (level[i] differs
    // from level[i - 1]), in samples from the record's start.
    double EdgeAt(std::size_t i) const;
};

// By default the threshold is the middle of the swing (lowest to highest sample) and the
// hysteresis a tenth of the swing; `threshold` moves the middle. A sample that is not a
// number keeps the level before it.
Line Cut(const double* volts, std::size_t count, std::optional<double> threshold);

}  // namespace zarvo::analysis::decode
