// SPDX-License-Identifier: MIT
// The instrument's end of the parallel-port bus: a device-select latch, a register-address
// latch, a write strobe, a read latch that goes out as two nibbles on the status lines, and
// the advance strobe of the sample read-out.
//
// Control lines as the instrument sees them (active when the control bit is 1, except INIT,
// which is active when its bit is 0):
//   STROBE     (bit 0)  device-select latch, follows the data lines while active
//   AUTOFEED   (bit 1)  register-address latch, follows the data lines while active
//   INIT       (bit 2)  on becoming active: write strobe, or with AUTOFEED active the advance
//                       strobe of the memory read position
//   SELECT IN  (bit 3)  on becoming active: the addressed register is captured into the
//                       read latch
// Data bit 0 picks the nibble of the read latch shown on status bits 3 to 6 (1 = high).
#pragma once

#include <cstdint>

namespace zarvo::sim {

// What hangs behind the bus: the registers of the selected device.
class BusTarget {
public:
    virtual void WriteRegister(std::uint8_t device, std::uint8_t reg, std::uint8_t value) = 0;
    virtual std::uint8_t ReadRegister(std::uint8_t device, std::uint8_t reg) = 0;
    virtual void AdvanceStrobe(std::uint8_t device) = 0;

protected:
    ~BusTarget() = default;
};

class InstrumentBus {
public:
    explicit InstrumentBus(BusTarget& target) : target_(target) {}

    void WriteData(std::uint8_t value) {
        data_ = value;
        if ((control_ & kStrobe) != 0) device_ = value;
        if ((control_ & kAutoFeed) != 0) address_ = value;
    }

    void WriteControl(std::uint8_t value) {
        const std::uint8_t before = control_;
        control_ = value;
        if ((value & kStrobe) != 0) device_ = data_;
        if ((value & kAutoFeed) != 0) address_ = data_;
        if ((value & kSelectIn) != 0 && (before & kSelectIn) == 0) {
            latch_ = target_.ReadRegister(device_, address_);
        }
        // INIT is active low: its bit falling is the strobe.
        if ((value & kInitHigh) == 0 && (before & kInitHigh) != 0) {
            if ((value & kAutoFeed) != 0) {
                target_.AdvanceStrobe(device_);
            } else {
                target_.WriteRegister(device_, address_, data_);
            }
        }
    }

    // Status bits 3 to 6 for the current data lines.
    std::uint8_t StatusNibble() const {
        return static_cast<std::uint8_t>((data_ & 1) != 0 ? latch_ >> 4 : latch_ & 0x0F);
    }
    std::uint8_t Device() const { return device_; }
    std::uint8_t Address() const { return address_; }

private:
    static constexpr std::uint8_t kStrobe = 0x01;
    static constexpr std::uint8_t kAutoFeed = 0x02;
    static constexpr std::uint8_t kInitHigh = 0x04;
    static constexpr std::uint8_t kSelectIn = 0x08;

    BusTarget& target_;
    std::uint8_t control_ = 0x04;  // idle
    std::uint8_t data_ = 0;
    std::uint8_t device_ = 0;
    std::uint8_t address_ = 0;
    std::uint8_t latch_ = 0;
};

}  // namespace zarvo::sim
