// SPDX-License-Identifier: MIT
// The instrument's serial EEPROM: a two-wire memory whose clock and data lines hang on a line
// register of the instrument (device 0x10, bank 0 sub-register 4), with the data line read
// back, inverted, on the BUSY line (status bit 7) of the parallel port.
//
// Every line change is a complete register write on the instrument bus, so the bit timing is
// set by the port accesses alone. The EEPROM is only ever read: a word address is set in a
// write transfer ended by a stop, and the byte is fetched in a separate read transfer.
#include "hardware/calibration_date.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

constexpr std::uint8_t kEepromDevice = 0x10;
constexpr std::uint8_t kBank0IndexRegister = 0;
constexpr std::uint8_t kBank0DataRegister = 1;
constexpr std::uint8_t kLineSubRegister = 4;

// Line register bits.
constexpr std::uint8_t kLineClock = 0x01;
constexpr std::uint8_t kLineData = 0x02;
constexpr std::uint8_t kLineHostDrives = 0x04;
constexpr std::uint8_t kLineAlwaysSet = 0x08;

// Status bit 7 is the inverted data line.
constexpr std::uint8_t kStatusDataLow = 0x80;

// Device type 1010, chip address 000, then the direction bit.
constexpr std::uint8_t kControlWrite = 0xA0;
constexpr std::uint8_t kControlRead = 0xA1;

// Calibration record layout: table A (front-end DAC corrections) and table B (offsets), one
// block of 25 bytes per channel, two bytes per range.
constexpr int kSerialLowAddress = 6;
constexpr int kDateAddress = 10;
constexpr int kTableABase = 54;
constexpr int kTableBBase = 129;
constexpr int kChannelBlockBytes = 25;
constexpr int kCalibratedChannels = 3;
constexpr int kCalibratedRanges = 9;

void WriteLineRegister(TZarvo& z, std::uint8_t lines) {
    z.FEepromLines = lines;
    z.SelectDevice(kEepromDevice);
    z.WriteRegister(kBank0IndexRegister, kLineSubRegister);
    z.WriteRegister(kBank0DataRegister, lines);
}

// Two bytes, low byte first, each its own random read.
std::int32_t ReadWord(TZarvo& z, int address) {
    const std::int32_t low = z.EepromRead(static_cast<std::uint8_t>(address));
    const std::int32_t high = z.EepromRead(static_cast<std::uint8_t>(address + 1));
    return low + 256 * high;
}

}  // namespace

void TZarvo::EepromSetLines(bool data, bool clock) {
    const std::uint8_t lines =
        kLineAlwaysSet | kLineHostDrives | (clock ? kLineClock : 0) | (data ? kLineData : 0);
    WriteLineRegister(*this, lines);
}

bool TZarvo::EepromSampleData(bool clock) {
    if (!FPortAccess) return false;
    // The host lets go of the data line, so the EEPROM (or the pull-up) sets its level.
    WriteLineRegister(*this, kLineAlwaysSet | (clock ? kLineClock : 0));
    // Latch register address 0 on the EEPROM device: that routes the data line to BUSY.
    const std::int32_t base = nHardwareAddress & 0xFFFF;
    PortOut(base + 2, 0x04);
    PortOut(base, 0x00);
    PortOut(base + 2, 0x06);
    PortOut(base + 2, 0x04);
    return (PortIn(base + 1) & kStatusDataLow) == 0;
}

void TZarvo::EepromWriteByte(std::uint8_t value) {
    for (int bit = 7; bit >= 0; --bit) {
        const bool d = ((value >> bit) & 1) != 0;
        EepromSetLines(d, false);
        EepromSetLines(d, true);
        EepromSetLines(d, false);
    }
    // Acknowledge slot: clocked, but the answer is not looked at.
    EepromSampleData(false);
    EepromSampleData(true);
    EepromSetLines(false, false);
}

void TZarvo::EepromStart(bool read) {
    // Data falling while the clock is high.
    EepromSetLines(true, true);
    EepromSetLines(false, true);
    EepromSetLines(false, false);
    EepromWriteByte(read ? kControlRead : kControlWrite);
}

std::uint8_t TZarvo::EepromReadByte() {
    std::uint8_t value = 0;
    for (int bit = 7; bit >= 0; --bit) {
        EepromSampleData(false);
        if (EepromSampleData(true)) value = static_cast<std::uint8_t>(value | (1u << bit));
        EepromSampleData(false);
    }
    // No acknowledge: one byte is all this transfer wants.
    EepromSetLines(true, false);
    EepromSetLines(true, true);
    EepromSetLines(true, false);
    return value;
}

void TZarvo::EepromStop() {
    // Data rising while the clock is high; both lines stay high afterwards.
    EepromSetLines(false, true);
    EepromSetLines(true, true);
}

std::uint8_t TZarvo::EepromRead(std::uint8_t address) {
    EepromStart(false);
    EepromWriteByte(address);
    EepromStop();
    EepromStart(true);
    const std::uint8_t value = EepromReadByte();
    EepromStop();
    return value;
}

std::int32_t TZarvo::ReadSerialNumber() {
    return ReadWord(*this, kSerialLowAddress);
}

double TZarvo::ReadCalibrationDate() {
    const int year = ReadWord(*this, kDateAddress);
    const int month = EepromRead(kDateAddress + 2);
    const int day = EepromRead(kDateAddress + 3);
    const int hour = EepromRead(kDateAddress + 4);
    const int minute = EepromRead(kDateAddress + 5);
    return EncodeCalendarDateTime(year, month, day, hour, minute);
}

void TZarvo::ReadCalibration() {
    std::array<std::int32_t, 13>* const tableA[kCalibratedChannels + 1] = {nullptr, &FCalDac1,
                                                                           &FCalDac2, &FCalDac3};
    for (int k = 1; k <= kCalibratedChannels; ++k) {
        const int block = kChannelBlockBytes * (k - 1);
        for (int r = 1; r <= kCalibratedRanges; ++r) {
            (*tableA[k])[r] = ReadWord(*this, kTableABase + block + 2 * r);
        }
        for (int r = 1; r <= kCalibratedRanges; ++r) {
            FCalOffset[k][r] = ReadWord(*this, kTableBBase + block + 2 * r);
        }
    }
}

}  // namespace zarvo
