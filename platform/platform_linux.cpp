// SPDX-License-Identifier: MIT
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <iostream>

#include "platform/host_linux.h"
#include "platform/message_registry.h"

namespace zarvo {

namespace host {

namespace {

// The usual ISA addresses, asked about when the kernel reports no parallel port at all.
constexpr std::uint16_t kUsualPortBases[] = {0x378, 0x278, 0x3BC};
constexpr int kMaxParports = 16;

// A timer of this host: polled by BeginCall while it is alive.
class HostTimer final : public Timer {
public:
    HostTimer(std::shared_ptr<LinuxPlatform::TimerList> list, TimerHandler handler)
        : list_(std::move(list)), timer_(std::move(handler), MonotonicMs) {
        list_->timers.push_back(&timer_);
    }
    ~HostTimer() override {
        auto& timers = list_->timers;
        timers.erase(std::remove(timers.begin(), timers.end(), &timer_), timers.end());
    }
    HostTimer(const HostTimer&) = delete;
    HostTimer& operator=(const HostTimer&) = delete;

    void SetEnabled(bool enabled) override { timer_.SetEnabled(enabled); }
    bool Enabled() const override { return timer_.Enabled(); }
    void SetInterval(std::uint32_t ms) override { timer_.SetInterval(ms); }

private:
    std::shared_ptr<LinuxPlatform::TimerList> list_;
    PolledTimer timer_;
};

}  // namespace

std::uint32_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // the low 32 bits: wraps like a tick counter
}

LinuxPlatform::LinuxPlatform(LinuxHostSeams seams)
    : seams_(std::move(seams)),
      ppdev_(seams_.ppdev != nullptr ? *seams_.ppdev : SystemPpdev()),
      port_(seams_.direct != nullptr ? *seams_.direct : SystemDirectIo()),
      timers_(std::make_shared<TimerList>()) {}

LinuxPlatform::~LinuxPlatform() {
    for (auto& [handle, claim] : claims_) port_.Detach(claim.device.get());
    claims_.clear();  // releases every claimed port
}

void LinuxPlatform::SleepMs(std::uint32_t ms) {
    timespec wanted{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR) wanted = left;
}

std::vector<std::uint16_t> LinuxPlatform::KnownPortBases() const {
    std::vector<std::uint16_t> bases;
    for (int n = 0; n < kMaxParports; ++n) {
        const std::uint64_t base = ReadParportBase(seams_.procRoot, n);
        if (base != 0 && base <= 0xFFFF) bases.push_back(static_cast<std::uint16_t>(base));
    }
    if (bases.empty()) bases.assign(std::begin(kUsualPortBases), std::end(kUsualPortBases));
    return bases;
}

bool LinuxPlatform::PortDriverAvailable() {
    // Either way will do: the kernel granting the port range to this process, or a parport
    // device this process may open (the claim itself comes later, per port).
    for (const std::uint16_t base : KnownPortBases()) {
        if (port_.DirectReaches(base)) return true;
    }
    for (int n = 0; n < kMaxParports; ++n) {
        if (PpdevPort::CanOpen(ppdev_, seams_.devicePrefix + std::to_string(n))) return true;
    }
    return false;
}

std::string LinuxPlatform::MissingPortAccessMessage() {
    // Either the kernel offers no parport device (the modules are not loaded, or the machine
    // has no parallel port), or it does and this user may not open it.
    for (int n = 0; n < kMaxParports; ++n) {
        const std::string device = seams_.devicePrefix + std::to_string(n);
        if (!ppdev_.Exists(device)) continue;
        return "This user may not open the parallel-port device " + device +
               ".\n"
               "Join the group lp (sudo usermod -aG lp $USER, then log in again) or install the "
               "udev rule packaging/udev/60-zarvo-parport.rules; see "
               "docs/linux-device-access.md.\n"
               "Hardware will not be available";
    }
    return "No parallel-port device (" + seams_.devicePrefix +
           "0 ...) was found on this computer.\n"
           "Load the kernel modules parport_pc and ppdev (sudo modprobe parport_pc ppdev); see "
           "docs/linux-device-access.md.\n"
           "Hardware will not be available";
}

void LinuxPlatform::ShowMessage(const std::string& text) {
    std::ostream& out = seams_.messages != nullptr ? *seams_.messages : std::cerr;
    out << text << '\n';
    out.flush();
}

DeviceHandle LinuxPlatform::OpenDevice(const std::string& name) {
    const int number = ParportNumberOfName(name);
    if (number < 0) return 0;
    const std::uint64_t recorded = ReadParportBase(seams_.procRoot, number);
    const auto base = static_cast<std::uint16_t>(recorded <= 0xFFFF ? recorded : 0);

    ClaimResult result = ClaimResult::CannotOpen;
    std::unique_ptr<PpdevPort> device =
        PpdevPort::Claim(ppdev_, seams_.devicePrefix + std::to_string(number), result);
    if (result == ClaimResult::Claimed) {
        const DeviceHandle handle = nextHandle_++;
        if (base != 0) port_.Attach(base, device.get());
        claims_[handle] = Claim{std::move(device), base};
        return handle;
    }
    // Without the parport device the claim can only be kept within this process: a port the
    // kernel knows and whose registers this process reaches itself, not yet held here.
    if (result == ClaimResult::CannotOpen && base != 0 && port_.DirectReaches(base)) {
        for (const auto& [handle, claim] : claims_) {
            if (claim.base == base) return 0;
        }
        const DeviceHandle handle = nextHandle_++;
        claims_[handle] = Claim{nullptr, base};
        return handle;
    }
    return 0;
}

void LinuxPlatform::CloseDevice(DeviceHandle handle) {
    const auto found = claims_.find(handle);
    if (found == claims_.end()) return;
    port_.Detach(found->second.device.get());
    claims_.erase(found);
}

std::uint64_t LinuxPlatform::FindPortAddress(const std::string& name) {
    const int number = ParportNumberOfName(name);
    return number < 0 ? 0 : ReadParportBase(seams_.procRoot, number);
}

std::uint32_t LinuxPlatform::RegisterMessage(const std::string& name) {
    return RegisterMessageName(name);
}

std::unique_ptr<Timer> LinuxPlatform::CreateTimer(TimerHandler handler) {
    return std::make_unique<HostTimer>(timers_, std::move(handler));
}

void LinuxPlatform::BeginCall() {
    // A tick may destroy or create timers; only those still alive are polled.
    const std::vector<PolledTimer*> snapshot = timers_->timers;
    for (PolledTimer* timer : snapshot) {
        const auto& live = timers_->timers;
        if (std::find(live.begin(), live.end(), timer) != live.end()) timer->Poll();
    }
}

}  // namespace host

std::unique_ptr<Platform> CreateHostPlatform() {
    return std::make_unique<host::LinuxPlatform>();
}

}  // namespace zarvo
