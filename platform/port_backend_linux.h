// SPDX-License-Identifier: MIT
// Byte port I/O on Linux. An address is reached by the process's own port instructions when
// the kernel grants its range; otherwise through the claimed parport device whose three
// registers contain it. An address reached neither way behaves like an empty bus: writes are
// lost and reads give 0xFF.
#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

#include "platform/direct_io_linux.h"
#include "platform/platform.h"
#include "platform/ppdev_linux.h"

namespace zarvo::host {

class LinuxPortBackend final : public PortBackend {
public:
    explicit LinuxPortBackend(DirectIo& direct) : direct_(direct) {}

    void Out(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t In(std::uint16_t port) override;

    // Whether the process's own instructions reach this address (asks the kernel once for
    // each block of eight ports and remembers the answer).
    bool DirectReaches(std::uint16_t port);

    // A claimed parport device now answers for [base, base + 2]; Detach before it is freed.
    void Attach(std::uint16_t base, PpdevPort* device);
    void Detach(PpdevPort* device);

private:
    static constexpr int kBlockShift = 3;  // grants are asked for in blocks of 8 ports
    static constexpr std::size_t kBlocks = 0x10000 >> kBlockShift;

    struct Claimed {
        std::uint16_t base;
        PpdevPort* device;
    };
    // The claimed device answering for the address, with the register offset; nullptr if none.
    PpdevPort* DeviceFor(std::uint16_t port, int& offset) const;

    DirectIo& direct_;
    std::bitset<kBlocks> granted_;
    std::bitset<kBlocks> refused_;
    std::vector<Claimed> claimed_;
};

}  // namespace zarvo::host
