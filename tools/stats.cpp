#include "tools/stats.h"

#include <algorithm>
#include <cmath>

namespace zarvo::cli {

namespace {

double EstimateFrequency(const std::vector<double>& v, double mid, double band, double rate) {
    bool armed = false;
    std::ptrdiff_t first = -1;
    std::ptrdiff_t last = -1;
    int crossings = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] < mid - band) armed = true;
        if (armed && v[i] >= mid + band) {
            armed = false;
            const auto index = static_cast<std::ptrdiff_t>(i);
            if (first < 0) first = index;
            last = index;
            ++crossings;
        }
    }
    if (crossings < 2 || rate <= 0) return 0;
    const double periods = crossings - 1;
    return periods * rate / static_cast<double>(last - first);
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
