// SPDX-License-Identifier: MIT
// A set-up that travels: the settings as one JSON object of settings-table keys, the file the
// view's "Save settings" downloads. `zarvo view --settings FILE` starts with it; `zarvo capture`
// and `zarvo monitor` with `--settings FILE` measure with it, options given on the command line
// winning over the file.
//
// The whole file is checked before anything is applied: a missing file, JSON that does not
// parse, an unknown key or a value outside the key's range stops the tool with a sentence
// naming the file and the key (exit status 2), before the instrument is opened.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/core/measure_settings.h"

namespace zarvo::station {

// The file's settings, every key known to the settings table and every value within its row.
nlohmann::json ReadSettingsFile(const std::string& path);

// Puts checked settings into `settings`, except those whose command-line options `given`
// says were given. `from` names the file in messages.
void MergeInto(const nlohmann::json& file, const std::string& from, cli::MeasureSettings& settings,
               const std::function<bool(const std::string& option)>& given);

// The decode setting the file's decode.* keys make ("uart:ch=1:..."), empty when decoding is
// off or the file names none. The keys have been checked one by one; a combination that does
// not go together is refused naming the file.
std::string DecodeSpecOf(const nlohmann::json& file, const std::string& from);

}  // namespace zarvo::station
