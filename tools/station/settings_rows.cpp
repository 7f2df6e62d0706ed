// The settings table's rows by family: each channel, the timebase, the trigger, the acquisition.
#include "tools/station/settings_rows.h"

#include <cmath>

#include "tools/core/numbers.h"
#include "tools/analysis/time_base.h"
#include "tools/core/status.h"
#include "zarvo.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;

struct SourceName {
    std::uint8_t code;
    const char* name;
};
constexpr SourceName kSources[] = {{tsCh1, "ch1"}, {tsCh2, "ch2"}, {tsExternal, "ext"},
                                   {tsAnd, "and"}, {tsOr, "or"},   {tsNoTrig, "none"}};

Refusal ByLibrary(std::uint16_t status, const std::string& call, const json& value) {
    if (status == RC_OK) return {};
    return {call + " did not take " + value.dump() + ": " + cli::StatusMeaning(status) + " (" +
                cli::StatusName(status) + ")",
            status};
}

// The comparator whose level and hysteresis the trigger uses: channel 2's for its own source,
// channel 1's for every other.
std::uint8_t TriggerChannel() {
    std::uint8_t source = tsCh1;
    GetTriggerSource(&source);
    return source == tsCh2 ? 2 : 1;
}

// Reads a value through a getter export: null when the export refuses.
template <typename Getter>
json ReadDouble(Getter getter) {
    double value = 0;
    return getter(&value) == RC_OK ? json(value) : json(nullptr);
}

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
    cli::TimeBaseLimits limits;
    limits.maxLength = std::max(GetMaxRecordLength(), 1);
    limits.maxRate = HighestRate();
    const cli::TimeBase base = cli::FillDivisions(perDiv, GetRecordLength(), limits);
    if (!cli::Fills(base, perDiv, 0.01)) {
        std::string nearest;
        if (base.rate > 0) {
            nearest = " (the nearest is " +
                      cli::FormatSi(cli::TimePerDivision(base.rate, base.length), "s", 3) + "/div)";
        }
        return {"no rate the clock makes fills ten divisions of " + cli::FormatSi(perDiv, "s", 3) +
                    " with 1 to " + std::to_string(limits.maxLength) + " samples" + nearest,
                0};
    }
    double rate = base.rate;
    const Refusal r = ByLibrary(SetSampleFrequencyF(&rate), "SetSampleFrequencyF", value);
    if (r.refused()) return r;
    return SetLengthKeepingPre(static_cast<std::uint32_t>(base.length), value);
}

void AddChannel(std::vector<Setting>& table, std::uint8_t ch) {
    const std::string n = std::to_string(ch);
    const std::string prefix = "ch" + n + ".";
    const std::uint8_t bit = ch == 1 ? mCh1 : mCh2;
    table.push_back({prefix + "on",
                     Kind::Boolean,
                     0,
                     0,
                     {},
                     "channel " + n,
                     "",
                     "SetMeasureMode",
                     "GetMeasureMode",
                     false,
                     [bit](const json& v, LoopControls&) -> Refusal {
                         std::uint8_t mode = 0;
                         GetMeasureMode(&mode);
                         const auto next = static_cast<std::uint8_t>(
                             v.get<bool>() ? (mode | bit) : (mode & ~bit & (mCh1 | mCh2)));
                         if (next == mNone) return {"at least one channel must stay on", 0};
                         return ByLibrary(SetMeasureMode(next), "SetMeasureMode", v);
                     },
                     [bit](const LoopControls&) -> json {
                         std::uint8_t mode = 0;
                         if (GetMeasureMode(&mode) != RC_OK) return nullptr;
                         return (mode & bit) != 0;
                     }});
    table.push_back({prefix + "range",
                     Kind::Number,
                     0.2,
                     80,
                     {},
                     "range " + n,
                     "V",
                     "SetSensitivity",
                     "GetSensitivity",
                     false,
                     [ch](const json& v, LoopControls&) {
                         double range = v.get<double>();
                         return ByLibrary(SetSensitivity(ch, &range), "SetSensitivity", v);
                     },
                     [ch](const LoopControls&) {
                         return ReadDouble([&](double* v) { return GetSensitivity(ch, v); });
                     }});
    table.push_back({prefix + "coupling",
                     Kind::Choice,
                     0,
                     0,
                     {"dc", "ac"},
                     "coupling " + n,
                     "",
                     "SetCoupling",
                     "GetCoupling",
                     false,
                     [ch](const json& v, LoopControls&) {
                         const std::uint8_t code = v.get<std::string>() == "ac" ? 1 : 0;
                         return ByLibrary(SetCoupling(ch, code), "SetCoupling", v);
                     },
                     [ch](const LoopControls&) -> json {
                         std::uint8_t code = 0;
                         if (GetCoupling(ch, &code) != RC_OK) return nullptr;
                         return code == 1 ? "ac" : "dc";
                     }});
    table.push_back({prefix + "dcLevel",
                     Kind::Number,
                     -160,
                     160,
                     {},
                     "DC level " + n,
                     "V",
                     "SetDcLevel",
                     "GetDcLevel",
                     false,
                     [ch](const json& v, LoopControls&) {
                         return ByLibrary(SetDcLevel(ch, v.get<double>()), "SetDcLevel", v);
                     },
                     [ch](const LoopControls&) {
                         return ReadDouble([&](double* v) { return GetDcLevel(ch, v); });
                     }});
    table.push_back({prefix + "autoRange",
                     Kind::Boolean,
                     0,
                     0,
                     {},
                     "auto range " + n,
                     "",
                     "SetAutoRanging",
                     "GetAutoRanging",
                     false,
                     [ch](const json& v, LoopControls&) {
                         const std::uint8_t on = v.get<bool>() ? 1 : 0;
                         return ByLibrary(SetAutoRanging(ch, on), "SetAutoRanging", v);
                     },
                     [ch](const LoopControls&) -> json {
                         std::uint8_t on = 0;
                         if (GetAutoRanging(ch, &on) != RC_OK) return nullptr;
                         return on != 0;
                     }});
}

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
                         return cli::TimePerDivision(rate, GetRecordLength());
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

