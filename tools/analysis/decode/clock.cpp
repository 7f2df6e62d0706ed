// SPDX-License-Identifier: MIT
// How often a clock line was sampled, and the sentence for a clock sampled too seldom.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/analysis/decode/buses.h"

namespace analysis::decode {

double SamplesPerClock(const Line& clock, std::size_t count) {
    double previous = -1.0;
    double shortest = INFINITY;
    for (std::size_t i = 1; i < count; ++i) {
        if (!(clock.level[i] != 0 && clock.level[i - 1] == 0)) continue;
        const double edge = clock.EdgeAt(i);
        if (previous >= 0.0) shortest = std::min(shortest, edge - previous);
        previous = edge;
    }
    if (!std::isfinite(shortest)) return INFINITY;
    // The mean of the periods within a transfer (up to twice the shortest), so that a clock
    // sampled a few times per period is not taken for a faster one.
    double within = 0.0;
    double periods = 0.0;
    previous = -1.0;
    for (std::size_t i = 1; i < count; ++i) {
        if (!(clock.level[i] != 0 && clock.level[i - 1] == 0)) continue;
        const double edge = clock.EdgeAt(i);
        if (previous >= 0.0 && edge - previous <= 2.0 * shortest) {
            within += edge - previous;
            periods += 1.0;
        }
        previous = edge;
    }
    return periods > 0.0 ? within / periods : INFINITY;
}

std::string TooFewSamplesPerClock(double perClock, double rate) {
    // A clock seen a few samples a period is known to two digits, no better.
    const double measured = rate / perClock;
    const double step = std::pow(10.0, std::floor(std::log10(measured)) - 1.0);
    const double clockHz = std::round(measured / step) * step;
    char shown[32];
    // To a tenth, but never shown as the 4 asked for.
    std::snprintf(shown, sizeof shown, "%.1f",
                  std::min(std::floor(perClock * 10.0 + 0.5) / 10.0, 3.9));
    return std::string(shown) + " samples per clock at " + FormatHz(clockHz) +
           ": at least 4 are needed; a rate of " + FormatHz(kLeastSamplesPerClock * clockHz) +
           " or more";
}

}  // namespace analysis::decode
