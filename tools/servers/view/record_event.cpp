// SPDX-License-Identifier: MIT
// A taken record as the JSON of the page's "record" event.
#include "tools/servers/view/record_event.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/analysis/figures.h"
#include "tools/analysis/stats.h"
#include "tools/analysis/time_base.h"
#include "tools/core/numbers.h"
#include "tools/servers/view/decode_event.h"
#include "tools/servers/view/record_probe.h"
#include "tools/servers/view/record_tallies.h"
#include "tools/station/decode_controls.h"

namespace zarvo::view {

namespace {

using json = nlohmann::json;

// The figures of channel 1 minus and plus channel 2, sample by sample: the page draws the
// math trace from the codes itself, the figures under it come from here.
json MathFigures(const core::Record& volts) {
    const std::vector<double>& a = volts.traces[0].volts;
    const std::vector<double>& b = volts.traces[1].volts;
    const std::size_t n = std::min(a.size(), b.size());
    // One buffer for both: Analyse only reads it.
    std::vector<double> math(n);
    for (std::size_t i = 0; i < n; ++i) math[i] = a[i] - b[i];
    json diff = analysis::FigureTexts(analysis::Analyse(math, volts.sampleRate));
    for (std::size_t i = 0; i < n; ++i) math[i] = a[i] + b[i];
    json sum = analysis::FigureTexts(analysis::Analyse(math, volts.sampleRate));
    return {{"diff", std::move(diff)}, {"sum", std::move(sum)}};
}

}  // namespace

json RecordEvent(const station::TakenRecord& record, std::pair<std::uint64_t, std::uint64_t> kept) {
    const core::Record volts = record.Volts();
    json traces = json::array();
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        const station::TakenTrace& t = record.traces[k];
        json codes = json::array();
        for (std::size_t i = 0; i < t.words.size(); ++i) codes.push_back(t.CodeAt(i));
        const double perDiv = 2 * t.range / core::kVoltDivisions;
        traces.push_back({{"channel", t.channel},
                          {"range", t.range},
                          {"scale", t.scale},
                          {"voltsPerDiv", perDiv},
                          {"perDivLabel", core::FormatSi(perDiv, "V", 3) + "/div"},
                          {"codes", std::move(codes)},
                          {"figures", analysis::FigureTexts(
                                          analysis::Analyse(volts.traces[k].volts, record.rate))}});
    }
    const std::size_t n = record.size();
    // The screen spans the record: ten divisions of its span over ten.
    const double perDiv = analysis::TimePerDivision(record.rate, static_cast<std::int64_t>(n));
    const core::TriggerInfo& trigger = record.trigger;
    json event = {{"seq", record.seq},
                  {"readoutMs", record.readoutMs},
                  {"rate", record.rate},
                  {"length", n},
                  {"pre", record.pre},
                  {"forced", record.forced},
                  {"timePerDiv", perDiv},
                  {"timeLabel", core::FormatSi(perDiv, "s", 3) + "/div"},
                  {"rateLabel", core::FormatSi(record.rate, "Hz")},
                  {"trigger",
                   {{"source", trigger.source},
                    {"slope", trigger.falling ? "falling" : "rising"},
                    {"level", trigger.levelChannel != 0 ? json(trigger.level) : json(nullptr)}}},
                  {"traces", std::move(traces)},
                  {"kept", {kept.first, kept.second}}};
    if (volts.traces.size() == 2) event["math"] = MathFigures(volts);
    // Kept records and saved ones decode with the setting in force when they are described.
    if (const auto setup = station::DecodeInForce()) {
        event["decode"] = DecodeEvent(*setup, station::DecodeSpecInForce(), volts);
    }
    AddProbe(event, record);
    AddTallies(event, record);
    return event;
}

}  // namespace zarvo::view
