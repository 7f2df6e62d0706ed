// A taken record as the page receives it: the JSON of one "record" event of the event stream
// (also the answer for a kept record fetched by its number).
//
//   {"seq", "readoutMs", "rate", "length", "pre", "forced", "timePerDiv", "timeLabel",
//    "rateLabel", "trigger": {"source", "slope", "level"},
//    "traces": [{"channel", "range", "scale", "voltsPerDiv", "perDivLabel",
//                "codes": [word - 0x8000, ...], "figures": {"min", "max", ...}}]}
//
// Samples travel as the instrument's counts, volts = code x scale, which keeps the text
// short; the figures are computed here, the page only shows them.
#pragma once

#include <nlohmann/json.hpp>

#include "tools/station/taken_record.h"

namespace zarvo::view {

nlohmann::json RecordEvent(const station::TakenRecord& record);

}  // namespace zarvo::view
