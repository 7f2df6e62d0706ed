// SPDX-License-Identifier: MIT
#include "platform/ppdev_linux.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace zarvo::host {

namespace {

constexpr std::uint8_t kFloatingBus = 0xFF;

class RealPpdev final : public PpdevSystem {
public:
    int Open(const std::string& path) override {
        int fd = -1;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        return fd;
    }

    int Ioctl(int fd, unsigned long request, void* arg) override {
        int rc = -1;
        do {
            rc = ::ioctl(fd, request, arg);
        } while (rc < 0 && errno == EINTR);
        return rc < 0 ? -1 : 0;
    }

    void Close(int fd) override { ::close(fd); }
};

}  // namespace

bool PpdevSystem::Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

PpdevSystem& SystemPpdev() {
    static RealPpdev system;
    return system;
}

std::unique_ptr<PpdevPort> PpdevPort::Claim(PpdevSystem& sys, const std::string& path,
                                            ClaimResult& result) {
    const int fd = sys.Open(path);
    if (fd < 0) {
        result = ClaimResult::CannotOpen;
        return nullptr;
    }
    // Exclusive registration must come before the first claim. It fails at once when any
    // other driver (the printer driver, say) or program is registered on the port, and
    // afterwards nobody else can register; so the claim that follows never has to wait.
    if (sys.Ioctl(fd, PPEXCL, nullptr) != 0 || sys.Ioctl(fd, PPCLAIM, nullptr) != 0) {
        sys.Close(fd);
        result = ClaimResult::Refused;
        return nullptr;
    }
    // The instrument bus only ever drives the data lines; the probe reads them back as an
    // output latch.
    int forward = 0;
    if (sys.Ioctl(fd, PPDATADIR, &forward) != 0) {
        sys.Ioctl(fd, PPRELEASE, nullptr);
        sys.Close(fd);
        result = ClaimResult::Refused;
        return nullptr;
    }
    result = ClaimResult::Claimed;
    return std::unique_ptr<PpdevPort>(new PpdevPort(sys, fd));
}

bool PpdevPort::CanOpen(PpdevSystem& sys, const std::string& path) {
    const int fd = sys.Open(path);
    if (fd < 0) return false;
    sys.Close(fd);
    return true;
}

PpdevPort::~PpdevPort() {
    sys_.Ioctl(fd_, PPRELEASE, nullptr);
    sys_.Close(fd_);
}

void PpdevPort::Write(int offset, std::uint8_t value) {
    unsigned char reg = value;
    switch (offset) {
        case 0:
            sys_.Ioctl(fd_, PPWDATA, &reg);
            break;
        case 2:
            sys_.Ioctl(fd_, PPWCONTROL, &reg);
            break;
        default:
            // The status register takes no writes.
            break;
    }
}

std::uint8_t PpdevPort::Read(int offset) {
    unsigned long request = 0;
    switch (offset) {
        case 0:
            request = PPRDATA;
            break;
        case 1:
            request = PPRSTATUS;
            break;
        case 2:
            request = PPRCONTROL;
            break;
        default:
            return kFloatingBus;
    }
    unsigned char reg = kFloatingBus;
    if (sys_.Ioctl(fd_, request, &reg) != 0) return kFloatingBus;
    return reg;
}

}  // namespace zarvo::host
