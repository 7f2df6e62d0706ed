// SPDX-License-Identifier: MIT
// A station that shows one saved record (zarvo view --open) instead of measuring: the record
// is kept like a taken one, so the page, its figures, spectrum and downloads work on it as on
// any record, while every request for the instrument is refused in words.
#include "tools/analysis/time_base.h"
#include "tools/core/numbers.h"
#include "tools/station/station.h"
#include "tools/station/wall_clock.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;

// The settings the record was taken with, as far as it shows them, for the page's controls
// and knobs; stopped, since nothing runs.
json SettingsShown(const TakenRecord& record) {
    const auto length = static_cast<std::int64_t>(record.size());
    json settings = {
        {"rate", record.rate}, {"length", record.size()},
        {"pre", record.pre},   {"timePerDiv", analysis::TimePerDivision(record.rate, length)},
        {"ch1.on", false},     {"ch2.on", false},
        {"acquire", "stop"}};
    for (const TakenTrace& t : record.traces) {
        const std::string prefix = "ch" + std::to_string(t.channel) + ".";
        settings[prefix + "on"] = true;
        settings[prefix + "range"] = t.range;
        settings["probe" + std::to_string(t.channel)] = t.probe;
    }
    const core::TriggerInfo& trigger = record.trigger;
    if (!trigger.source.empty()) {
        settings["trigger.source"] = trigger.source;
        settings["trigger.slope"] = trigger.falling ? "falling" : "rising";
        if (trigger.levelChannel != 0) settings["trigger.level"] = trigger.level;
    }
    return settings;
}

}  // namespace

void Station::ShowRecord(TakenRecord record, const std::string& path) {
    showing_ = "showing " + path + ", a saved record: no instrument is in use";
    record.readoutMs = EpochMs();
    {
        std::lock_guard lock(mutex_);
        record.seq = ++seq_;
    }
    desired_ = SettingsShown(record);
    status_ = {
        {"found", false}, {"file", {{"path", path}, {"text", showing_}}}, {"ranges", kInputRanges}};
    Publish(std::make_shared<const TakenRecord>(std::move(record)));
    RefreshState();
}

ApplyResult Station::RefuseWhileShowing(const std::string& what) const {
    return {Outcome::Refused, {{"error", showing_ + "; " + what}}};
}

}  // namespace zarvo::station
