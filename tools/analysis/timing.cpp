// SPDX-License-Identifier: MIT
// Frequency, period, duty cycle, rise and fall time of a record: the figures a person reads
// off a scope screen for a periodic signal.
#include <cmath>

#include "tools/analysis/stats.h"

namespace zarvo::analysis {

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

// The crossings of the band around the mid level, each way. A crossing ends a half period, so
// whole periods lie between two crossings of the same direction, whatever the duty cycle.
struct Crossings {
    std::size_t first = 0;
    std::size_t last = 0;
    int count = 0;
    std::size_t Span() const { return count >= 2 ? last - first : 0; }
};
struct BothWays {
    Crossings falling;
    Crossings rising;
};

BothWays FindCrossings(const std::vector<double>& v, double mid, double band) {
    BothWays both;
    int state = 0;  // -1 below the band, +1 above, 0 not yet known
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int now = v[i] >= mid + band ? 1 : (v[i] < mid - band ? -1 : 0);
        if (now == 0 || now == state) continue;
        if (state != 0) {
            Crossings& c = now > 0 ? both.rising : both.falling;
            if (c.count++ == 0) c.first = i;
            c.last = i;
        }
        state = now;
    }
    return both;
}

// Periods per sample counted both ways; 0 without a whole period, so that a lone spike is no
// frequency.
double Frequency(const BothWays& both, double rate) {
    double periods = 0;
    double samples = 0;
    for (const Crossings* c : {&both.falling, &both.rising}) {
        if (c->Span() == 0) continue;
        periods += c->count - 1;
        samples += static_cast<double>(c->Span());
    }
    return samples > 0 ? periods * rate / samples : 0;
}

// Percent of the time at or above `mid` over the whole periods of the longer span.
double DutyCycle(const std::vector<double>& v, const BothWays& both, double mid) {
    const Crossings& c = both.rising.Span() >= both.falling.Span() ? both.rising : both.falling;
    if (c.Span() == 0) return kNotMeasured;
    std::size_t above = 0;
    for (std::size_t i = c.first; i < c.last; ++i) above += v[i] >= mid ? 1 : 0;
    return 100.0 * static_cast<double>(above) / static_cast<double>(c.Span());
}

}  // namespace

void AnalyseTiming(const std::vector<double>& v, double rate, Stats& s) {
    if (!(s.peakToPeak > 0) || !(rate > 0)) return;
    // A tenth of the swing as hysteresis, so that noise does not count as crossings.
    const double mid = (s.max + s.min) / 2;
    const BothWays crossings = FindCrossings(v, mid, s.peakToPeak / 10);
    s.frequency = Frequency(crossings, rate);
    if (s.frequency > 0) s.period = 1 / s.frequency;
    s.dutyCycle = DutyCycle(v, crossings, mid);
    const double low = s.min + 0.1 * s.peakToPeak;
    const double high = s.min + 0.9 * s.peakToPeak;
    s.riseTime = MeanTransition(v, low, high, rate);
    s.fallTime = MeanTransition(v, high, low, rate);
}

}  // namespace zarvo::analysis
