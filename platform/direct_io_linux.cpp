// SPDX-License-Identifier: MIT
#include "platform/direct_io_linux.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace zarvo::host {

namespace {

class SystemPorts final : public DirectIo {
public:
#if defined(__x86_64__) || defined(__i386__)
    bool Grant(std::uint16_t from, std::uint16_t count) override {
        return ioperm(from, count, 1) == 0;
    }
    void Out(std::uint16_t port, std::uint8_t value) override {
        outb(value, port);
    }
    std::uint8_t In(std::uint16_t port) override {
        return inb(port);
    }
#else
    bool Grant(std::uint16_t, std::uint16_t) override {
        return false;
    }
    void Out(std::uint16_t, std::uint8_t) override {}
    std::uint8_t In(std::uint16_t) override {
        return 0xFF;
    }
#endif
};

}  // namespace

DirectIo& SystemDirectIo() {
    static SystemPorts ports;
    return ports;
}

}  // namespace zarvo::host
