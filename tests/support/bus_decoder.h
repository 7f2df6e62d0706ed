// SPDX-License-Identifier: MIT
// Test helpers for the instrument bus: turn a trace of port operations back into what the
// instrument receives (register writes, bank writes, front-end serial words), and a small
// scripted device that answers register and sample reads the way the bus hardware does.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "hardware/port_recorder.h"
#include "instrument/zarvo.h"
#include "platform/platform.h"

namespace zarvo::testing {

// One strobe on the instrument bus, as the instrument sees it.
struct BusEvent {
    enum class Kind { Write, Capture, SampleCapture, Advance };
    Kind kind;
    std::uint8_t device;
    std::uint8_t reg;
    std::uint8_t value;  // written value (Write); 0 otherwise
};

// Follows the latches of the bus: the device code is taken on STROBE (0x05), the register
// address on AUTOFEED (0x06); INIT alone (0x00) writes the data lines into that register.
inline std::vector<BusEvent> DecodeBus(const std::vector<PortOp>& ops, std::uint16_t base) {
    std::vector<BusEvent> events;
    std::uint8_t data = 0;
    std::uint8_t device = 0xFF;
    std::uint8_t address = 0xFF;
    for (const PortOp& op : ops) {
        if (!op.write) continue;
        if (op.port == base) {
            data = op.value;
        } else if (op.port == base + 2) {
            switch (op.value) {
                case 0x05:
                    device = data;
                    break;
                case 0x06:
                    address = data;
                    break;
                case 0x00:
                    events.push_back({BusEvent::Kind::Write, device, address, data});
                    break;
                case 0x0C:
                    events.push_back({BusEvent::Kind::Capture, device, address, 0});
                    break;
                case 0x0E:
                    events.push_back({BusEvent::Kind::SampleCapture, device, address, 0});
                    break;
                case 0x02:
                    events.push_back({BusEvent::Kind::Advance, device, address, 0});
                    break;
                default:
                    break;
            }
        }
    }
    return events;
}

// A write into a bank: value -1 marks an index write that no data write followed (the
// sub-register was only made current).
struct BankEvent {
    int bank;
    int sub;
    int value;
    bool operator==(const BankEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const BankEvent& e) {
    return os << "{bank " << e.bank << " sub " << e.sub << " := " << e.value << "}";
}

// Bank writes of the acquisition device (index registers 0, 4, 6; data registers 1, 5, 7).
inline std::vector<BankEvent> DecodeBankWrites(const std::vector<PortOp>& ops, std::uint16_t base) {
    std::vector<BankEvent> out;
    std::array<int, 3> index{-1, -1, -1};
    std::array<std::optional<std::size_t>, 3> pending{};
    for (const BusEvent& e : DecodeBus(ops, base)) {
        if (e.kind != BusEvent::Kind::Write || e.device != 0x00) continue;
        if (e.reg == 0 || e.reg == 4 || e.reg == 6) {
            const int b = e.reg == 0 ? 0 : (e.reg == 4 ? 1 : 2);
            index[static_cast<std::size_t>(b)] = e.value;
            pending[static_cast<std::size_t>(b)] = out.size();
            out.push_back({b, e.value, -1});
        } else if (e.reg == 1 || e.reg == 5 || e.reg == 7) {
            const int b = e.reg == 1 ? 0 : (e.reg == 5 ? 1 : 2);
            auto& slot = pending[static_cast<std::size_t>(b)];
            if (slot && out[*slot].value == -1) {
                out[*slot].value = e.value;
                slot.reset();
            } else {
                out.push_back({b, index[static_cast<std::size_t>(b)], e.value});
            }
        }
    }
    return out;
}

// The bank writes that are not index-only.
inline std::vector<BankEvent> DataWrites(const std::vector<BankEvent>& events) {
    std::vector<BankEvent> out;
    for (const BankEvent& e : events) {
        if (e.value >= 0) out.push_back(e);
    }
    return out;
}

// Words the front end received over its serial lines (bank 1 sub-register 3): relay words
// applied by a load pulse and DAC words taken while the DAC select line was held.
struct FrontEndWords {
    std::vector<std::uint16_t> relays;
    std::vector<std::uint32_t> dacWords;  // bits clocked while selected, MSB first
    std::vector<int> dacClocks;           // clock pulses of each DAC transfer
};

inline FrontEndWords DecodeFrontEnd(const std::vector<BankEvent>& events) {
    FrontEndWords words;
    std::uint32_t shift = 0;
    int clocks = 0;
    bool lastClock = false;
    bool lastSelect = false;
    for (const BankEvent& e : events) {
        if (e.bank != 1 || e.sub != 3 || e.value < 0) continue;
        const auto v = static_cast<std::uint8_t>(e.value);
        const bool select = (v & 0x08) != 0;
        const bool clock = (v & 0x02) != 0;
        if (select != lastSelect) {
            if (!select) {
                // The DAC keeps the last 16 bits it was clocked.
                words.dacWords.push_back(shift);
                words.dacClocks.push_back(clocks);
            }
            shift = 0;
            clocks = 0;
        }
        if (clock && !lastClock) {
            shift = (shift << 1) | (v & 1u);
            ++clocks;
        }
        if ((v & 0x10) != 0 && !select) {
            words.relays.push_back(static_cast<std::uint16_t>(shift & 0x3FF));
            shift = 0;
            clocks = 0;
        }
        lastClock = clock;
        lastSelect = select;
    }
    return words;
}

// A device on the bus that answers from scripts: register reads from readRegister, sample
// reads from readSample at the current memory position (advanced by each advance strobe).
// It keeps the latches as the instrument does and shows the latched byte's halves on status
// bits 3 to 6, chosen by data bit 0.
class ScriptedBus final : public PortBackend {
public:
    explicit ScriptedBus(std::uint16_t base) : base_(base) {}