void AddTrigger(std::vector<Setting>& table) {
    std::vector<std::string> sources;
    for (const SourceName& s : kSources) sources.emplace_back(s.name);
    table.push_back({"trigger.source", Kind::Choice, 0, 0, sources, "trigger source", "",
                     "SetTriggerSource", "GetTriggerSource", false,
                     [](const json& v, LoopControls&) {
                         std::uint8_t code = tsCh1;
                         for (const SourceName& s : kSources) {
                             if (v.get<std::string>() == s.name) code = s.code;
                         }
                         return ByLibrary(SetTriggerSource(code), "SetTriggerSource", v);
                     },
                     [](const LoopControls&) -> json {
                         std::uint8_t code = 0;
                         if (GetTriggerSource(&code) != RC_OK) return nullptr;
                         for (const SourceName& s : kSources) {
                             if (s.code == code) return s.name;
                         }
                         return "source " + std::to_string(code);
                     }});
    // Mode 0 keeps the hysteresis band below the level (a rising edge through it), mode 1
    // above it (a falling edge).
    table.push_back({"trigger.slope",
                     Kind::Choice,
                     0,
                     0,
                     {"rising", "falling"},
                     "slope",
                     "",
                     "SetTriggerMode",
                     "GetTriggerModeCh",
                     false,
                     [](const json& v, LoopControls&) {
                         const std::uint8_t mode = v.get<std::string>() == "falling" ? 1 : 0;
                         return ByLibrary(SetTriggerMode(mode), "SetTriggerMode", v);
                     },
                     [](const LoopControls&) -> json {
                         std::uint8_t mode = 0;
                         if (GetTriggerModeCh(1, &mode) != RC_OK) return nullptr;
                         if (mode <= 1) return mode == 1 ? "falling" : "rising";
                         return "mode " + std::to_string(mode);
                     }});
    table.push_back({"trigger.level",
                     Kind::Number,
                     -80,
                     80,
                     {},
                     "trigger level",
                     "V",
                     "SetTriggerLevel",
                     "GetTriggerLevel",
                     false,
                     [](const json& v, LoopControls&) {
                         return ByLibrary(SetTriggerLevel(TriggerChannel(), v.get<double>()),
                                          "SetTriggerLevel", v);
                     },
                     [](const LoopControls&) {
                         return ReadDouble(
                             [&](double* v) { return GetTriggerLevel(TriggerChannel(), v); });
                     }});
    table.push_back(
        {"trigger.hysteresis",
         Kind::Number,
         0,
         80,
         {},
         "hysteresis",
         "V",
         "SetTriggerHys",
         "GetTriggerHys",
         false,
         [](const json& v, LoopControls&) {
             return ByLibrary(SetTriggerHys(TriggerChannel(), v.get<double>()), "SetTriggerHys", v);
         },
         [](const LoopControls&) {
             return ReadDouble([&](double* v) { return GetTriggerHys(TriggerChannel(), v); });
         }});
    table.push_back({"trigger.timeout",
                     Kind::Number,
                     -1,
                     4294967,
                     {},
                     "time-out",
                     "s",
                     "SetTriggerTimeOut",
                     "GetTriggerTimeOut",
                     false,
                     [](const json& v, LoopControls&) {
                         // Any negative value waits for ever (all bits set).
                         const double seconds = v.get<double>();
                         const std::uint32_t ms =
                             seconds < 0 ? 0xFFFFFFFFu
                                         : static_cast<std::uint32_t>(std::lround(seconds * 1000));
                         return ByLibrary(SetTriggerTimeOut(ms), "SetTriggerTimeOut", v);
                     },
                     [](const LoopControls&) -> json {
                         const std::int32_t ms = GetTriggerTimeOut();
                         return ms < 0 ? -1.0 : ms / 1000.0;
                     }});
}

}  // namespace

std::vector<Setting> MakeTable() {
    std::vector<Setting> table;
    AddChannel(table, 1);
    AddChannel(table, 2);
    AddTimebase(table);
    AddTrigger(table);
    table.push_back({"generator",
                     Kind::Number,
                     0,
                     100000,
                     {},
                     "generator",
                     "Hz",
                     "SetSquareWaveGenFrequency",
                     "GetSquareWaveGenFrequency",
                     false,
                     [](const json& v, LoopControls&) {
                         // 0 switches the output off.
                         auto hz = static_cast<std::uint32_t>(std::lround(v.get<double>()));
                         return ByLibrary(SetSquareWaveGenFrequency(&hz),
                                          "SetSquareWaveGenFrequency", v);
                     },
                     [](const LoopControls&) -> json { return GetSquareWaveGenFrequency(); }});
    table.push_back({"acquire",
                     Kind::Choice,
                     0,
                     0,
                     {"run", "stop", "single"},
                     "acquisition",
                     "",
                     "",
                     "",
                     false,
                     [](const json& v, LoopControls& loop) {
                         loop.acquire = v.get<std::string>();
                         return Refusal{};
                     },
                     [](const LoopControls& loop) -> json { return loop.acquire; }});
    return table;
}

}  // namespace zarvo::station
