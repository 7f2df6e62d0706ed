// SPDX-License-Identifier: MIT
// The Linux host: ports through the process's own instructions or the parport device, the
// monotonic clock, port claims through /dev/parportN, messages on standard error and a timer
// polled on entry to every export (there is no message loop to deliver ticks).
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/direct_io_linux.h"
#include "platform/parport_proc_linux.h"
#include "platform/platform.h"
#include "platform/polled_timer.h"
#include "platform/port_backend_linux.h"
#include "platform/ppdev_linux.h"

namespace zarvo::host {

// Where the host looks and what it calls; tests point these at files and fakes of their own.
struct LinuxHostSeams {
    std::string procRoot = kParportProcRoot;
    std::string devicePrefix = kParportDevicePrefix;
    PpdevSystem* ppdev = nullptr;      // nullptr: the real system calls
    DirectIo* direct = nullptr;        // nullptr: the real port instructions
    std::ostream* messages = nullptr;  // nullptr: standard error
};

// Milliseconds of the monotonic clock, wrapping at 2^32.
std::uint32_t MonotonicMs();

class LinuxPlatform final : public Platform {
public:
    explicit LinuxPlatform(LinuxHostSeams seams = {});
    ~LinuxPlatform() override;

    PortBackend& Port() override { return port_; }
    std::uint32_t TickMs() override { return MonotonicMs(); }
    void SleepMs(std::uint32_t ms) override;
    PlatformFamily Family() override { return PlatformFamily::Other; }
    bool PortDriverAvailable() override;
    std::string MissingPortAccessMessage() override;
    void ShowMessage(const std::string& text) override;
    DeviceHandle OpenDevice(const std::string& name) override;
    void CloseDevice(DeviceHandle handle) override;
    std::uint64_t FindPortAddress(const std::string& name) override;
    std::uint32_t RegisterMessage(const std::string& name) override;
    std::unique_ptr<Timer> CreateTimer(TimerHandler handler) override;
    void BeginCall() override;

    // The live timers, shared with the timers themselves so that either may go first.
    struct TimerList {
        std::vector<PolledTimer*> timers;
    };

private:
    struct Claim {
        std::unique_ptr<PpdevPort> device;  // nullptr: reached by port instructions only
        std::uint16_t base = 0;
    };

    std::vector<std::uint16_t> KnownPortBases() const;

    LinuxHostSeams seams_;
    PpdevSystem& ppdev_;
    LinuxPortBackend port_;
    std::map<DeviceHandle, Claim> claims_;
    DeviceHandle nextHandle_ = 1;
    std::shared_ptr<TimerList> timers_;
};

}  // namespace zarvo::host
