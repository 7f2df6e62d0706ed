// SPDX-License-Identifier: MIT
// The probe factors of a record event: "probe": {"1": 10, "2": 1}, one per channel the record
// holds. The event's volts (scale, range, figures, trigger level) are already at the probe tip;
// the page shows the factor beside the channel.
#pragma once

#include <nlohmann/json.hpp>

#include "tools/station/taken_record.h"

namespace zarvo::view {

void AddProbe(nlohmann::json& event, const station::TakenRecord& record);

}  // namespace zarvo::view
