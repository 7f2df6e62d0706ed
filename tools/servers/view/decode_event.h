// SPDX-License-Identifier: MIT
// The frames of a record as the page draws them, decoded here with the setting in force:
//
//   "decode": {"spec", "message", "frames": [{"start", "end", "kind", "value", "label",
//              "text", "error"}]}
//
// label: the box's text (hex, the character of a printable UART byte, "S", "Sr", "P", "A",
// "N", an address with "W" or "R"); text: the frame in words for the table; error: null or
// the decoder's name for it.
#pragma once

#include <nlohmann/json.hpp>

#include "tools/analysis/decode/setup.h"
#include "tools/core/record.h"

namespace zarvo::view {

nlohmann::json DecodeEvent(const ::analysis::decode::BusSetup& setup, const std::string& spec,
                           const cli::Record& volts);

}  // namespace zarvo::view
