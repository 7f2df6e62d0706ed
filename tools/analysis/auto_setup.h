// SPDX-License-Identifier: MIT
// Auto set-up's choice: from what probe records showed, the range of each channel, the sample
// rate and the trigger, as a person at the bench would set them to look at an unknown signal.
//
// - Range: the smallest that holds the channel's peaks with a tenth of the range to spare; a
//   channel that reached the end of its range may be larger still, so it goes one range up
//   and is probed again.
// - Time base: the screen shows the whole record over ten divisions, and Auto picks a time
//   per division of the 1-2-5 series with a rate the clock makes and a record length (as near
//   the one set as may be) that fill them exactly. For the strongest periodic channel (largest
//   swing with a period), the time per division that puts about three periods on the screen
//   (2 to 5 are fine where three is no 1-2-5 step). A record without a period keeps about the
//   span it had: the 1-2-5 step at or above its time per division.
// - Trigger: on that channel, at the middle of its swing, rising, with a tenth of the swing as
//   hysteresis so that noise does not trigger twice on one edge. A flat record (no signal on
//   any channel) triggers at its level, which it never crosses: the time-out then shows it.
//
// The probing itself (several records: the largest ranges first, narrowing down; other rates
// until a period shows) runs on the instrument's thread: Station::Auto.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/analysis/stats.h"

namespace zarvo::analysis {

// What one probe record showed of one channel.
struct ProbeChannel {
    int channel = 1;
    double range = 0;  // full scale in volts, the range it was taken on
    Stats stats;
    bool clipped = false;  // some sample sat at an end of the converter's scale
};

// The peaks may reach this fraction of the range.
constexpr double kRangeFill = 0.9;
// Periods the chosen rate aims at, and the span accepted around it.
constexpr double kPeriodsAimed = 3;
constexpr double kFewestPeriods = 2;
constexpr double kMostPeriods = 5;

// A swing of at most this many converter steps is no signal (a flat line with a step of noise).
constexpr double kFlatSteps = 3;

// `ranges`: the instrument's ranges in volts, ascending.
double RangeFor(const ProbeChannel& probe, const std::vector<double>& ranges);

bool HasSignal(const ProbeChannel& probe);

// A period the record shows well enough to set the time base by: at least two of them, each
// at least ten samples long (fewer could be an alias of a faster signal).
bool ShowsPeriod(const ProbeChannel& probe, double rate, std::int64_t length);

struct AutoInput {
    std::vector<ProbeChannel> channels;  // the channels that are on, from the last probe
    std::vector<double> ranges;          // available, ascending
    std::int64_t length = 0;             // samples per record
    std::int64_t probeLength = 0;        // samples per probe record (0: the record length)
    double probeRate = 0;                // the rate of the last probe
    double keptRate = 0;                 // the rate to keep when nothing has a period
    double maxRate = 25e6;               // the highest rate with these channels
    std::int64_t maxLength = 32760;      // the longest record the instrument takes
    // Asks the instrument for a rate and returns the rate it took.
    std::function<double(double wanted)> takeRate;
    // Each channel's probe factor: the probes and ranges are the input's, the choice's volts
    // (ranges, trigger level, hysteresis and text) are at the probe tip.
    std::array<double, 2> probe{1.0, 1.0};
};

struct AutoChoice {
    struct ChannelRange {
        int channel = 1;
        double range = 0;
    };
    std::vector<ChannelRange> ranges;
    double rate = 0;          // as the instrument took it
    std::int64_t length = 0;  // samples per record: with the rate, ten divisions
    int triggerChannel = 0;
    double triggerLevel = 0;       // volts
    double triggerHysteresis = 0;  // volts
    double frequency = 0;          // of the trigger channel; 0: no period
    bool signal = false;           // false: every channel flat
    std::string text;              // what was chosen, in one sentence
};

AutoChoice ChooseSetup(const AutoInput& input);

}  // namespace zarvo::analysis
