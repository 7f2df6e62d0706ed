// SPDX-License-Identifier: MIT
#include "sim/claim.h"

#include <utility>

namespace zarvo::sim {

DeviceClaims::DeviceClaims(std::string directory) : directory_(std::move(directory)) {
    if (directory_.empty()) {
        directory_ = TemporaryDirectory();
    } else if (directory_.back() != '/' && directory_.back() != '\\') {
        directory_ += '/';
    }
}

DeviceClaims::~DeviceClaims() {
    for (const auto& [handle, lock] : held_) UnlockFile(lock);
}

std::string DeviceClaims::PathFor(const std::string& name) const {
    std::string safe;
    for (const char c : name) {
        const bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        safe += plain ? c : '_';
    }
    return directory_ + "zarvo-sim-" + UserTag() + safe + ".lock";
}

DeviceHandle DeviceClaims::Claim(const std::string& name) {
    const std::intptr_t lock = LockFileExclusive(PathFor(name));
    if (lock == -1) return 0;
    const DeviceHandle handle = next_++;
    try {
        held_[handle] = lock;
    } catch (...) {
        UnlockFile(lock);  // a claim that cannot be recorded could never be released
        throw;
    }
    return handle;
}

void DeviceClaims::Release(DeviceHandle handle) {
    const auto it = held_.find(handle);
    if (it == held_.end()) return;
    UnlockFile(it->second);
    held_.erase(it);
}

}  // namespace zarvo::sim
