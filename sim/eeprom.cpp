// SPDX-License-Identifier: MIT
#include "sim/eeprom.h"

#include "sim/front_end.h"

namespace zarvo::sim {

namespace {

constexpr std::uint8_t kControlWrite = 0xA0;
constexpr std::size_t kMarkerAddress = 1;
constexpr std::uint8_t kMarker = 0xAA;

// A damaged or foreign memory: the same seed always gives the same bytes (splitmix64).
void FillPseudoRandom(SerialEeprom::Contents& c, std::uint32_t seed) {
    std::uint64_t state = seed;
    for (std::uint8_t& byte : c) {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t x = state;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        byte = static_cast<std::uint8_t>((x ^ (x >> 31)) >> 56);
    }
}

void PutWord(SerialEeprom::Contents& c, int address, std::uint16_t value) {
    c[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value & 0xFF);
    c[static_cast<std::size_t>(address + 1)] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

void SerialEeprom::SetLines(bool clock, bool hostData) {
    const auto changeData = [this, hostData] {
        if (hostData == hostData_) return;
        const bool before = Data();
        hostData_ = hostData;
        DataChange(before, Data());
    };
    if (clock == clock_) {
        changeData();
    } else if (!clock) {
        clock_ = false;
        ClockFall();
        changeData();
    } else {
        changeData();
        clock_ = true;
        ClockRise();
    }
}

void SerialEeprom::DataChange(bool before, bool after) {
    if (!clock_ || before == after) return;
    chipData_ = true;
    if (!after) {
        // Start condition: a new transfer begins with its control byte.
        state_ = State::Receive;
        bits_ = 0;
        shift_ = 0;
        byteIndex_ = 0;
    } else {
        state_ = State::Idle;  // stop condition
    }
}

void SerialEeprom::ClockRise() {
    switch (state_) {
        case State::Receive:
            shift_ = static_cast<std::uint8_t>((shift_ << 1) | (Data() ? 1 : 0));
            ++bits_;
            break;
        case State::SendAck:
            hostAcked_ = !Data();
            break;
        case State::Idle:
        case State::ReceiveAck:
        case State::Send:
            break;
    }
}

void SerialEeprom::ClockFall() {
    switch (state_) {
        case State::Idle:
            break;
        case State::Receive:
            if (bits_ < 8) break;
            if (byteIndex_ == 0) {
                if ((shift_ & 0xFE) != kControlWrite) {
                    state_ = State::Idle;  // another chip's address: wait for the next start
                    break;
                }
                readTransfer_ = (shift_ & 1) != 0;
            } else if (byteIndex_ == 1) {
                address_ = shift_;
            }
            // Further bytes of a write transfer are data the protected array ignores.
            ++byteIndex_;
            chipData_ = false;  // acknowledge
            state_ = State::ReceiveAck;
            break;
        case State::ReceiveAck:
            chipData_ = true;
            bits_ = 0;
            shift_ = 0;
            if (readTransfer_) {
                shift_ = memory_[address_];
                chipData_ = (shift_ & 0x80) != 0;
                state_ = State::Send;
            } else {
                state_ = State::Receive;
            }
            break;
        case State::Send:
            if (++bits_ == 8) {
                chipData_ = true;  // the host acknowledges in the ninth clock
                address_ = static_cast<std::uint8_t>(address_ + 1);
                state_ = State::SendAck;
            } else {
                chipData_ = ((shift_ << bits_) & 0x80) != 0;
            }
            break;
        case State::SendAck:
            if (hostAcked_) {
                bits_ = 0;
                shift_ = memory_[address_];
                chipData_ = (shift_ & 0x80) != 0;
                state_ = State::Send;
            } else {
                state_ = State::Idle;  // no acknowledge: the read ends, a stop follows
            }
            break;
    }
}

SerialEeprom::Contents SerialEeprom::FactoryRecord(const SimConfig& config) {
    Contents c;
    if (config.eeprom != EepromFault::None) {
        FillPseudoRandom(c, config.eepromSeed);
        if (config.eeprom == EepromFault::Garbage) {
            c[kMarkerAddress] = kMarker;
        } else if (c[kMarkerAddress] == kMarker) {
            c[kMarkerAddress] = static_cast<std::uint8_t>(~kMarker);
        }
        return c;
    }
    c.fill(0xFF);
    c[1] = config.marker;
    c[5] = config.model;
    PutWord(c, 6, config.serial);
    PutWord(c, 10, config.date.year);
    c[12] = config.date.month;
    c[13] = config.date.day;
    c[14] = config.date.hour;
    c[15] = config.date.minute;
    for (int k = 1; k <= 3; ++k) {
        for (int r = 1; r <= 9; ++r) {
            PutWord(c, 54 + 25 * (k - 1) + 2 * r, FrontEnd::FactoryGainCode(k, r));
            PutWord(c, 129 + 25 * (k - 1) + 2 * r, 512);
        }
    }
    return c;
}

}  // namespace zarvo::sim
