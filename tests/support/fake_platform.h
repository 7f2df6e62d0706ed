// SPDX-License-Identifier: MIT
// A platform for tests: recorded port I/O (optionally passed on to a simulated device), a
// clock under the test's control, scripted device names, claims and messages, and a timer
// the test ticks by hand.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hardware/port_recorder.h"
#include "platform/platform.h"
#include "platform/polled_timer.h"

namespace zarvo::testing {

class FakePlatform : public Platform {
public:
    FakePlatform();

    PortBackend& Port() override { return port; }
    std::uint32_t TickMs() override;
    void SleepMs(std::uint32_t ms) override { clock += ms; }
    PlatformFamily Family() override { return family; }
    bool PortDriverAvailable() override {
        ++driverChecks;
        return driverAvailable;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    DeviceHandle OpenDevice(const std::string& name) override;
    void CloseDevice(DeviceHandle handle) override;
    std::uint64_t FindPortAddress(const std::string& name) override;
    std::uint32_t RegisterMessage(const std::string& name) override;
    std::unique_ptr<Timer> CreateTimer(TimerHandler handler) override;
    void BeginCall() override { PollTimers(); }

    // Runs the timer tick when it is due; returns whether one ran.
    bool PollTimers();
    bool IsClaimed(const std::string& name) const;

    RecordingPort port;
    // Milliseconds; every TickMs() reading advances it by tickStep, so busy-waits end.
    std::uint32_t clock = 1000;
    std::uint32_t tickStep = 1;
    PlatformFamily family = PlatformFamily::NT;
    bool driverAvailable = true;
    int driverChecks = 0;
    std::vector<std::string> messages;
    std::set<std::string> knownDevices{"LPT1", "LPT2", "LPT3"};
    std::map<std::string, std::uint64_t> portAddresses;  // FindPortAddress answers
    std::vector<std::string> opened;                     // every successful open, in order
    PolledTimer* timer = nullptr;                        // the last timer created

private:
    std::map<DeviceHandle, std::string> claims_;
    DeviceHandle nextHandle_ = 100;
    std::map<std::string, std::uint32_t> registered_;
};

}  // namespace zarvo::testing
