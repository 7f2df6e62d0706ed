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
        identity.maxRate = GetMaxSampleFrequencyF();
    });
    return identity;
}

ApplyResult Station::ApplyCounting(const nlohmann::json& settings, std::uint64_t& completedBefore) {
    if (!showing_.empty()) return RefuseWhileShowing("settings cannot change");
    ApplyResult result{503, {{"error", "the station is shutting down"}}};
    RunOnInstrument([&] {
        // Records complete only on this thread, between jobs: none can finish during the job.
        completedBefore = Completed();
        result = ApplyHere(settings);
    });
    return result;
}

}  // namespace zarvo::station
