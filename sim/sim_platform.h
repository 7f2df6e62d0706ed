// SPDX-License-Identifier: MIT
// The simulated machine: a platform of the NT family whose parallel ports LPT1..LPT3 are
// simulated, with the instrument on the configured one. Ticks, sleeping, the timer,
// registered messages, the device-change receiver and the per-call hook come from the host
// platform when there is one (stand-ins otherwise); messages for the user go to standard
// error so that scripts never block. With virtual time (time=virtual) the machine keeps its
// own tick, which advances by one millisecond at each reading, at each call into the library
// and by the time asked for at each sleep; the instrument's signal time and the timer follow
// it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "sim/claim.h"
#include "sim/sim_config.h"
#include "sim/sim_instrument.h"
#include "sim/trace.h"

namespace zarvo {
class PolledTimer;
}

namespace zarvo::sim {

class SimPlatform final : public Platform {
public:
    // `host` may be null. `claimDirectory` empty means the temporary directory.
    SimPlatform(const SimConfig& config, std::unique_ptr<Platform> host, SimClock clock,
                std::string claimDirectory = {});
    ~SimPlatform() override;

    SimInstrument& Instrument() { return instrument_; }
    const SimConfig& Config() const { return config_; }

    PortBackend& Port() override;
    std::uint32_t TickMs() override;
    void SleepMs(std::uint32_t ms) override;
    PlatformFamily Family() override { return PlatformFamily::NT; }
    bool PortDriverAvailable() override { return config_.driver; }
    void ShowMessage(const std::string& text) override;
    DeviceHandle OpenDevice(const std::string& name) override;
    void CloseDevice(DeviceHandle handle) override;
    std::uint64_t FindPortAddress(const std::string& name) override;
    std::uint32_t RegisterMessage(const std::string& name) override;
    std::unique_ptr<Timer> CreateTimer(TimerHandler handler) override;
    std::unique_ptr<DeviceReceiver> CreateDeviceReceiver(std::function<void()> onArrived) override;
    void BeginCall() override;
    void EndCall() override;

private:
    SimConfig config_;
    std::unique_ptr<Platform> host_;
    // The virtual tick in milliseconds; null with real time. Shared with the instrument's
    // clock and the timer.
    std::shared_ptr<std::uint64_t> virtualMs_;
    SimInstrument instrument_;
    std::unique_ptr<TracingPort> trace_;
    DeviceClaims claims_;
    std::map<std::string, std::uint32_t> registered_;  // without a host
    // Without a host: the timer this platform polls on entry to every call. Shared with the
    // timer itself, which empties it when it is destroyed first.
    std::shared_ptr<PolledTimer*> timer_ = std::make_shared<PolledTimer*>(nullptr);
};

}  // namespace zarvo::sim
