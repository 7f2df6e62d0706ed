// SPDX-License-Identifier: MIT
// --settings FILE on capture and monitor: the option, and merging the file after parsing.
#include "tools/cli/settings_file_option.h"

#include <CLI/CLI.hpp>

#include "tools/cli/settings_keys.h"
#include "tools/station/settings_file.h"

namespace zarvo::cli {

SettingsFileOption::SettingsFileOption(CLI::App& command, core::MeasureSettings& settings,
                                       std::string* decodeSpec)
    : command_(command), settings_(settings), decodeSpec_(decodeSpec) {
    command.add_option("--settings", path_,
                       "measure with the settings in this JSON file (the view's Save settings); "
                       "options given here win");
}

void SettingsFileOption::Merge() const {
    if (path_.empty()) return;
    const nlohmann::json file = station::ReadSettingsFile(path_);
    MergeInto(file, path_, settings_,
              [this](const std::string& option) { return command_.count(option) > 0; });
    if (decodeSpec_ != nullptr && command_.count("--decode") == 0) {
        *decodeSpec_ = station::DecodeSpecOf(file, path_);
    }
}

}  // namespace zarvo::cli
