// SPDX-License-Identifier: MIT
// The host's side of the instrument bus, written out port operation by port operation in the
// order the driver uses: device select, register write and read, bank writes, the sample
// read with its advance strobe, the front-end serial transfers and the bit-banged EEPROM
// read. For tests, benchmarks and tools that exercise the simulated instrument on its own.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace zarvo::sim {

class BusMaster {
public:
    BusMaster(PortBackend& port, std::uint16_t base) : port_(port), base_(base) {}

    void Data(std::uint8_t v) { port_.Out(base_, v); }
    void Control(std::uint8_t v) { port_.Out(static_cast<std::uint16_t>(base_ + 2), v); }
    std::uint8_t Status() { return port_.In(static_cast<std::uint16_t>(base_ + 1)); }

    void SelectDevice(std::uint8_t code) {
        Control(0x04);
        Data(code);
        Control(0x05);
        Control(0x04);
    }

    void WriteRegister(std::uint8_t reg, std::uint8_t value) {
        Control(0x04);
        Data(reg);
        Control(0x06);
        Control(0x04);
        Data(value);
        Control(0x00);
        Control(0x04);
    }

    std::uint8_t ReadRegister(std::uint8_t reg) {
        Data(reg);
        Control(0x06);
        Control(0x04);
        Control(0x0C);
        Control(0x04);
        Control(0x06);
        Data(0x01);
        const int high = (Status() >> 3) & 0x0F;
        Data(0x00);
        const int low = (Status() >> 3) & 0x0F;
        Control(0x04);
        return static_cast<std::uint8_t>(high * 16 + low);
    }

    // Bank 0, 1, 2: index register 0, 4, 6 and data register 1, 5, 7.
    void BankWrite(int bank, std::uint8_t sub, std::uint8_t value) {
        const auto index = static_cast<std::uint8_t>(bank == 0 ? 0 : 2 + 2 * bank);
        WriteRegister(index, sub);
        WriteRegister(static_cast<std::uint8_t>(index + 1), value);
    }

    void WriteRunCount(std::uint16_t count) {
        SelectDevice(0);
        BankWrite(0, 0, static_cast<std::uint8_t>(count & 0xFF));
        BankWrite(0, 1, static_cast<std::uint8_t>(count >> 8));
    }

    // Makes bank 0's sample port current, as the read-out does before its sample loop.
    void SelectSamplePort() {
        SelectDevice(0);
        WriteRegister(0, 5);
    }

    // One converter's sample at the read position (register 4 or 6) as a 16-bit word.
    std::uint16_t ReadSample(std::uint8_t reg) {
        Data(reg);
        Control(0x06);
        Control(0x0E);
        Control(0x06);
        const int low = (Status() >> 3) & 0x0F;
        Data(0x01);
        const int high = (Status() >> 3) & 0x0F;
        return static_cast<std::uint16_t>(high * 0x1000 + low * 0x100);
    }

    void AdvanceStrobe() {
        Control(0x02);
        Control(0x06);
    }

    std::uint16_t AddressCounter() {
        SelectDevice(0);
        const int low = ReadRegister(0);
        const int high = ReadRegister(1);
        return static_cast<std::uint16_t>((high * 256 + low) & 0x7FFF);
    }

    // ---- Clock control (write-only, so kept in a shadow) and the counter/timer.
    void ClockControl(std::uint8_t value) {
        clockShadow_ = value;
        SelectDevice(0);
        BankWrite(0, 2, value);
    }
    std::uint8_t ClockShadow() const { return clockShadow_; }
    // Sample clock source bits 2 to 4; the square-wave enable is kept.
    void SampleSource(std::uint8_t code) {
        ClockControl(static_cast<std::uint8_t>((clockShadow_ & 0x20) | code));
    }
    void TimerControlWord(std::uint8_t word) {
        ClockControl(static_cast<std::uint8_t>((clockShadow_ & 0x3C) | 3));
        BankWrite(0, 6, word);
    }
    // A 16-bit count, low byte then high byte through the same timer data port.
    void TimerCount(int counter, std::uint16_t count) {
        ClockControl(static_cast<std::uint8_t>((clockShadow_ & 0x3C) | (counter & 3)));
        BankWrite(0, 6, static_cast<std::uint8_t>(count & 0xFF));
        WriteRegister(1, static_cast<std::uint8_t>(count >> 8));
    }

