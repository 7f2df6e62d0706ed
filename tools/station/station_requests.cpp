// SPDX-License-Identifier: MIT
// Settings requests on the station: applied on the instrument's thread, undone on a refusal,
// and Start again.
#include <functional>
#include <string>

#include "tools/core/status.h"
#include "tools/station/settings_table.h"
#include "tools/station/station.h"
#include "zarvo.h"

namespace zarvo::station {

using json = nlohmann::json;

ApplyResult Station::Request(const std::string& whileShowing,
                             const std::function<ApplyResult()>& request) {
    if (!showing_.empty()) return RefuseWhileShowing(whileShowing);
    ApplyResult result{Outcome::Closing, {{"error", "the instrument's station is shutting down"}}};
    RunOnInstrument([&] { result = request(); });
    return result;
}

namespace {

bool OnlyDecodeRows(const json& settings) {
    if (!settings.is_object() || settings.empty()) return false;
    for (const auto& [key, value] : settings.items()) {
        if (key.rfind("decode.", 0) != 0) return false;
    }
    return true;
}

}  // namespace

ApplyResult Station::Apply(const json& settings) {
    if (!showing_.empty() && OnlyDecodeRows(settings)) {
        // A saved record decodes as a measured one does: these rows touch no instrument, and
        // no instrument thread runs while a saved record is shown.
        LoopControls next = controls_;
        for (const Setting& setting : SettingsTable()) {
            if (!settings.contains(setting.key)) continue;
            std::string problem = ProblemWith(setting, settings[setting.key]);
            if (problem.empty()) problem = setting.apply(settings[setting.key], next).sentence;
            if (!problem.empty()) {
                PutDecodeInForce(controls_.decode);
                return {Outcome::Refused, {{"error", problem}}};
            }
        }
        controls_ = next;
        json body;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [key, value] : settings.items()) {
                state_["settings"][key] = FindSetting(key)->read(controls_);
            }
            state_["version"] = ++stateVersion_;
            body = state_;
        }
        changed_.notify_all();
        return {Outcome::Applied, body};
    }
    std::uint64_t completedBefore = 0;
    return ApplyCounting(settings, completedBefore);
}

ApplyResult Station::Restart() {
    return Request("start zarvo view without --open to measure", [&] { return RestartHere(); });
}

ApplyResult Station::RestartHere() {
    controls_.acquire = "run";
    if (!desired_.empty()) desired_["acquire"] = "run";
    if (everOpened_) {
        CloseHere();
        lost_ = false;
        status_["error"] = {{"text", "starting again"}};
        RefreshState();
        restartRequested_ = true;
        return {Outcome::AppliedLater, State()};
    }
    CloseHere();
    if (OpenHere()) return {Outcome::Applied, State()};
    return {Outcome::Refused,
            {{"error", status_["error"].value("text", "")},
             {"status", core::StatusName(RC_NO_INSTRUMENT)}}};
}

ApplyResult Station::ApplyHere(const json& settings) {
    auto refuse = [&](const std::string& sentence, std::uint16_t status) {
        SetError(sentence, status);
        json body = {{"error", sentence}};
        if (status != RC_OK) body["status"] = core::StatusName(status);
        return ApplyResult{Outcome::Refused, body};
    };
    if (!settings.is_object() || settings.empty()) {
        return refuse("the body must be a JSON object naming at least one setting", RC_OK);
    }
    for (const auto& [key, value] : settings.items()) {
        const Setting* setting = FindSetting(key);
        if (setting == nullptr) return refuse("there is no setting called \"" + key + "\"", 0);
        const std::string problem = ProblemWith(*setting, value);
        if (!problem.empty()) return refuse(problem, RC_OK);
    }
    // Starting again after the instrument was lost or not found opens it anew.
    const std::string acquire = settings.value("acquire", "");
    if ((acquire == "run" || acquire == "single") && (!open_ || lost_)) return RestartHere();
    if (!open_ || lost_) {
        return refuse("no instrument answers; Run or Start again opens it anew", RC_NO_INSTRUMENT);
    }
    // In the table's order, so that a channel is on before its range is set and the record
    // length is known before the pre-trigger samples.
    std::vector<std::pair<const Setting*, json>> applied;
    const json desiredBefore = desired_;
    for (const Setting& setting : SettingsTable()) {
        if (!settings.contains(setting.key)) continue;
        const json before = setting.read(controls_);
        const Refusal refusal = setting.apply(settings[setting.key], controls_);
        if (refusal.refused()) {
            for (auto it = applied.rbegin(); it != applied.rend(); ++it) {
                if (!it->second.is_null()) it->first->apply(it->second, controls_);
            }
            RefreshState();
            return refuse(refusal.sentence, refusal.status);
        }
        applied.emplace_back(&setting, before);
    }
    for (const Setting& setting : SettingsTable()) {
        if (setting.derived) continue;
        const json value = setting.read(controls_);
        if (!value.is_null()) desired_[setting.key] = value;
    }
    SettingsMoved(desiredBefore);
    RefreshState();
    return {Outcome::Applied, State()};
}

}  // namespace zarvo::station
