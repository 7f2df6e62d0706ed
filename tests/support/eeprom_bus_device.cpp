// SPDX-License-Identifier: MIT
#include "support/eeprom_bus_device.h"

namespace zarvo::testing {

namespace {

constexpr std::uint8_t kEepromDevice = 0x10;
constexpr std::uint8_t kLineSubRegister = 4;
constexpr std::uint8_t kFloatingStatusBits = 0x07;

}  // namespace

void PlainPort::Out(std::uint16_t port, std::uint8_t value) {
    if (port == base_) data_ = value;
    if (port == base_ + 2) control_ = value;
}

std::uint8_t PlainPort::In(std::uint16_t port) {
    if (port == base_) return data_;
    if (port == base_ + 1) return 0x7F;
    if (port == base_ + 2) return static_cast<std::uint8_t>(0xC0 | control_);
    return 0xFF;
}

void EepromPort::Out(std::uint16_t port, std::uint8_t value) {
    PlainPort::Out(port, value);
    if (port != base_ + 2) return;
    switch (value) {
        case 0x05:  // STROBE: device select latch
            device_ = data_;
            break;
        case 0x06:  // AUTOFEED: register address latch
            address_ = data_;
            break;
        case 0x00:  // INIT: write strobe
            RegisterWrite(address_, data_);
            break;
        default:
            break;
    }
}

std::uint8_t EepromPort::In(std::uint16_t port) {
    if (port != base_ + 1) return PlainPort::In(port);
    // With register 0 of the EEPROM interface latched, BUSY shows the inverted data line.
    const bool routed = device_ == kEepromDevice && address_ == 0;
    const bool busyBit = routed ? !Sda() : true;
    return static_cast<std::uint8_t>((busyBit ? 0x80 : 0x00) | kFloatingStatusBits);
}

void EepromPort::RegisterWrite(std::uint8_t reg, std::uint8_t value) {
    if (device_ != kEepromDevice) return;
    if (reg == 0) {
        lineIndex_ = value;
    } else if (reg == 1 && lineIndex_ == kLineSubRegister) {
        lineWrites.push_back(value);
        SetLines((value & 0x01) != 0, (value & 0x04) != 0, (value & 0x02) != 0);
    }
}

void EepromPort::SetLines(bool clock, bool hostDrives, bool hostData) {
    const bool oldSda = Sda();
    if (clock == scl_) {
        hostDrives_ = hostDrives;
        hostData_ = hostData;
        const bool newSda = Sda();
        if (scl_ && oldSda && !newSda) OnStart();
        if (scl_ && !oldSda && newSda) OnStop();
    } else if (clock) {
        // One register write moves both lines: the data line settles while the clock is
        // still low, then the clock rises.
        hostDrives_ = hostDrives;
        hostData_ = hostData;
        scl_ = true;
        OnRise();
    } else {
        // The clock falls first; the data line follows while it is low.
        scl_ = false;
        OnFall();
        hostDrives_ = hostDrives;
        hostData_ = hostData;
    }
}

void EepromPort::OnStart() {
    events.push_back({EepromEvent::Kind::Start});
    phase_ = Phase::Receive;
    expect_ = Expect::Control;
    ackSlot_ = false;
    readTransfer_ = false;
    driveLow_ = false;
    bits_ = 0;
    shift_ = 0;
}

void EepromPort::OnStop() {
    events.push_back({EepromEvent::Kind::Stop});
    phase_ = Phase::Idle;
    driveLow_ = false;
}

void EepromPort::OnRise() {
    switch (phase_) {
        case Phase::Idle:
            break;
        case Phase::Receive:
            if (!ackSlot_ && bits_ < 8) {
                shift_ = static_cast<std::uint8_t>((shift_ << 1) | (Sda() ? 1 : 0));
                ++bits_;
            }
            break;
        case Phase::Transmit:
            if (ackSlot_) {
                hostAcked_ = !Sda();
                events.push_back(
                    {hostAcked_ ? EepromEvent::Kind::HostAck : EepromEvent::Kind::HostNack});
            } else {
                ++bits_;
            }
            break;
    }
}

void EepromPort::OnFall() {
    switch (phase_) {
        case Phase::Idle:
            break;
        case Phase::Receive:
            if (ackSlot_) {
                ackSlot_ = false;
                driveLow_ = false;
                bits_ = 0;
                shift_ = 0;
                if (readTransfer_) {
                    phase_ = Phase::Transmit;
                    LoadByte();
                }
            } else if (bits_ == 8) {
                events.push_back({EepromEvent::Kind::ByteIn, shift_});
                bool ack = true;
                switch (expect_) {
                    case Expect::Control:
                        if ((shift_ & 0xFE) == 0xA0) {
                            readTransfer_ = (shift_ & 1) != 0;
                            expect_ = Expect::Address;
                        } else {
                            ack = false;  // another chip's address: stay silent
                            phase_ = Phase::Idle;
                        }
                        break;
                    case Expect::Address:
                        pointer_ = shift_;
                        expect_ = Expect::Data;
                        break;
                    case Expect::Data:
                        memory[pointer_++] = shift_;
                        ++storedBytes;
                        break;
                }
                if (ack) {
                    ackSlot_ = true;
                    driveLow_ = true;
                }
            }
            break;
        case Phase::Transmit:
            if (ackSlot_) {
                ackSlot_ = false;
                if (hostAcked_) {
                    LoadByte();
                } else {
                    phase_ = Phase::Idle;
                    driveLow_ = false;
                }
            } else if (bits_ == 8) {
                driveLow_ = false;  // the host answers in the ninth slot
                ackSlot_ = true;
            } else {
                driveLow_ = ((outgoing_ >> (7 - bits_)) & 1) == 0;
            }
            break;
    }
}

void EepromPort::LoadByte() {
    outgoing_ = memory[pointer_++];
    events.push_back({EepromEvent::Kind::ByteOut, outgoing_});
    bits_ = 0;
    driveLow_ = (outgoing_ & 0x80) == 0;
}

PlainPort* PortBus::Find(std::uint16_t port) const {
    for (PlainPort* p : ports_) {
        if (port >= p->base() && port <= p->base() + 2) return p;
    }
    return nullptr;
}

void PortBus::Out(std::uint16_t port, std::uint8_t value) {
    if (PlainPort* p = Find(port)) p->Out(port, value);
}

std::uint8_t PortBus::In(std::uint16_t port) {
    PlainPort* p = Find(port);
    return p != nullptr ? p->In(port) : 0xFF;
}

void WriteIdentity(std::array<std::uint8_t, 256>& memory, std::uint8_t model,
                   std::uint16_t serial) {
    memory[1] = 0xAA;
    memory[5] = model;
    memory[6] = static_cast<std::uint8_t>(serial & 0xFF);
    memory[7] = static_cast<std::uint8_t>(serial >> 8);
}

}  // namespace zarvo::testing