    // ---- Runs
    void RunCommand(std::uint8_t command) {
        SelectDevice(0);
        BankWrite(0, 3, command);
    }
    bool Ready() {
        SelectDevice(0);
        return (ReadRegister(2) & 1) != 0;
    }
    std::uint8_t StatusRegister() {
        SelectDevice(0);
        return ReadRegister(2);
    }
    // The arm sequence: run count, channel run modes (bank 2 gets 0 for double rate), trigger
    // source, comparator re-arm, run command 0x0F.
    void Arm(std::uint8_t source, std::uint16_t count, bool doubleRate = false) {
        WriteRunCount(count);
        SelectDevice(0);
        BankWrite(1, 4, 2);
        BankWrite(2, 4, doubleRate ? 0 : 2);
        BankWrite(0, 4, 0);
        BankWrite(0, 3, 0);
        BankWrite(0, 7, source);
        BankWrite(0, 4, 0);
        BankWrite(1, 5, 0);
        BankWrite(2, 5, 0);
        BankWrite(0, 3, 0x0F);
    }
    // Fill run of `count` samples at the current clock.
    void StartFill(std::uint16_t count) {
        SelectDevice(0);
        BankWrite(0, 3, 0);
        WriteRunCount(count);
        BankWrite(1, 4, 1);
        BankWrite(2, 4, 1);
        BankWrite(0, 3, 6);
        BankWrite(0, 4, 0);
        BankWrite(0, 3, 7);
    }
    // Seek run to `position` at 25 MHz; it ends position x 40 ns later.
    void StartSeek(std::uint16_t position) {
        SelectDevice(0);
        BankWrite(0, 3, 0);
        WriteRunCount(position);
        SampleSource(0x00);
        BankWrite(0, 4, 0);
        BankWrite(0, 7, 2);
        BankWrite(0, 3, 2);
        BankWrite(0, 3, 3);
    }
    // Reads `positions` memory positions from the read position: converter 1 and 2 samples
    // (16-bit words) and the advance strobe for each.
    void ReadPositions(int positions, std::vector<std::uint16_t>* conv1,
                       std::vector<std::uint16_t>* conv2) {
        SelectSamplePort();
        for (int i = 0; i < positions; ++i) {
            const std::uint16_t a = ReadSample(4);
            const std::uint16_t b = ReadSample(6);
            AdvanceStrobe();
            if (conv1 != nullptr) conv1->push_back(a);
            if (conv2 != nullptr) conv2->push_back(b);
        }
    }

    // ---- Front end: bank 1 sub-register 3 carries the serial lines.
    void ShiftRelays(std::uint16_t word) {
        SelectDevice(0);
        WriteRegister(4, 3);
        WriteRegister(5, 0x40);
        for (int bit = 9; bit >= 0; --bit) {
            const auto b = static_cast<std::uint8_t>((word >> bit) & 1);
            WriteRegister(5, static_cast<std::uint8_t>(0x40 + b));
            WriteRegister(5, static_cast<std::uint8_t>(0x42 + b));
        }
        WriteRegister(5, 0x50);
        WriteRegister(5, 0x40);
    }

    void WriteDac(int channel, std::uint16_t code) {
        const auto word = static_cast<std::uint16_t>(0x9000 + channel * 0x400 + (code & 0x3FF));
        SelectDevice(0);
        WriteRegister(4, 3);
        WriteRegister(5, 0x48);
        std::uint8_t b = 0;
        for (int bit = 15; bit >= 0; --bit) {
            b = static_cast<std::uint8_t>((word >> bit) & 1);
            WriteRegister(5, static_cast<std::uint8_t>(0x48 + b));
            WriteRegister(5, static_cast<std::uint8_t>(0x4A + b));
        }
        WriteRegister(5, static_cast<std::uint8_t>(0x48 + b));
        WriteRegister(5, static_cast<std::uint8_t>(0x4A + b));
        WriteRegister(5, 0x40);
        WriteRegister(4, 8);
    }

    // ---- Serial EEPROM on device 0x10, bank 0 sub-register 4; data read on status bit 7.
    void EepromLines(bool data, bool clock) {
        SelectDevice(0x10);
        WriteRegister(0, 0x04);
        WriteRegister(1, static_cast<std::uint8_t>(0x0C | (clock ? 1 : 0) | (data ? 2 : 0)));
    }

    bool EepromSample(bool clock) {
        SelectDevice(0x10);
        WriteRegister(0, 0x04);
        WriteRegister(1, static_cast<std::uint8_t>(0x08 | (clock ? 1 : 0)));
        Control(0x04);
        Data(0x00);
        Control(0x06);
        Control(0x04);
        return (Status() & 0x80) == 0;
    }

    void EepromWriteByte(std::uint8_t value) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool d = ((value >> bit) & 1) != 0;
            EepromLines(d, false);
            EepromLines(d, true);
            EepromLines(d, false);
        }
        EepromSample(false);
        lastAck_ = !EepromSample(true);
        EepromLines(false, false);
    }

    void EepromStart(bool read) {
        EepromLines(true, true);
        EepromLines(false, true);
        EepromLines(false, false);
        EepromWriteByte(read ? 0xA1 : 0xA0);
    }

    std::uint8_t EepromReadByte() {
        int value = 0;
        for (int bit = 7; bit >= 0; --bit) {
            EepromSample(false);
            if (EepromSample(true)) value |= 1 << bit;
            EepromSample(false);
        }
        EepromLines(true, false);
        EepromLines(true, true);
        EepromLines(true, false);
        return static_cast<std::uint8_t>(value);
    }

    void EepromStop() {
        EepromLines(false, true);
        EepromLines(true, true);
    }

    std::uint8_t EepromRead(std::uint8_t address) {
        EepromStart(false);
        EepromWriteByte(address);
        EepromStop();
        EepromStart(true);
        const std::uint8_t value = EepromReadByte();
        EepromStop();
        return value;
    }

    // Whether the last byte written to the EEPROM was acknowledged.
    bool LastAck() const { return lastAck_; }

private:
    PortBackend& port_;
    std::uint16_t base_;
    bool lastAck_ = false;
    std::uint8_t clockShadow_ = 0;
};

}  // namespace zarvo::sim
