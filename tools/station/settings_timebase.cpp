// SPDX-License-Identifier: MIT
// The settings table's timebase rows: the rate, the record length, the time per division the
// screen shows and the samples before the trigger.
#include <algorithm>
#include <cmath>

#include "tools/analysis/time_base.h"
#include "tools/core/numbers.h"
#include "tools/station/settings_rows.h"
#include "zarvo.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;

// Sets the record length; the pre-trigger samples stay as they were, as far as they fit.
Refusal SetLengthKeepingPre(std::uint32_t length, const json& value) {
    const std::int32_t pre = GetRecordLength() - GetPostSamples();
    const Refusal r = ByLibrary(SetRecordLength(length), "SetRecordLength", value);
    if (r.refused()) return r;
    const auto kept = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(std::max(pre, 0)));
    return ByLibrary(SetPostSamples(length - kept), "SetPostSamples", value);
}

// The highest rate with the channels that are on: both converters take channel 1 alone at
// twice their rate.
double HighestRate() {
    std::uint8_t mode = 0;
    const double single = GetMaxSampleFrequencyF();
    return GetMeasureMode(&mode) == RC_OK && mode == mCh1 && single > 0 ? 2 * single : single;
}

// A time per division that the screen's ten divisions show exactly: the rate and the record
// length that fill them, the length as near the one set as the clock allows. One that no rate
// and length fill to a hundredth is refused, so that the knob says why rather than landing
// somewhere else.
Refusal SetTimePerDiv(const json& value) {
    const double perDiv = value.get<double>();
    analysis::TimeBaseLimits limits;
    limits.maxLength = std::max(GetMaxRecordLength(), 1);
    limits.maxRate = HighestRate();
    const analysis::TimeBase base = analysis::FillDivisions(perDiv, GetRecordLength(), limits);
    if (!analysis::Fills(base, perDiv, 0.01)) {
        std::string nearest;
        if (base.rate > 0) {
            nearest = " (the nearest is " +
                      core::FormatSi(analysis::TimePerDivision(base.rate, base.length), "s", 3) +
                      "/div)";
        }
        return {"no rate the clock makes fills ten divisions of " + core::FormatSi(perDiv, "s", 3) +
                    " with 1 to " + std::to_string(limits.maxLength) + " samples" + nearest,
                0};
    }
    double rate = base.rate;
    const Refusal r = ByLibrary(SetSampleFrequencyF(&rate), "SetSampleFrequencyF", value);
    if (r.refused()) return r;
    return SetLengthKeepingPre(static_cast<std::uint32_t>(base.length), value);
}

}  // namespace

void AddTimebase(std::vector<Setting>& table) {
    table.push_back({"rate",
                     Kind::Number,
                     1,
                     50e6,
                     {},
                     "sample rate",
                     "Hz",
                     "SetSampleFrequencyF",
                     "GetSampleFrequencyF",
                     false,
                     [](const json& v, LoopControls&) {
                         double rate = v.get<double>();
                         return ByLibrary(SetSampleFrequencyF(&rate), "SetSampleFrequencyF", v);
                     },
                     [](const LoopControls&) -> json { return GetSampleFrequencyF(); }});
    table.push_back({"length",
                     Kind::Integer,
                     1,
                     32760,
                     {},
                     "record length",
                     "samples",
                     "SetRecordLength",
                     "GetRecordLength",
                     false,
                     [](const json& v, LoopControls&) {
                         return SetLengthKeepingPre(v.get<std::uint32_t>(), v);
                     },
                     [](const LoopControls&) -> json { return GetRecordLength(); }});
    table.push_back({"timePerDiv",
                     Kind::Number,
                     1e-8,
                     1e4,
                     {},
                     "time/div",
                     "s",
                     "SetSampleFrequencyF, SetRecordLength",
                     "GetSampleFrequencyF, GetRecordLength",
                     true,
                     [](const json& v, LoopControls&) { return SetTimePerDiv(v); },
                     // The record's span over the ten divisions the screen shows it on.
                     [](const LoopControls&) -> json {
                         const double rate = GetSampleFrequencyF();
                         if (!(rate > 0)) return nullptr;
                         return analysis::TimePerDivision(rate, GetRecordLength());
                     }});
    table.push_back(
        {"pre",
         Kind::Integer,
         0,
         32760,
         {},
         "pre-trigger",
         "samples",
         "SetPostSamples",
         "GetPostSamples",
         false,
         [](const json& v, LoopControls&) -> Refusal {
             const std::int32_t length = GetRecordLength();
             const auto pre = v.get<std::int32_t>();
             if (pre > length) {
                 return {"pre-trigger samples (" + v.dump() + ") exceed the record length of " +
                             std::to_string(length),
                         0};
             }
             const auto post = static_cast<std::uint32_t>(length - pre);
             return ByLibrary(SetPostSamples(post), "SetPostSamples", v);
         },
         [](const LoopControls&) -> json { return GetRecordLength() - GetPostSamples(); }});
}

}  // namespace zarvo::station
