// SPDX-License-Identifier: MIT
// Port instructions executed by the process itself, where the kernel grants the I/O range
// (ioperm: root, or the CAP_SYS_RAWIO capability, on x86 only).
#pragma once

#include <cstdint>

namespace zarvo::host {

class DirectIo {
public:
    virtual ~DirectIo() = default;
    // Asks for the ports [from, from + count); false when the kernel refuses. The grant
    // belongs to the calling thread.
    virtual bool Grant(std::uint16_t from, std::uint16_t count) = 0;
    virtual void Out(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t In(std::uint16_t port) = 0;
};

// The instructions of this machine; on processors without port I/O every grant is refused.
DirectIo& SystemDirectIo();

}  // namespace zarvo::host
