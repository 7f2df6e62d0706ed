// SPDX-License-Identifier: MIT
#include "sim/sim_platform.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "platform/polled_timer.h"
#include "sim/sim.h"

namespace zarvo::sim {

namespace {

// The port number n of "LPTn" (1..3), 0 for any other name.
int LptNumber(const std::string& name) {
    if (name.size() != 4 || name.compare(0, 3, "LPT") != 0) return 0;
    const char digit = name[3];
    return digit >= '1' && digit <= '3' ? digit - '0' : 0;
}

std::uint32_t SteadyMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

// A reading of the virtual tick: it moves on by one millisecond at every reading, so a
// busy-wait of n milliseconds ends after n readings.
std::uint32_t ReadVirtualTick(std::uint64_t& ms) {
    return static_cast<std::uint32_t>(ms++);
}

// Signal time of a virtual-time machine: the virtual tick in nanoseconds.
SimClock VirtualSignalClock(std::shared_ptr<std::uint64_t> ms) {
    return [ms = std::move(ms)] { return static_cast<std::int64_t>(*ms) * 1'000'000; };
}

// A polled timer that tells its platform when it goes away.
class TrackedTimer final : public Timer {
public:
    TrackedTimer(TimerHandler handler, std::shared_ptr<PolledTimer*> slot,
                 std::function<std::uint32_t()> tick)
        : timer_(std::move(handler), std::move(tick)), slot_(std::move(slot)) {
        *slot_ = &timer_;
    }
    ~TrackedTimer() override {
        if (*slot_ == &timer_) *slot_ = nullptr;
    }
    void SetEnabled(bool enabled) override { timer_.SetEnabled(enabled); }
    bool Enabled() const override { return timer_.Enabled(); }
    void SetInterval(std::uint32_t ms) override { timer_.SetInterval(ms); }

private:
    PolledTimer timer_;
    std::shared_ptr<PolledTimer*> slot_;
};

}  // namespace

SimPlatform::SimPlatform(const SimConfig& config, std::unique_ptr<Platform> host, SimClock clock,
                         std::string claimDirectory)
    : config_(config),
      host_(std::move(host)),
      virtualMs_(config.virtualTime ? std::make_shared<std::uint64_t>(0) : nullptr),
      instrument_(config, virtualMs_ ? VirtualSignalClock(virtualMs_) : std::move(clock)),
      claims_(std::move(claimDirectory)) {
    if (!config_.trace.empty()) {
        std::string error;
        trace_ = TracingPort::Open(instrument_, config_.trace, &error);
        if (!trace_) std::fprintf(stderr, "%s\n", error.c_str());
    }
}

SimPlatform::~SimPlatform() = default;

PortBackend& SimPlatform::Port() {
    if (trace_) return *trace_;
    return instrument_;
}

std::uint32_t SimPlatform::TickMs() {
    if (virtualMs_) return ReadVirtualTick(*virtualMs_);
    return host_ ? host_->TickMs() : SteadyMs();
}

void SimPlatform::SleepMs(std::uint32_t ms) {
    if (virtualMs_) {
        *virtualMs_ += ms;
    } else if (host_) {
        host_->SleepMs(ms);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void SimPlatform::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

DeviceHandle SimPlatform::OpenDevice(const std::string& name) {
    if (LptNumber(name) == 0) return 0;  // the machine has no other devices
    return claims_.Claim(name);
}

void SimPlatform::CloseDevice(DeviceHandle handle) {
    claims_.Release(handle);
}

std::uint64_t SimPlatform::FindPortAddress(const std::string& name) {
    return LptBase(LptNumber(name));
}

std::uint32_t SimPlatform::RegisterMessage(const std::string& name) {
    if (host_) return host_->RegisterMessage(name);
    const auto it = registered_.find(name);
    if (it != registered_.end()) return it->second;
    // Registered window messages live in 0xC000..0xFFFF.
    const auto id = static_cast<std::uint32_t>(0xC000 + registered_.size());
    registered_[name] = id;
    return id;
}

std::unique_ptr<Timer> SimPlatform::CreateTimer(TimerHandler handler) {
    if (virtualMs_) {
        return std::make_unique<TrackedTimer>(std::move(handler), timer_,
                                              [ms = virtualMs_] { return ReadVirtualTick(*ms); });
    }
    if (host_) return host_->CreateTimer(std::move(handler));
    return std::make_unique<TrackedTimer>(std::move(handler), timer_, [] { return SteadyMs(); });
}

std::unique_ptr<DeviceReceiver> SimPlatform::CreateDeviceReceiver(std::function<void()> onArrived) {
    return host_ ? host_->CreateDeviceReceiver(std::move(onArrived)) : nullptr;
}

void SimPlatform::BeginCall() {
    // Every call into the library takes a virtual millisecond, so an application that only
    // polls (ADC_Ready, say) still sees time pass. The timer of a virtual-time machine is this
    // platform's own, whatever the host has.
    if (virtualMs_) ++*virtualMs_;
    if (host_ && !virtualMs_) {
        host_->BeginCall();
    } else if (*timer_ != nullptr) {
        (*timer_)->Poll();
    }
}

void SimPlatform::EndCall() {
    if (trace_) trace_->Flush();
    if (host_) host_->EndCall();
}

std::unique_ptr<Platform> CreateSimPlatform(const std::string& config,
                                            std::unique_ptr<Platform> host, SimClock clock,
                                            std::string claimDirectory) {
    std::string error;
    std::optional<SimConfig> parsed = ParseSimConfig(config, &error);
    if (!parsed) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::fflush(stderr);
        // A machine whose ports answer but where no instrument hangs on any of them.
        parsed = SimConfig{};
        parsed->lpt = 0;
    }
    return std::make_unique<SimPlatform>(*parsed, std::move(host), std::move(clock),
                                         std::move(claimDirectory));
}

std::unique_ptr<Platform> CreateSimPlatform(const std::string& config,
                                            std::unique_ptr<Platform> host) {
    return CreateSimPlatform(config, std::move(host), SteadyClock());
}

}  // namespace zarvo::sim
