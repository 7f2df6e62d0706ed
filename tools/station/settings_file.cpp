// SPDX-License-Identifier: MIT
// Settings files: reading one whole and checked, and the decode setting its keys make.
#include "tools/station/settings_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "tools/core/numbers.h"
#include "tools/core/status.h"
#include "tools/station/settings_table.h"

namespace zarvo::station {

using json = nlohmann::json;

[[noreturn]] void RefuseSettingsFile(const std::string& from, const std::string& sentence) {
    throw core::ToolError("the settings file " + from + ": " + sentence + "; nothing was applied",
                          2);
}

json ReadSettingsFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) RefuseSettingsFile(path, std::string("cannot be read (") + std::strerror(errno) + ")");
    json file;
    try {
        file = json::parse(in);
    } catch (const json::parse_error& e) {
        RefuseSettingsFile(path, "is not valid JSON (byte " + std::to_string(e.byte) + ")");
    }
    if (!file.is_object()) RefuseSettingsFile(path, "must hold one JSON object of settings");
    for (const auto& [key, value] : file.items()) {
        const Setting* setting = FindSetting(key);
        if (setting == nullptr) {
            RefuseSettingsFile(
                path, "there is no setting called \"" + key +
                          "\" (the keys are those the view's Save settings writes, such as "
                          "ch1.range, rate and trigger.level)");
        }
        const std::string problem = ProblemWith(*setting, value);
        if (!problem.empty()) RefuseSettingsFile(path, problem);
    }
    return file;
}

std::string DecodeSpecOf(const json& file, const std::string& from) {
    LoopControls controls;
    for (const Setting& setting : SettingsTable()) {
        if (setting.key.rfind("decode.", 0) != 0 || !file.contains(setting.key)) continue;
        const Refusal refusal = setting.apply(file[setting.key], controls);
        if (refusal.refused()) RefuseSettingsFile(from, refusal.sentence);
    }
    return DecodeSpec(controls.decode);
}

}  // namespace zarvo::station
