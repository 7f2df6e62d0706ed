// SPDX-License-Identifier: MIT
// Front-end programming: the 10-bit relay shift register (range decade per channel, coupling,
// interleave) and the four-channel 10-bit DAC (offsets and per-range calibration). Both hang
// on the serial-port sub-register of the channel 1 bank and are bit-banged through it.
#include "engine/bus_lines.h"
#include "engine/range_index.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

// Lines of the serial-port sub-register. Bit 6 is held high on every write.
constexpr std::uint8_t kSerialIdle = 0x40;
constexpr std::uint8_t kSerialData = 0x01;
constexpr std::uint8_t kSerialClock = 0x02;  // data is taken on the write with this bit set
constexpr std::uint8_t kDacSelect = 0x08;    // held for the whole DAC word
constexpr std::uint8_t kRelayLoad = 0x10;    // applies the shifted relay bits

constexpr int kRelayBits = 10;
constexpr std::uint16_t kRelayMask = 0x3FF;
constexpr std::uint16_t kInterleaveRelays = 0x300;  // both converters on channel 1
constexpr std::uint16_t kCouplingCh1 = 0x10;
constexpr std::uint16_t kCouplingCh2 = 0x08;

constexpr int kDacBits = 16;
constexpr std::uint16_t kDacCommand = 0x9000;
constexpr std::uint16_t kDacChannelStep = 0x400;
constexpr int kDacChannels = 4;
constexpr long double kDacHalfScaleVolts = 1.25L;
constexpr long double kDacMidCode = 512;
constexpr long double kDacMaxCode = 1023;

constexpr std::uint32_t kRelaySettleMs = 10;

// Modes that measure channels 3 and 4 (there are none on this instrument) leave every range
// relay open.
bool RangeRelaysUsed(TMeasureMode mode) {
    return mode != mNone && !(mode >= mCh3 && mode <= mCh1234);
}

}  // namespace

std::uint16_t TZarvo::RelayWord() const {
    // The terms are added, not or-ed: the interleave bits collide with channel 2's bit 9, and
    // the carry out of bit 9 is lost because the register holds only ten bits.
    std::uint32_t word = 0;
    if (RangeRelaysUsed(mMeasureMode)) {
        word = RelayCh1[TableSlot(FRange[1])] + RelayCh2[TableSlot(FRange[2])];
        if (mMeasureMode == mCh1 && FDoubleRate) word += kInterleaveRelays;
    }
    if (FCoupling[1] == 1) word += kCouplingCh1;
    if (FCoupling[2] == 1) word += kCouplingCh2;
    return static_cast<std::uint16_t>(word & kRelayMask);
}

std::uint16_t TZarvo::DacCode(Extended volts) {
    // The DAC spans +-1.25 V around mid-scale; a request beyond that gets the end code. A
    // meaningless request (NaN) gets code 0 rather than anything undefined.
    long double x = volts / kDacHalfScaleVolts * kDacMidCode + kDacMidCode;
    if (x > kDacMaxCode) x = kDacMaxCode;
    if (x < 0) x = 0;
    return RoundSaturate<std::uint16_t>(x, 0, static_cast<std::uint16_t>(kDacMaxCode));
}

void TZarvo::WriteFrontEndRelays() {
    SelectDevice(bus::kAcquisitionDevice);
    const std::uint8_t index = BankIndexReg[bus::kCh1Bank];
    const std::uint8_t data = BankDataReg[bus::kCh1Bank];
    WriteRegister(index, bus::kSerialPort);
    const std::uint16_t word = RelayWord();
    WriteRegister(data, kSerialIdle);
    for (int bit = kRelayBits - 1; bit >= 0; --bit) {
        const auto b = static_cast<std::uint8_t>((word >> bit) & 1);
        WriteRegister(data, kSerialIdle + b);
        WriteRegister(data, kSerialIdle + kSerialClock + b);
    }
    WriteRegister(data, kSerialIdle + kRelayLoad);
    WriteRegister(data, kSerialIdle);
    // The relays need the time to settle before an acquisition may use them.
    DelayMs(kRelaySettleMs);
}

void TZarvo::WriteFrontEndDac(int channel, Extended volts) {
    // Only four DAC channels exist; any other number would spill into the command bits.
    if (channel < 0 || channel >= kDacChannels) return;
    SelectDevice(bus::kAcquisitionDevice);
    const std::uint8_t index = BankIndexReg[bus::kCh1Bank];
    const std::uint8_t data = BankDataReg[bus::kCh1Bank];
    WriteRegister(index, bus::kSerialPort);
    const auto word = static_cast<std::uint16_t>(
        kDacCommand + static_cast<std::uint16_t>(channel) * kDacChannelStep + DacCode(volts));
    const std::uint8_t selected = kSerialIdle + kDacSelect;
    WriteRegister(data, selected);
    for (int bit = kDacBits - 1; bit >= 0; --bit) {
        const auto b = static_cast<std::uint8_t>((word >> bit) & 1);
        WriteRegister(data, selected + b);
        WriteRegister(data, selected + kSerialClock + b);
    }
    // The DAC latches the word on one more clock, with the data line left at the last bit.
    const auto last = static_cast<std::uint8_t>(word & kSerialData);
    WriteRegister(data, selected + last);
    WriteRegister(data, selected + kSerialClock + last);
    WriteRegister(data, kSerialIdle);
    // Park the bank index away from the serial port so that no later data write to this bank
    // can disturb the front end.
    WriteRegister(index, bus::kParkingIndex);
}

}  // namespace zarvo
