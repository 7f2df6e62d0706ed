// SPDX-License-Identifier: MIT
// What a record event says about the records before it: the statistics of the figures when it
// was taken and, with averaging on, how many records its samples are the mean of.
//
//   "statistics": {"records", "note", "traces": {"ch1": {"freq": {"count", "mean", "min",
//                  "max", "std"}, ...}, "ch2", "diff", "sum"}}   (text with units)
//   "average": {"held": 5, "of": 16}
#pragma once

#include <nlohmann/json.hpp>

#include "tools/station/taken_record.h"

namespace zarvo::view {

void AddTallies(nlohmann::json& event, const station::TakenRecord& record);

}  // namespace zarvo::view
