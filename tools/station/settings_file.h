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

#include <nlohmann/json.hpp>
#include <string>

namespace zarvo::station {

// The file's settings, every key known to the settings table and every value within its row.
nlohmann::json ReadSettingsFile(const std::string& path);

// Stops the tool (ToolError, exit status 2) with "the settings file FROM: SENTENCE; nothing
// was applied".
[[noreturn]] void RefuseSettingsFile(const std::string& from, const std::string& sentence);

// The decode setting the file's decode.* keys make ("uart:ch=1:..."), empty when decoding is
// off or the file names none. The keys have been checked one by one; a combination that does
// not go together is refused naming the file.
std::string DecodeSpecOf(const nlohmann::json& file, const std::string& from);

}  // namespace zarvo::station
