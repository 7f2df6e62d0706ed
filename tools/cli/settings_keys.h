// SPDX-License-Identifier: MIT
// The settings table's keys as capture and monitor take them from a settings file: for each
// key the command-line options that set the same thing, and where it goes in the settings
// these commands apply. This is the one place the options meet the keys.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/core/measure_settings.h"

namespace zarvo::cli {

// Puts a settings file's checked keys into `settings`, except those whose command-line
// options `given` says were given. `from` names the file in messages; a key with no meaning
// for these commands, or a combination they cannot measure with, stops the tool (exit status 2).
void MergeInto(const nlohmann::json& file, const std::string& from, core::MeasureSettings& settings,
               const std::function<bool(const std::string& option)>& given);

}  // namespace zarvo::cli
