// SPDX-License-Identifier: MIT
// The parallel port as the instrument bus sees it: the three standard-mode registers and
// the control-port values that drive the bus lines. Shared by the register primitives and
// the sample readout, which repeats the read sequence inline for speed.
#pragma once

#include <cstdint>

namespace zarvo::bus {

// I/O addresses are 16 bits wide; the base is cut to them before the register offsets are
// added, so no stored address can overflow the sum.
inline constexpr std::int32_t PortBase(std::int32_t hardwareAddress) {
    return hardwareAddress & 0xFFFF;
}

// Offsets of the standard-mode registers from the port base.
inline constexpr std::int32_t kData = 0;
inline constexpr std::int32_t kStatus = 1;
inline constexpr std::int32_t kControl = 2;

// Control-port values. STROBE, AUTOFEED and SELECT IN are asserted by a 1 bit, INIT by a 0
// bit; bit 5 (data direction) is never set, the data port always drives.
inline constexpr std::uint8_t kIdle = 0x04;           // no line asserted
inline constexpr std::uint8_t kSelectStrobe = 0x05;   // STROBE: device-select latch
inline constexpr std::uint8_t kAddressLatch = 0x06;   // AUTOFEED: address latch, nibble reads
inline constexpr std::uint8_t kWriteStrobe = 0x00;    // INIT: register write strobe
inline constexpr std::uint8_t kReadCapture = 0x0C;    // SELECT IN: capture into read latch
inline constexpr std::uint8_t kSampleCapture = 0x0E;  // AUTOFEED + SELECT IN
inline constexpr std::uint8_t kAdvance = 0x02;        // AUTOFEED + INIT: next memory position

// Data-port bit 0 chooses which half of the read latch shows on the status lines.
inline constexpr std::uint8_t kHighNibble = 0x01;
inline constexpr std::uint8_t kLowNibble = 0x00;

// Device codes of the select latch.
inline constexpr std::uint8_t kAcquisitionDevice = 0x00;
inline constexpr std::uint8_t kEepromDevice = 0x10;

// A nibble arrives on status bits 3 to 6 (ERROR, SELECT, PAPER OUT, ACK), not inverted;
// BUSY (bit 7) carries nothing.
inline constexpr std::uint8_t Nibble(std::uint8_t status) {
    return static_cast<std::uint8_t>((status >> 3) & 0x0F);
}

// Read registers of the acquisition device.
inline constexpr std::uint8_t kAddressLow = 0;
inline constexpr std::uint8_t kAddressHigh = 1;
inline constexpr std::uint8_t kStatusRegister = 2;
inline constexpr std::uint8_t kSampleCh1 = 4;
inline constexpr std::uint8_t kSampleCh2 = 6;

// Status register bits.
inline constexpr std::uint8_t kReadyBit = 0x01;
inline constexpr std::uint8_t kTrigCh1Bit = 0x02;
inline constexpr std::uint8_t kTrigCh2Bit = 0x04;

// Write banks: 0 control, 1 channel 1, 2 channel 2.
inline constexpr int kControlBank = 0;
inline constexpr int kCh1Bank = 1;
inline constexpr int kCh2Bank = 2;

// Control bank sub-registers.
inline constexpr std::uint8_t kCountLow = 0;
inline constexpr std::uint8_t kCountHigh = 1;
inline constexpr std::uint8_t kClockControl = 2;
inline constexpr std::uint8_t kCommand = 3;
inline constexpr std::uint8_t kRunMode = 4;
inline constexpr std::uint8_t kSamplePort = 5;
inline constexpr std::uint8_t kTimerPort = 6;
inline constexpr std::uint8_t kTriggerSource = 7;

// Channel bank sub-registers.
inline constexpr std::uint8_t kLevelA = 0;
inline constexpr std::uint8_t kLevelB = 1;
inline constexpr std::uint8_t kComparatorMode = 2;
inline constexpr std::uint8_t kSerialPort = 3;  // channel 1 bank only: front-end serial lines
inline constexpr std::uint8_t kChannelRunMode = 4;
inline constexpr std::uint8_t kChannelRearm = 5;
inline constexpr std::uint8_t kParkingIndex = 8;

// Commands.
inline constexpr std::uint8_t kStop = 0x00;
inline constexpr std::uint8_t kArmAndRun = 0x0F;
inline constexpr std::uint8_t kFillPrepare = 6;
inline constexpr std::uint8_t kFillRun = 7;
inline constexpr std::uint8_t kSeekPrepare = 2;
inline constexpr std::uint8_t kSeekRun = 3;

// Trigger source code that needs no trigger: a waiting run completes at once.
inline constexpr std::uint8_t kImmediate = 2;

// The acquisition memory is circular with 15 address bits.
inline constexpr std::int32_t kAddressMask = 0x7FFF;

}  // namespace zarvo::bus
