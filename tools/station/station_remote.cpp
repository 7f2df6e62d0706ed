// SPDX-License-Identifier: MIT
// What the SCPI server asks of the station: the instrument's identity and counted settings.
#include "tools/station/station.h"
#include "zarvo.h"

namespace zarvo::station {

Station::Identity Station::ReadIdentity() {
    Identity identity;
    RunOnInstrument([&] {
        identity.found = open_;
        if (!open_) return;
        std::uint16_t channels = 0;
        GetNrChannels(&channels);
        identity.channels = channels;
        identity.maxLength = GetMaxRecordLength();
        GetSerialNumber(&identity.serial);
    });
    return identity;
}

ApplyResult Station::ApplyCounting(const nlohmann::json& settings, std::uint64_t& completedBefore) {
    return Request("settings cannot change", [&] {
        // Records complete only on this thread, between jobs: none can finish during the job.
        completedBefore = Completed();
        return ApplyHere(settings);
    });
}

}  // namespace zarvo::station
