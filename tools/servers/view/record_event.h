// SPDX-License-Identifier: MIT
// A taken record as the page receives it: the JSON of one "record" event of the event stream
// (also the answer for a kept record fetched by its number).
//
//   {"seq", "readoutMs", "rate", "length", "pre", "forced", "timePerDiv", "timeLabel",
//    "rateLabel", "trigger": {"source", "slope", "level"},
//    "traces": [{"channel", "range", "scale", "voltsPerDiv", "perDivLabel",
//                "codes": [word - 0x8000, ...], "figures": {"min", "max", ...}}],
//    "kept": [first, last],  the records the server holds for stepping back
//    "math": {"diff": figures, "sum": figures},  ch1 - ch2 and ch1 + ch2, both channels only
//    "decode": the frames (decode_event.h), while decoding is on}
//
// figures: {"min", "max", "mean", "pp", "rms", "freq", "period", "duty", "rise", "fall"}, as
// text with their units ("-" where the record does not show it).
//
// Samples travel as the instrument's counts, volts = code x scale, which keeps the text
// short; the figures are computed here, the page only shows them.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <utility>

#include "tools/station/taken_record.h"

namespace zarvo::view {

// `kept`: the sequence numbers of the oldest and newest record held when the event is sent.
nlohmann::json RecordEvent(const station::TakenRecord& record,
                           std::pair<std::uint64_t, std::uint64_t> kept);

}  // namespace zarvo::view