    void Out(std::uint16_t port, std::uint8_t value) override {
        if (port == base_) {
            data_ = value;
        } else if (port == base_ + 2) {
            switch (value) {
                case 0x05:
                    device_ = data_;
                    break;
                case 0x06:
                    address_ = data_;
                    break;
                case 0x00:
                    if (onWrite) onWrite(device_, address_, data_);
                    break;
                case 0x0C:
                    latch_ = readRegister ? readRegister(address_) : 0;
                    break;
                case 0x0E:
                    latch_ = readSample ? readSample(address_, position) : 0;
                    break;
                case 0x02:
                    ++position;
                    break;
                default:
                    break;
            }
        }
    }

    std::uint8_t In(std::uint16_t port) override {
        if (port != base_ + 1) return 0xFF;
        const std::uint8_t nibble = (data_ & 1) ? (latch_ >> 4) : (latch_ & 0x0F);
        // BUSY (bit 7) and bits 0 to 2 float high; they must never reach a result.
        return static_cast<std::uint8_t>(0x87 | (nibble << 3));
    }

    std::function<std::uint8_t(std::uint8_t reg)> readRegister;
    std::function<std::uint8_t(std::uint8_t reg, long position)> readSample;
    std::function<void(std::uint8_t device, std::uint8_t reg, std::uint8_t value)> onWrite;
    long position = 0;

private:
    std::uint16_t base_;
    std::uint8_t data_ = 0;
    std::uint8_t device_ = 0xFF;
    std::uint8_t address_ = 0xFF;
    std::uint8_t latch_ = 0;
};

// Makes a component behave as if detection had found an instrument on the port at base.
inline constexpr std::uint16_t kTestBase = 0x378;
inline void AttachInstrument(TZarvo& z) {
    z.FPortAccess = true;
    z.FInstrumentFound = true;
    z.nHardwareAddress = kTestBase;
    for (int ch = 1; ch <= 3; ++ch) z.FCalOffset[ch].fill(512);
    z.FCalDac1.fill(512);
    z.FCalDac2.fill(512);
}

}  // namespace zarvo::testing
