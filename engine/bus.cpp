// SPDX-License-Identifier: MIT
// The instrument bus over the parallel port: a device-select latch, an address latch, a write
// strobe, and a read path that returns a byte as two nibbles on the status lines.
//
// Every sequence sets the lines it relies on and assumes nothing about the previous one. No
// delays are inserted: each access is a handful of port operations, so the readout is bounded
// by the port's speed alone. Without port access every register operation is skipped and
// reads give 0, so the layers above see an instrument that never triggers and is never ready.
#include "engine/bus_lines.h"
#include "instrument/zarvo.h"

namespace zarvo {

void TZarvo::FillBankTables() {
    BankIndexReg = {0, 4, 6};
    BankDataReg = {1, 5, 7};
}

void TZarvo::SelectDevice(std::uint8_t code) {
    if (!FPortAccess) return;
    const std::int32_t base = bus::PortBase(nHardwareAddress);
    PortOut(base + bus::kControl, bus::kIdle);
    PortOut(base + bus::kData, code);
    PortOut(base + bus::kControl, bus::kSelectStrobe);
    PortOut(base + bus::kControl, bus::kIdle);
}

void TZarvo::WriteRegister(std::uint8_t reg, std::uint8_t value) {
    if (!FPortAccess) return;
    const std::int32_t base = bus::PortBase(nHardwareAddress);
    PortOut(base + bus::kControl, bus::kIdle);
    PortOut(base + bus::kData, reg);
    PortOut(base + bus::kControl, bus::kAddressLatch);
    PortOut(base + bus::kControl, bus::kIdle);
    PortOut(base + bus::kData, value);
    PortOut(base + bus::kControl, bus::kWriteStrobe);
    PortOut(base + bus::kControl, bus::kIdle);
}

std::uint8_t TZarvo::ReadRegister(std::uint8_t reg) {
    if (!FPortAccess) return 0;
    const std::int32_t base = bus::PortBase(nHardwareAddress);
    PortOut(base + bus::kData, reg);
    PortOut(base + bus::kControl, bus::kAddressLatch);
    PortOut(base + bus::kControl, bus::kIdle);
    PortOut(base + bus::kControl, bus::kReadCapture);
    PortOut(base + bus::kControl, bus::kIdle);
    // AUTOFEED stays asserted while the two halves are transferred.
    PortOut(base + bus::kControl, bus::kAddressLatch);
    PortOut(base + bus::kData, bus::kHighNibble);
    const std::uint8_t high = bus::Nibble(PortIn(base + bus::kStatus));
    PortOut(base + bus::kData, bus::kLowNibble);
    const std::uint8_t low = bus::Nibble(PortIn(base + bus::kStatus));
    PortOut(base + bus::kControl, bus::kIdle);
    return static_cast<std::uint8_t>(high * 16 + low);
}

void TZarvo::BankWrite(int bank, std::uint8_t sub, std::uint8_t value) {
    if (bank < 0 || bank >= static_cast<int>(BankIndexReg.size())) return;
    WriteRegister(BankIndexReg[bank], sub);
    WriteRegister(BankDataReg[bank], value);
}

void TZarvo::WriteRunCount(std::uint16_t count) {
    SelectDevice(bus::kAcquisitionDevice);
    BankWrite(bus::kControlBank, bus::kCountLow, static_cast<std::uint8_t>(count & 0xFF));
    BankWrite(bus::kControlBank, bus::kCountHigh, static_cast<std::uint8_t>(count >> 8));
}

}  // namespace zarvo
