// SPDX-License-Identifier: MIT
// Cutting a line into levels at a threshold with hysteresis, and where between samples it crossed.
#include "tools/analysis/decode/levels.h"

#include <algorithm>
#include <cmath>

namespace zarvo::analysis::decode {

double Line::EdgeAt(std::size_t i) const {
    const double before = volts[i - 1];
    const double after = volts[i];
    const double step = after - before;
    const auto at = static_cast<double>(i);
    if (!std::isfinite(step) || step == 0.0) return at;
    // Steep edges fall between two samples: the crossing of the threshold on the straight
    // line between them puts the edge within a sample of where the line switched.
    const double fraction = std::clamp((threshold - before) / step, 0.0, 1.0);
    return at - 1.0 + fraction;
}

Line Cut(const double* volts, std::size_t count, std::optional<double> threshold) {
    Line line;
    line.volts = volts;
    line.level.assign(count, 0);
    double lowest = INFINITY;
    double highest = -INFINITY;
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(volts[i])) continue;
        lowest = std::min(lowest, volts[i]);
        highest = std::max(highest, volts[i]);
    }
    if (!(highest >= lowest)) return line;
    const double swing = highest - lowest;
    line.threshold = threshold.value_or(lowest + swing / 2.0);
    line.hysteresis = swing / 10.0;
    if (swing == 0.0) {
        std::fill(line.level.begin(), line.level.end(), volts[0] >= line.threshold ? 1 : 0);
        return line;
    }
    const double up = line.threshold + line.hysteresis / 2.0;
    const double down = line.threshold - line.hysteresis / 2.0;
    std::uint8_t level = 0;
    // The first sample that is a number decides where the line starts.
    for (std::size_t i = 0; i < count; ++i) {
        if (std::isfinite(volts[i])) {
            level = volts[i] >= line.threshold ? 1 : 0;
            break;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        const double v = volts[i];
        if (level == 0 && v > up) {
            level = 1;
            if (i > 0) ++line.edges;
        } else if (level == 1 && v < down) {
            level = 0;
            if (i > 0) ++line.edges;
        }
        line.level[i] = level;
    }
    return line;
}

}  // namespace zarvo::analysis::decode
