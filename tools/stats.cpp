#include "tools/stats.h"

#include <algorithm>
#include <cmath>

namespace zarvo::cli {

namespace {

double EstimateFrequency(const std::vector<double>& v, double mid, double band, double rate) {
    // Each crossing of the band ends a half period; periods are counted between crossings of
    // the same direction, so that a pulse of any duty cycle counts right.
    struct Crossings {
        std::size_t first = 0;
        std::size_t last = 0;
        int count = 0;
    } way[2];  // [0] falling, [1] rising
    int state = 0;  // -1 below the band, +1 above, 0 not yet known
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int now = v[i] >= mid + band ? 1 : (v[i] < mid - band ? -1 : 0);
        if (now == 0 || now == state) continue;
        if (state != 0) {
            Crossings& c = way[now > 0 ? 1 : 0];
            if (c.count++ == 0) c.first = i;
            c.last = i;
        }
        state = now;
    }
    // At least one whole period, so that a lone spike is no frequency.
    double periods = 0;
    double samples = 0;
    for (const Crossings& c : way) {
        if (c.count < 2) continue;
        periods += c.count - 1;
        samples += static_cast<double>(c.last - c.first);
    }
    if (periods == 0 || rate <= 0 || samples <= 0) return 0;
    return periods * rate / samples;
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
    AnalyseTiming(v, rate, s);
    return s;
}

}  // namespace zarvo::cli
