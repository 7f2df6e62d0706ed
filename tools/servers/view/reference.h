// SPDX-License-Identifier: MIT
// Reference traces: saved records (csv, sr, npz) the page draws behind the live traces, each
// as its record event with "name" (the file's name) and its figures computed here.
//
//   GET  /api/references              [event, ...]: those of zarvo view --reference FILE
//   POST /api/reference?name=FILE.csv the file's bytes as the body (any content type); 200
//                                     with its event, or 400 {"error": sentence}
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "tools/servers/view/handler.h"

namespace zarvo::view {

// At most this many references: R1 and R2.
constexpr std::size_t kMostReferences = 2;
// A reference file's bytes at most: a full-length two-channel CSV is under 2 MB.
constexpr std::size_t kMaxReferenceBytes = 8u << 20;

// The event of a record file's bytes; a files::FileError naming `name` when they are no record.
nlohmann::json ReferenceFromBytes(std::string_view bytes, const std::string& name);

// zarvo view --reference: every file read before serving; a core::ToolError (exit 2) naming
// the file that cannot be read.
nlohmann::json ReadReferences(const std::vector<std::string>& paths);

// The answer of a reference request (the paths above), after the checks every request meets.
Response AnswerReference(const RequestHandler& handler, const Request& request,
                         const nlohmann::json& references);

}  // namespace zarvo::view
