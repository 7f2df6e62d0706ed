#include "tools/stats.h"

#include <algorithm>
#include <cmath>

namespace zarvo::cli {

namespace {

double EstimateFrequency(const std::vector<double>& v, double mid, double band, double rate) {
    // Each crossing of the band (either way) ends a half period.
    int state = 0;  // -1 below the band, +1 above, 0 not yet known
    std::ptrdiff_t first = -1;
    std::ptrdiff_t last = -1;
    int crossings = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int now = v[i] >= mid + band ? 1 : (v[i] < mid - band ? -1 : 0);
        if (now == 0 || now == state) continue;
        if (state != 0) {
            const auto index = static_cast<std::ptrdiff_t>(i);
            if (first < 0) first = index;
            last = index;
            ++crossings;
        }
        state = now;
    }
    // At least one whole period (three crossings), so that a lone spike is no frequency.
    if (crossings < 3 || rate <= 0 || last == first) return 0;
    const double halfPeriods = crossings - 1;
    return halfPeriods / 2 * rate / static_cast<double>(last - first);
}

}  // namespace

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
    if (s.peakToPeak > 0) {
        s.frequency = EstimateFrequency(v, (s.max + s.min) / 2, s.peakToPeak / 10, rate);
    }
    return s;
}

}  // namespace zarvo::cli
