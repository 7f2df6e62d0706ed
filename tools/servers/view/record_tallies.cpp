// SPDX-License-Identifier: MIT
// The record event's statistics and average fields.
#include "tools/servers/view/record_tallies.h"

namespace zarvo::view {

void AddTallies(nlohmann::json& event, const station::TakenRecord& record) {
    if (record.statistics) event["statistics"] = *record.statistics;
    if (record.averageOf > 0) {
        event["average"] = {{"held", record.averaged}, {"of", record.averageOf}};
    }
}

}  // namespace zarvo::view
