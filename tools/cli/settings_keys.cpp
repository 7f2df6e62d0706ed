// SPDX-License-Identifier: MIT
// Each settings-table key with the command-line options it stands for, and merging a settings
// file under the options given.
#include "tools/cli/settings_keys.h"

#include <vector>

#include "tools/analysis/time_base.h"
#include "tools/core/numbers.h"
#include "tools/station/settings_file.h"
#include "tools/station/settings_table.h"

namespace zarvo::cli {

namespace {

using json = nlohmann::json;

void SetChannelOn(core::MeasureSettings& s, int ch, bool on) {
    bool one = s.channels != "2";
    bool two = s.channels != "1";
    (ch == 1 ? one : two) = on;
    // Both off is refused once the whole file is in (see MergeInto).
    s.channels = one && two ? "both" : (two ? "2" : (one ? "1" : ""));
}

// The rate and record length that fill the ten divisions of `perDiv` exactly, as the view's
// time/div knob sets them; a rate of 0 when no rate the clock makes fills them to a
// hundredth, which MergeInto refuses. A length given on the command line stays, with the rate
// that comes nearest.
void FillTimePerDiv(double perDiv, bool lengthGiven, core::MeasureSettings& s) {
    analysis::TimeBaseLimits limits;
    limits.maxRate = s.channels == "1" ? 50e6 : 25e6;  // both converters on channel 1 alone
    if (lengthGiven) limits.minLength = limits.maxLength = s.length;
    const analysis::TimeBase base = analysis::FillDivisions(perDiv, s.length, limits);
    s.rate = lengthGiven || analysis::Fills(base, perDiv, 0.01) ? base.rate : 0;
    if (s.rate > 0) s.length = base.length;
}

// One settings-table key as capture and monitor take it: the command-line options that set
// the same thing (given on the command line, they win) and where it goes in MeasureSettings.
struct MeasureRow {
    std::string key;
    std::vector<std::string> options;
    std::function<void(const json&, core::MeasureSettings&)> apply;
};

void AddChannelRows(std::vector<MeasureRow>& rows, int ch) {
    const std::string n = std::to_string(ch);
    const auto i = static_cast<std::size_t>(ch - 1);
    rows.push_back(
        {"ch" + n + ".on", {"--channels"}, [ch](const json& v, core::MeasureSettings& s) {
             SetChannelOn(s, ch, v.get<bool>());
         }});
    rows.push_back(
        {"ch" + n + ".range", {"--range" + n}, [i](const json& v, core::MeasureSettings& s) {
             s.channel[i].range = v.get<double>();
         }});
    rows.push_back(
        {"ch" + n + ".coupling", {"--coupling" + n}, [i](const json& v, core::MeasureSettings& s) {
             s.channel[i].coupling = v.get<std::string>();
         }});
    rows.push_back(
        {"ch" + n + ".dcLevel", {"--dc-level" + n}, [i](const json& v, core::MeasureSettings& s) {
             s.channel[i].dcLevel = v.get<double>();
         }});
    rows.push_back({"probe" + n, {"--probe" + n}, [i](const json& v, core::MeasureSettings& s) {
                        s.channel[i].probe = v.get<double>();
                    }});
    // The command line has one switch for both channels: either channel's asks for it.
    rows.push_back(
        {"ch" + n + ".autoRange", {"--auto-range"}, [](const json& v, core::MeasureSettings& s) {
             s.autoRange = s.autoRange || v.get<bool>();
         }});
}

const std::vector<MeasureRow>& MeasureRows() {
    static const std::vector<MeasureRow> rows = [] {
        std::vector<MeasureRow> r;
        AddChannelRows(r, 1);
        AddChannelRows(r, 2);
        r.push_back({"rate", {"--rate"}, [](const json& v, core::MeasureSettings& s) {
                         s.rate = v.get<double>();
                     }});
        r.push_back({"length", {"--length"}, [](const json& v, core::MeasureSettings& s) {
                         s.length = v.get<std::int64_t>();
                     }});
        // The rate and length that fill the ten divisions (MergeInto keeps a --length).
        r.push_back({"timePerDiv", {"--rate"}, [](const json& v, core::MeasureSettings& s) {
                         FillTimePerDiv(v.get<double>(), false, s);
                     }});
        r.push_back({"pre", {"--pre", "--post"}, [](const json& v, core::MeasureSettings& s) {
                         s.pre = v.get<std::int64_t>();
                         s.post.reset();
                     }});
        r.push_back({"trigger.source", {"--trigger"}, [](const json& v, core::MeasureSettings& s) {
                         s.trigger = v.get<std::string>();
                     }});
        r.push_back({"trigger.slope", {"--slope"}, [](const json& v, core::MeasureSettings& s) {
                         s.slope = v.get<std::string>();
                     }});
        r.push_back({"trigger.level", {"--level"}, [](const json& v, core::MeasureSettings& s) {
                         s.level = v.get<double>();
                     }});
        r.push_back(
            {"trigger.hysteresis", {"--hysteresis"}, [](const json& v, core::MeasureSettings& s) {
                 s.hysteresis = v.get<double>();
             }});
        r.push_back({"trigger.timeout", {"--timeout"}, [](const json& v, core::MeasureSettings& s) {
                         s.timeout = v.get<double>();
                     }});
        r.push_back({"generator", {}, [](const json& v, core::MeasureSettings& s) {
                         s.generator = v.get<double>();
                     }});
        // Capture writes the mean of that many records (--average wins); monitor measures each.
        r.push_back({"average", {}, [](const json& v, core::MeasureSettings& s) {
                         const double n = v.get<double>();  // checked against its row: 1..256
                         if (n >= 1 && n <= 256) s.average = static_cast<int>(n);
                     }});
        // Run, stop or single is the view's own loop; a command takes its records regardless.
        r.push_back({"acquire", {}, [](const json&, core::MeasureSettings&) {}});
        return r;
    }();
    return rows;
}

// "32760": the longest record the settings table takes.
std::string LongestRecord() {
    return std::to_string(static_cast<std::int64_t>(station::FindSetting("length")->max));
}

}  // namespace

void MergeInto(const json& file, const std::string& from, core::MeasureSettings& settings,
               const std::function<bool(const std::string&)>& given) {
    core::MeasureSettings merged = settings;
    // In the settings table's order: the record length before the time per division that
    // depends on it.
    for (const station::Setting& setting : station::SettingsTable()) {
        if (!file.contains(setting.key)) continue;
        // The view's decode setting: a command takes it as its --decode (DecodeSpecOf).
        if (setting.key.rfind("decode.", 0) == 0) continue;
        const MeasureRow* row = nullptr;
        for (const MeasureRow& r : MeasureRows()) {
            if (r.key == setting.key) row = &r;
        }
        if (row == nullptr)
            station::RefuseSettingsFile(from,
                                        setting.key + " has no meaning for capture and monitor");
        bool onCommandLine = false;
        for (const std::string& option : row->options)
            onCommandLine = onCommandLine || given(option);
        if (onCommandLine) continue;
        if (setting.key == "timePerDiv" && given("--length")) {
            FillTimePerDiv(file[setting.key].get<double>(), true, merged);
        } else {
            row->apply(file[setting.key], merged);
        }
    }
    if (merged.channels.empty())
        station::RefuseSettingsFile(from, "ch1.on and ch2.on leave no channel on");
    if (!(merged.rate > 0)) {
        station::RefuseSettingsFile(
            from, "no rate the clock makes fills ten divisions of timePerDiv " +
                      core::FormatSi(file.value("timePerDiv", 0.0), "s", 3) +
                      (given("--length") ? " with " + std::to_string(merged.length)
                                         : " with 1 to " + LongestRecord()) +
                      " samples");
    }
    settings = merged;
}

}  // namespace zarvo::cli
