// SPDX-License-Identifier: MIT
// Level figures of a record: minimum, maximum, mean, peak-to-peak and RMS.
#include "tools/analysis/stats.h"

#include <algorithm>
#include <cmath>

namespace zarvo::analysis {

Stats Analyse(const std::vector<double>& v, double rate) {
    Stats s;
    if (v.empty()) return s;
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    s.min = *lo;
    s.max = *hi;
    s.peakToPeak = s.max - s.min;
    double sum = 0;
    double squares = 0;
    for (double x : v) {
        sum += x;
        squares += x * x;
    }
    const double n = static_cast<double>(v.size());
    s.mean = sum / n;
    s.rms = std::sqrt(squares / n);
    AnalyseTiming(v, rate, s);
    return s;
}

}  // namespace zarvo::analysis
