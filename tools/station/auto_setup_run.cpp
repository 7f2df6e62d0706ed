// SPDX-License-Identifier: MIT
// Auto set-up on the instrument's thread: probe records, then the choice
// (tools/analysis/auto_setup.h) applied through the settings table like any other change, and the
// acquisition running.
//
// Probes run free (no trigger: a probe needs whatever is at the input, not a stable picture),
// every channel that is on starting on its largest range. After each probe a channel that
// clipped goes one range up and one that fills little of its range goes down to the smallest
// range that holds it, and the probe is taken again, until the ranges stay. Then a period
// decides the rate; without one, the next probe runs ten times slower. The rates go from the
// fastest down, so that a fast signal is seen as itself before slow sampling could fold it
// into a false slow one; they stop where a probe would take longer than a second.
#include <algorithm>
#include <chrono>

#include "tools/analysis/auto_setup.h"
#include "tools/core/block_acquisition.h"
#include "tools/core/status.h"
#include "tools/station/station.h"
#include "zarvo.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;

constexpr double kLongestProbeSeconds = 1.0;
// Probes need the peaks and a few periods, not the whole record: at most this many samples,
// which the parallel port reads in about 30 ms where a full-length record takes half a second.
constexpr std::int32_t kProbeLength = 2000;
// Ranges settle within four probes from the largest range; rates add one each.
constexpr int kMostProbes = 16;

struct ProbeRecord {
    std::vector<std::uint16_t> words[2];
    std::vector<double> volts[2];
};

// One free-running record at the settings as they are; false when the instrument did not
// complete it within its duration and two seconds more.
bool TakeProbe(std::size_t length, double rate, ProbeRecord& probe) {
    core::BlockAcquisition how;
    how.freeRunning = true;
    how.recordMs = rate > 0 ? static_cast<double>(length) / rate * 1000 : 0;
    how.pollInterval = std::chrono::microseconds(200);
    if (core::AcquireBlock(how).end != core::BlockResult::End::Ready) return false;
    for (int k = 0; k < 2; ++k) {
        probe.words[k].assign(length, 0x8000);
        probe.volts[k].assign(length, 0.0);
    }
    return ADC_GetData(probe.words[0].data(), probe.words[1].data()) == RC_OK &&
           ADC_GetDataVolt(probe.volts[0].data(), probe.volts[1].data()) == RC_OK;
}

// A sample at either end of the 8-bit converter's scale: the input may go further.
bool Clipped(const std::vector<std::uint16_t>& words) {
    return std::any_of(words.begin(), words.end(), [](std::uint16_t w) {
        const int code = w >> 8;
        return code == 0 || code == 0xFF;
    });
}

}  // namespace

ApplyResult Station::Auto() {
    return Request("Auto has no input to look at", [&] { return AutoHere(); });
}

ApplyResult Station::AutoHere() {
    if (!open_ || lost_) {
        return {Outcome::Refused,
                {{"error",
                  "no instrument answers, so Auto has nothing to probe; Run or Start "
                  "again opens it anew"},
                 {"status", core::StatusName(RC_NO_INSTRUMENT)}}};
    }
    const json before = desired_;
    std::uint8_t mode = 0;
    GetMeasureMode(&mode);
    std::vector<std::uint8_t> channels;
    if ((mode & mCh1) != 0) channels.push_back(1);
    if ((mode & mCh2) != 0) channels.push_back(2);
    std::vector<double> ranges;
    for (const json& r : status_.value("ranges", json::array())) ranges.push_back(r.get<double>());
    std::sort(ranges.begin(), ranges.end());
    const std::int32_t length = GetRecordLength();
    const std::int32_t pre = length - GetPostSamples();
    const std::int32_t probeLength = std::min(length, kProbeLength);
    if (channels.empty() || ranges.empty() || length <= 0) {
        return {Outcome::Refused,
                {{"error", "Auto needs a channel that is on and a record of some length"}}};
    }

    analysis::AutoInput input;
    input.ranges = ranges;
    input.length = length;
    input.probeLength = probeLength;
    input.keptRate = GetSampleFrequencyF();
    input.maxRate = GetMaxSampleFrequencyF();
    input.maxLength = GetMaxRecordLength();
    input.probe = controls_.probe;
    input.takeRate = [](double wanted) {
        double rate = wanted;
        SetSampleFrequencyF(&rate);
        return GetSampleFrequencyF();
    };

    SetTriggerSource(tsNoTrig);
    SetRecordLength(static_cast<std::uint32_t>(probeLength));
    SetPostSamples(static_cast<std::uint32_t>(probeLength));
    std::vector<double> current(channels.size(), ranges.back());
    double rate = input.maxRate;
    ProbeRecord probe;
    for (int probes = 0; probes < kMostProbes; ++probes) {
        for (std::size_t i = 0; i < channels.size(); ++i) {
            SetAutoRanging(channels[i], 0);
            SetSensitivity(channels[i], &current[i]);
        }
        input.probeRate = input.takeRate(rate);
        if (!TakeProbe(static_cast<std::size_t>(probeLength), input.probeRate, probe)) {
            ApplyHere(before);
            return {Outcome::Refused,
                    {{"error",
                      "the instrument did not complete a probe record, so Auto chose "
                      "nothing; the settings are as they were"},
                     {"status", core::StatusName(RC_NO_INSTRUMENT)}}};
        }
        input.channels.clear();
        bool moved = false;
        bool period = false;
        for (std::size_t i = 0; i < channels.size(); ++i) {
            const std::size_t k = channels[i] - 1u;
            analysis::ProbeChannel p{channels[i], current[i],
                                     analysis::Analyse(probe.volts[k], input.probeRate),
                                     Clipped(probe.words[k])};
            const double fits = analysis::RangeFor(p, ranges);
            moved = moved || fits != current[i];
            current[i] = fits;
            period = period || analysis::ShowsPeriod(p, input.probeRate, probeLength);
            input.channels.push_back(p);
        }
        if (moved) continue;
        if (period) break;
        const double slower = input.probeRate / 10;
        if (!(slower >= 1) || probeLength / slower > kLongestProbeSeconds) break;
        rate = slower;
    }

    const analysis::AutoChoice choice = analysis::ChooseSetup(input);
    // The pre-trigger samples stay as they were, as far as they fit the record chosen.
    json settings = {{"length", choice.length},
                     {"pre", std::min<std::int64_t>(pre, choice.length)},
                     {"rate", choice.rate},
                     {"trigger.slope", "rising"},
                     {"acquire", "run"}};
    for (const analysis::AutoChoice::ChannelRange& r : choice.ranges) {
        const std::string prefix = "ch" + std::to_string(r.channel) + ".";
        settings[prefix + "range"] = r.range;
        settings[prefix + "autoRange"] = false;
    }
    settings["trigger.source"] = "ch" + std::to_string(choice.triggerChannel);
    settings["trigger.level"] = choice.triggerLevel;
    settings["trigger.hysteresis"] = choice.triggerHysteresis;
    ApplyResult result = ApplyHere(settings);
    if (result.outcome != Outcome::Applied) {
        ApplyHere(before);
        return result;
    }
    result.body["auto"] = {{"text", choice.text}};
    return result;
}

}  // namespace zarvo::station
