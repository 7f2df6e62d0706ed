// SPDX-License-Identifier: MIT
// The time base: a record's time per division, and the rate and length that fill ten divisions.
#include "tools/analysis/time_base.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tools/core/numbers.h"

namespace zarvo::analysis {

namespace {

// Every rate the clock makes, fastest first.
template <typename Visit>
void ForEachRate(Visit visit) {
    for (double tap : {50e6, 25e6, 12.5e6, 5e6}) visit(tap);
    for (int n = 2; n <= 62500; ++n) visit(5e6 / n);
    for (int n = 626; n <= 65535; ++n) visit(50e3 / n);
}

}  // namespace

double TimePerDivision(double rate, std::int64_t length) {
    if (!(rate > 0) || !std::isfinite(rate) || length <= 0) return 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.12g",
                  static_cast<double>(length) / rate / core::kTimeDivisions);
    return std::strtod(text, nullptr);
}

bool Fills(const TimeBase& base, double timePerDiv, double tolerance) {
    if (!(base.rate > 0) || !(timePerDiv > 0) || base.length <= 0) return false;
    const double span = static_cast<double>(base.length) / base.rate;
    return std::fabs(span - core::kTimeDivisions * timePerDiv) <=
           tolerance * core::kTimeDivisions * timePerDiv;
}

TimeBase FillDivisions(double timePerDiv, std::int64_t length, const TimeBaseLimits& limits) {
    TimeBase best;
    const double span = core::kTimeDivisions * timePerDiv;
    if (!(span > 0) || !std::isfinite(span) || limits.minLength < 1 ||
        limits.maxLength < limits.minLength) {
        return best;
    }
    const auto shortest = static_cast<double>(limits.minLength);
    const auto longest = static_cast<double>(limits.maxLength);
    const double wanted = std::clamp(static_cast<double>(length), shortest, longest);
    // Exact first (a miss of 0), then the nearest span; among those the length nearest the
    // one wanted, in ratio.
    double bestMiss = std::numeric_limits<double>::infinity();
    double bestFar = bestMiss;
    ForEachRate([&](double rate) {
        if (rate < limits.minRate || rate > limits.maxRate) return;
        const double samples = std::clamp(std::round(span * rate), shortest, longest);
        double miss = std::fabs(samples / rate - span) / span;
        if (miss <= 1e-9) miss = 0;
        if (miss > bestMiss * (1 + 1e-9)) return;
        const double far = std::fabs(std::log(samples / wanted));
        const bool nearer = miss < bestMiss * (1 - 1e-9) || far < bestFar - 1e-9 ||
                            (far <= bestFar + 1e-9 && samples > static_cast<double>(best.length));
        if (!nearer) return;
        bestMiss = miss;
        bestFar = far;
        best.rate = rate;
        best.length = static_cast<std::int64_t>(samples);  // whole, within the limits
    });
    return best;
}

}  // namespace zarvo::analysis
