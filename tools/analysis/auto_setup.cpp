// SPDX-License-Identifier: MIT
// Auto set-up's choice of ranges, sample rate and trigger from what the probe records showed.
#include "tools/analysis/auto_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/analysis/time_base.h"
#include "tools/core/numbers.h"

namespace zarvo::analysis {

namespace {

// One converter step: 256 codes span twice the full scale.
double StepOf(double range) {
    return range / 128;
}

std::string Periods(double periods) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", periods);
    std::string s = text;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.erase(s.size() - 2);
    return s;
}

// The rate for about kPeriodsAimed periods of `hz` in the record, as the instrument takes it:
// the clock divides down to a few rates, so a few aims are tried and the first that lands
// within the accepted span is kept (else the one nearest the aim).
double RateForPeriods(const AutoInput& in, double hz) {
    const double length = static_cast<double>(in.length);
    double best = 0;
    double bestMiss = 0;
    for (double aim : {kPeriodsAimed, 2.5, 3.5, kFewestPeriods, 4.0, kMostPeriods}) {
        const double wanted = std::clamp(length * hz / aim, 1.0, in.maxRate);
        const double taken = in.takeRate(wanted);
        if (!(taken > 0)) continue;
        const double periods = length * hz / taken;
        if (periods >= kFewestPeriods * (1 - 1e-9) && periods <= kMostPeriods * (1 + 1e-9)) {
            return taken;
        }
        const double miss = std::fabs(std::log(periods / kPeriodsAimed));
        if (best == 0 || miss < bestMiss) {
            best = taken;
            bestMiss = miss;
        }
    }
    // Out of the clock's reach (a signal faster than the record can show in five periods at
    // the highest rate): the nearest there is, asked for once more so that the instrument ends
    // on it.
    return best > 0 ? in.takeRate(best) : in.takeRate(in.keptRate);
}

// A time base that fills ten divisions of `timePerDiv` exactly, at a rate the instrument took
// as it was asked; a rate of 0 when the clock makes none.
TimeBase Filling(const AutoInput& in, double timePerDiv) {
    TimeBaseLimits limits;
    limits.maxLength = std::max<std::int64_t>(in.maxLength, 1);
    limits.maxRate = in.maxRate;
    const TimeBase base = FillDivisions(timePerDiv, in.length, limits);
    if (!Fills(base, timePerDiv)) return {};
    const double taken = in.takeRate(base.rate);
    if (!(std::fabs(taken - base.rate) <= base.rate * 1e-9)) return {};
    return base;
}

// For a signal of `hz`: of the 1-2-5 times per division that show between kFewestPeriods
// and kMostPeriods periods (one or two of them: the series steps by 2.5 at most), the one
// nearest kPeriodsAimed that the clock can fill.
TimeBase TimeBaseForPeriods(const AutoInput& in, double hz) {
    const double perPeriod = 1 / (hz * core::kTimeDivisions);
    std::vector<double> steps;
    for (double t = core::Step125(kFewestPeriods * perPeriod);
         t <= kMostPeriods * perPeriod * (1 + 1e-9); t = core::Step125(t * 1.01)) {
        steps.push_back(t);
    }
    const auto miss = [&](double t) { return std::fabs(std::log(t / perPeriod / kPeriodsAimed)); };
    std::sort(steps.begin(), steps.end(), [&](double a, double b) { return miss(a) < miss(b); });
    for (double t : steps) {
        const TimeBase base = Filling(in, t);
        if (base.rate > 0) return base;
    }
    return {};
}

// "200 µs/div (500 kHz, 1000 samples)".
std::string TimeBaseText(double rate, std::int64_t length) {
    return core::FormatSi(TimePerDivision(rate, length), "s", 3) + "/div (" +
           core::FormatSi(rate, "Hz") + ", " + std::to_string(length) + " samples)";
}

std::string ChannelList(const std::vector<ProbeChannel>& channels) {
    std::string list;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (i > 0) list += i + 1 == channels.size() ? " or " : ", ";
        list += std::to_string(channels[i].channel);
    }
    return list;
}

double ProbeOf(const AutoInput& in, int channel) {
    return channel == 2 ? in.probe[1] : in.probe[0];
}

}  // namespace

double RangeFor(const ProbeChannel& probe, const std::vector<double>& ranges) {
    if (ranges.empty()) return probe.range;
    if (probe.clipped) {
        for (double r : ranges) {
            if (r > probe.range) return r;
        }
        return ranges.back();
    }
    const double peak = std::max(std::fabs(probe.stats.min), std::fabs(probe.stats.max));
    for (double r : ranges) {
        if (peak <= kRangeFill * r) return r;
    }
    return ranges.back();
}

