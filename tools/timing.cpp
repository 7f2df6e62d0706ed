// Period, duty cycle, rise and fall time of a record: the figures a person reads off a scope
// screen for a pulse or clock signal.
#include <cmath>

#include "tools/stats.h"

namespace zarvo::cli {

namespace {

// Where the line through samples i-1 and i crosses `level`, in (fractional) samples.
double CrossingAt(const std::vector<double>& v, std::size_t i, double level) {
    const double a = v[i - 1];
    const double b = v[i];
    return b == a ? static_cast<double>(i) : static_cast<double>(i - 1) + (level - a) / (b - a);
}

// Mean duration of the transitions from `from` to `to` (rising when to > from): each runs
// from the last crossing of `from` to the first crossing of `to` after it, so that a
// transition is timed only once the signal has been beyond `from` and reaches `to`.
double MeanTransition(const std::vector<double>& v, double from, double to, double rate) {
    const bool rising = to > from;
    auto beyondFrom = [&](double x) { return rising ? x < from : x > from; };
    auto reachedTo = [&](double x) { return rising ? x >= to : x <= to; };
    bool armed = false;
    double start = -1;
    double total = 0;
    int edges = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (beyondFrom(v[i])) {
            armed = true;
            start = -1;
            continue;
        }
        if (!armed || i == 0) continue;
        if (start < 0)
            start = beyondFrom(v[i - 1]) ? CrossingAt(v, i, from) : static_cast<double>(i);
        if (reachedTo(v[i])) {
            total += CrossingAt(v, i, to) - start;
            ++edges;
            armed = false;
            start = -1;
        }
    }
    return edges > 0 ? total / edges / rate : kNotMeasured;
}

// Percent of the time above `mid` between the first and the last rising crossing of the
// band around it (whole periods only), or NaN without two such crossings.
double DutyCycle(const std::vector<double>& v, double mid, double band) {
    int state = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    int rises = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int now = v[i] >= mid + band ? 1 : (v[i] < mid - band ? -1 : 0);
        if (now == 0 || now == state) continue;
        if (state == -1 && now == 1) {
            if (rises++ == 0) first = i;
            last = i;
        }
        state = now;
    }
    if (rises < 2) return kNotMeasured;
    std::size_t above = 0;
    for (std::size_t i = first; i < last; ++i) above += v[i] >= mid ? 1 : 0;
    return 100.0 * static_cast<double>(above) / static_cast<double>(last - first);
}

}  // namespace

void AnalyseTiming(const std::vector<double>& v, double rate, Stats& s) {
    if (!(s.peakToPeak > 0) || !(rate > 0)) return;
    if (s.frequency > 0) s.period = 1 / s.frequency;
    s.dutyCycle = DutyCycle(v, (s.max + s.min) / 2, s.peakToPeak / 10);
    const double low = s.min + 0.1 * s.peakToPeak;
    const double high = s.min + 0.9 * s.peakToPeak;
    s.riseTime = MeanTransition(v, low, high, rate);
    s.fallTime = MeanTransition(v, high, low, rate);
}

}  // namespace zarvo::cli
