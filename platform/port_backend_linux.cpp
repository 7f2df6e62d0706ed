// SPDX-License-Identifier: MIT
#include "platform/port_backend_linux.h"

#include <algorithm>

namespace zarvo::host {

namespace {

constexpr std::uint8_t kEmptyBus = 0xFF;
constexpr int kPortRegisters = 3;  // data, status, control

}  // namespace

bool LinuxPortBackend::DirectReaches(std::uint16_t port) {
    const std::size_t block = port >> kBlockShift;
    if (granted_.test(block)) return true;
    if (refused_.test(block)) return false;
    const auto first = static_cast<std::uint16_t>(block << kBlockShift);
    if (direct_.Grant(first, 1u << kBlockShift)) {
        granted_.set(block);
        return true;
    }
    refused_.set(block);
    return false;
}

void LinuxPortBackend::Attach(std::uint16_t base, PpdevPort* device) {
    if (device == nullptr) return;
    Detach(device);
    claimed_.push_back({base, device});
}

void LinuxPortBackend::Detach(PpdevPort* device) {
    claimed_.erase(std::remove_if(claimed_.begin(), claimed_.end(),
                                  [device](const Claimed& c) { return c.device == device; }),
                   claimed_.end());
}

PpdevPort* LinuxPortBackend::DeviceFor(std::uint16_t port, int& offset) const {
    for (const Claimed& c : claimed_) {
        const int distance = static_cast<int>(port) - static_cast<int>(c.base);
        if (distance >= 0 && distance < kPortRegisters) {
            offset = distance;
            return c.device;
        }
    }
    return nullptr;
}

void LinuxPortBackend::Out(std::uint16_t port, std::uint8_t value) {
    // The process's own instructions first: no system call per access, which the bus
    // sequences (dozens of accesses per register) are grateful for.
    if (DirectReaches(port)) {
        direct_.Out(port, value);
        return;
    }
    int offset = 0;
    if (PpdevPort* device = DeviceFor(port, offset)) device->Write(offset, value);
}

std::uint8_t LinuxPortBackend::In(std::uint16_t port) {
    if (DirectReaches(port)) return direct_.In(port);
    int offset = 0;
    if (PpdevPort* device = DeviceFor(port, offset)) return device->Read(offset);
    return kEmptyBus;
}

}  // namespace zarvo::host
