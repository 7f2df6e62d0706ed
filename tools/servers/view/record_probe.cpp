// SPDX-License-Identifier: MIT
// The record event's probe factors, channel by channel.
#include "tools/servers/view/record_probe.h"

#include <string>

namespace zarvo::view {

void AddProbe(nlohmann::json& event, const station::TakenRecord& record) {
    nlohmann::json probe = nlohmann::json::object();
    for (const station::TakenTrace& t : record.traces) probe[std::to_string(t.channel)] = t.probe;
    event["probe"] = std::move(probe);
}

}  // namespace zarvo::view
