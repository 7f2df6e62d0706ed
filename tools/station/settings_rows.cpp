// SPDX-License-Identifier: MIT
// The settings table's rows by family: each channel, the timebase, the trigger, the acquisition.
#include "tools/station/settings_rows.h"

#include <cmath>

#include "tools/core/measure_settings.h"
#include "tools/core/numbers.h"
#include "tools/core/setting_names.h"
#include "tools/core/status.h"
#include "zarvo.h"

namespace zarvo::station {

Refusal ByLibrary(std::uint16_t status, const std::string& call, const nlohmann::json& value) {
    if (status == RC_OK) return {};
    return {call + " did not take " + value.dump() + ": " + core::StatusMeaning(status) + " (" +
                core::StatusName(status) + ")",
            status};
}

namespace {

using json = nlohmann::json;

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

// The instrument's volts at the probe tip (null stays null).
json AtTip(const json& volts, double probe) {
    return volts.is_null() ? volts : json(volts.get<double>() * probe);
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
    const std::size_t k = ch - 1u;
    table.push_back({prefix + "range",
                     Kind::Number,
                     0.2 * core::kMinProbe,
                     80 * core::kMaxProbe,
                     {},
                     "range " + n,
                     "V",
                     "SetSensitivity",
                     "GetSensitivity",
                     false,
                     [ch, k, prefix](const json& v, LoopControls& loop) {
                         InputVolts in = AtInput(prefix + "range", v.get<double>(), loop.probe[k],
                                                 0.2, 80, "V");
                         if (in.refusal.refused()) return in.refusal;
                         return ByLibrary(SetSensitivity(ch, &in.volts), "SetSensitivity", v);
                     },
                     [ch, k](const LoopControls& loop) {
                         return AtTip(ReadDouble([&](double* v) { return GetSensitivity(ch, v); }),
                                      loop.probe[k]);
                     }});
    table.push_back({prefix + "coupling", Kind::Choice, 0, 0, core::NamesOf(core::kCouplings),
                     "coupling " + n, "", "SetCoupling", "GetCoupling", false,
                     [ch](const json& v, LoopControls&) {
                         const std::uint8_t code =
                             core::CodeNamed(core::kCouplings, v.get<std::string>()).value_or(0);
                         return ByLibrary(SetCoupling(ch, code), "SetCoupling", v);
                     },
                     [ch](const LoopControls&) -> json {
                         std::uint8_t code = 0;
                         if (GetCoupling(ch, &code) != RC_OK) return nullptr;
                         return core::NameOfCode(core::kCouplings, code).value_or("dc");
                     }});
    table.push_back(
        {prefix + "dcLevel",
         Kind::Number,
         -160 * core::kMaxProbe,
         160 * core::kMaxProbe,
         {},
         "DC level " + n,
         "V",
         "SetDcLevel",
         "GetDcLevel",
         false,
         [ch, k, prefix](const json& v, LoopControls& loop) {
             const InputVolts in =
                 AtInput(prefix + "dcLevel", v.get<double>(), loop.probe[k], -160, 160, "V");
             if (in.refusal.refused()) return in.refusal;
             return ByLibrary(SetDcLevel(ch, in.volts), "SetDcLevel", v);
         },
         [ch, k](const LoopControls& loop) {
             return AtTip(ReadDouble([&](double* v) { return GetDcLevel(ch, v); }), loop.probe[k]);
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

void AddTrigger(std::vector<Setting>& table) {
    table.push_back(
        {"trigger.source", Kind::Choice, 0, 0, core::NamesOf(core::kTriggerSources),
         "trigger source", "", "SetTriggerSource", "GetTriggerSource", false,
         [](const json& v, LoopControls&) {
             const std::uint8_t code =
                 core::CodeNamed(core::kTriggerSources, v.get<std::string>()).value_or(tsCh1);
             return ByLibrary(SetTriggerSource(code), "SetTriggerSource", v);
         },
         [](const LoopControls&) -> json {
             std::uint8_t code = 0;
             if (GetTriggerSource(&code) != RC_OK) return nullptr;
             if (const auto name = core::NameOfCode(core::kTriggerSources, code)) {
                 return *name;
             }
             return "source " + std::to_string(code);
         }});
    table.push_back({"trigger.slope", Kind::Choice, 0, 0, core::NamesOf(core::kSlopes), "slope", "",
                     "SetTriggerMode", "GetTriggerModeCh", false,
                     [](const json& v, LoopControls&) {
                         const std::uint8_t mode =
                             core::CodeNamed(core::kSlopes, v.get<std::string>()).value_or(0);
                         return ByLibrary(SetTriggerMode(mode), "SetTriggerMode", v);
                     },
                     [](const LoopControls&) -> json {
                         std::uint8_t mode = 0;
                         if (GetTriggerModeCh(1, &mode) != RC_OK) return nullptr;
                         if (const auto name = core::NameOfCode(core::kSlopes, mode)) return *name;
                         return "mode " + std::to_string(mode);
                     }});
    // The levels are in the volts of the comparator's channel at its probe tip.
    table.push_back({"trigger.level",
                     Kind::Number,
                     -80 * core::kMaxProbe,
                     80 * core::kMaxProbe,
                     {},
                     "trigger level",
                     "V",
                     "SetTriggerLevel",
                     "GetTriggerLevel",
                     false,
                     [](const json& v, LoopControls& loop) {
                         const std::uint8_t ch = TriggerChannel();
                         const InputVolts in = AtInput("trigger.level", v.get<double>(),
                                                       loop.probe[ch - 1u], -80, 80, "V");
                         if (in.refusal.refused()) return in.refusal;
                         return ByLibrary(SetTriggerLevel(ch, in.volts), "SetTriggerLevel", v);
                     },
                     [](const LoopControls& loop) {
                         const std::uint8_t ch = TriggerChannel();
                         return AtTip(ReadDouble([&](double* v) { return GetTriggerLevel(ch, v); }),
                                      loop.probe[ch - 1u]);
                     }});
    table.push_back({"trigger.hysteresis",
                     Kind::Number,
                     0,
                     80 * core::kMaxProbe,
                     {},
                     "hysteresis",
                     "V",
                     "SetTriggerHys",
                     "GetTriggerHys",
                     false,
                     [](const json& v, LoopControls& loop) {
                         const std::uint8_t ch = TriggerChannel();
                         const InputVolts in = AtInput("trigger.hysteresis", v.get<double>(),
                                                       loop.probe[ch - 1u], 0, 80, "V");
                         if (in.refusal.refused()) return in.refusal;
                         return ByLibrary(SetTriggerHys(ch, in.volts), "SetTriggerHys", v);
                     },
                     [](const LoopControls& loop) {
                         const std::uint8_t ch = TriggerChannel();
                         return AtTip(ReadDouble([&](double* v) { return GetTriggerHys(ch, v); }),
                                      loop.probe[ch - 1u]);
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
    AddProbes(table);
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
    AddAverage(table);
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
    AddDecode(table);
    return table;
}

}  // namespace zarvo::station
