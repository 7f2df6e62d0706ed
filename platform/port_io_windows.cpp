// SPDX-License-Identifier: MIT
#include "platform/host_windows.h"

namespace zarvo::win {

namespace {

constexpr std::uint8_t kFloatingBus = 0xFF;

}  // namespace

// One instruction each, without any delay around it: the instrument's bus protocols are
// written for back-to-back port accesses.
void DirectPort::Out(std::uint16_t port, std::uint8_t value) {
    if (!allowed_) return;
    asm volatile("outb %0, %1" : : "a"(value), "Nd"(port));
}

std::uint8_t DirectPort::In(std::uint16_t port) {
    if (!allowed_) return kFloatingBus;
    std::uint8_t value;
    asm volatile("inb %1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

}  // namespace zarvo::win