bool HasSignal(const ProbeChannel& probe) {
    return probe.stats.peakToPeak > kFlatSteps * StepOf(probe.range);
}

bool ShowsPeriod(const ProbeChannel& probe, double rate, std::int64_t length) {
    const double hz = probe.stats.frequency;
    if (!HasSignal(probe) || !(hz > 0) || !(rate > 0)) return false;
    const double periods = hz * static_cast<double>(length) / rate;
    return periods >= kFewestPeriods && rate / hz >= 10;
}

AutoChoice ChooseSetup(const AutoInput& in) {
    AutoChoice choice;
    const ProbeChannel* periodic = nullptr;
    const ProbeChannel* strongest = nullptr;
    for (const ProbeChannel& p : in.channels) {
        choice.ranges.push_back({p.channel, RangeFor(p, in.ranges) * ProbeOf(in, p.channel)});
        if (!HasSignal(p)) continue;
        choice.signal = true;
        if (strongest == nullptr || p.stats.peakToPeak > strongest->stats.peakToPeak)
            strongest = &p;
        if (ShowsPeriod(p, in.probeRate, in.probeLength > 0 ? in.probeLength : in.length) &&
            (periodic == nullptr || p.stats.peakToPeak > periodic->stats.peakToPeak)) {
            periodic = &p;
        }
    }
    const ProbeChannel* trigger = periodic != nullptr ? periodic : strongest;
    if (trigger == nullptr && !in.channels.empty()) trigger = &in.channels.front();

    std::string text = "Auto: ";
    if (choice.signal) {
        for (std::size_t i = 0; i < choice.ranges.size(); ++i) {
            text += (i > 0 ? ", channel " : "channel ") + std::to_string(choice.ranges[i].channel) +
                    " on the " + core::FormatSi(choice.ranges[i].range, "V", 3) + " range";
        }
    } else {
        text += "no signal on channel " + ChannelList(in.channels) +
                " (a flat record): the smallest range that holds the level";
    }
    if (periodic != nullptr) {
        choice.frequency = periodic->stats.frequency;
        const TimeBase base = TimeBaseForPeriods(in, choice.frequency);
        if (base.rate > 0) {
            choice.rate = base.rate;
            choice.length = base.length;
        } else {
            // No 1-2-5 step the clock can fill: the nearest rate at the length set, the screen
            // spanning its record.
            choice.rate = RateForPeriods(in, choice.frequency);
            choice.length = in.length;
        }
        const double periods = choice.frequency * static_cast<double>(choice.length) / choice.rate;
        text += "; " + core::FormatFrequency(choice.frequency) + " on channel " +
                std::to_string(periodic->channel) + ": " +
                TimeBaseText(choice.rate, choice.length) + " shows " + Periods(periods) +
                " periods";
    } else {
        // About the span the record had: the 1-2-5 step at or above its time per division.
        const TimeBase base = in.keptRate > 0
                                  ? Filling(in, core::Step125(static_cast<double>(in.length) /
                                                              in.keptRate / core::kTimeDivisions))
                                  : TimeBase{};
        if (base.rate > 0) {
            choice.rate = base.rate;
            choice.length = base.length;
        } else {
            choice.rate = in.takeRate(in.keptRate);
            choice.length = in.length;
        }
        text += std::string(choice.signal ? "; no period on any channel" : "") +
                "; the whole record at " + TimeBaseText(choice.rate, choice.length);
    }
    if (trigger != nullptr) {
        const double range = RangeFor(*trigger, in.ranges);  // the range chosen for it above
        const Stats& s = trigger->stats;
        const double limit = range - StepOf(range);
        const double probe = ProbeOf(in, trigger->channel);
        choice.triggerChannel = trigger->channel;
        if (choice.signal) {
            choice.triggerLevel = std::clamp((s.max + s.min) / 2, -limit, limit) * probe;
            choice.triggerHysteresis = std::max(s.peakToPeak / 10, StepOf(range)) * probe;
            text += "; trigger on channel " + std::to_string(trigger->channel) + " at " +
                    core::FormatSi(choice.triggerLevel, "V", 3) + ", rising";
        } else {
            // A level the record never crosses: the time-out shows the flat line.
            choice.triggerLevel = std::clamp(s.mean, -limit, limit) * probe;
            choice.triggerHysteresis = StepOf(range) * probe;
            text += "; trigger on channel " + std::to_string(trigger->channel) + " at its level, " +
                    core::FormatSi(choice.triggerLevel, "V", 3);
        }
    }
    choice.text = text + "; running.";
    return choice;
}

}  // namespace zarvo::analysis
