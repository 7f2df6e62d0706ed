// SPDX-License-Identifier: MIT
#include "support/fake_platform.h"

namespace zarvo::testing {

FakePlatform::FakePlatform() = default;

std::uint32_t FakePlatform::TickMs() {
    const std::uint32_t now = clock;
    clock += tickStep;
    return now;
}

DeviceHandle FakePlatform::OpenDevice(const std::string& name) {
    if (knownDevices.count(name) == 0 || IsClaimed(name)) return 0;
    const DeviceHandle handle = nextHandle_++;
    claims_[handle] = name;
    opened.push_back(name);
    return handle;
}

void FakePlatform::CloseDevice(DeviceHandle handle) {
    claims_.erase(handle);
}

bool FakePlatform::IsClaimed(const std::string& name) const {
    for (const auto& [handle, claimed] : claims_) {
        if (claimed == name) return true;
    }
    return false;
}

std::uint64_t FakePlatform::FindPortAddress(const std::string& name) {
    auto it = portAddresses.find(name);
    return it == portAddresses.end() ? 0 : it->second;
}

std::uint32_t FakePlatform::RegisterMessage(const std::string& name) {
    auto it = registered_.find(name);
    if (it != registered_.end()) return it->second;
    const auto id = static_cast<std::uint32_t>(0xC000 + registered_.size());
    registered_[name] = id;
    return id;
}

std::unique_ptr<Timer> FakePlatform::CreateTimer(TimerHandler handler) {
    auto created = std::make_unique<PolledTimer>(std::move(handler), [this] { return clock; });
    timer = created.get();
    return created;
}

bool FakePlatform::PollTimers() {
    return timer != nullptr && timer->Poll();
}

}  // namespace zarvo::testing
