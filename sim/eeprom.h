// SPDX-License-Identifier: MIT
// A two-wire serial EEPROM of 256 bytes with chip address 000 (control bytes 0xA0 for a
// write transfer, 0xA1 for a read), driven through the instrument's line register, and the
// factory record it carries.
//
// The chip follows the bus lines: start and stop conditions, bits taken on the rising clock
// edge, acknowledge and data driven while the clock is low. A write transfer sets the word
// address; data bytes that follow are acknowledged but not stored (the write-protect pin is
// tied high: the factory record cannot be overwritten from the port). A read transfer returns
// the byte at the word address and steps the address, until the host answers with no
// acknowledge.
#pragma once

#include <array>
#include <cstdint>

#include "sim/sim_config.h"

namespace zarvo::sim {

class SerialEeprom {
public:
    using Contents = std::array<std::uint8_t, 256>;

    explicit SerialEeprom(const Contents& contents) : memory_(contents) {}

    // New levels of the clock line and of the host's side of the data line (true = high or
    // released). Both may change at once; the data line is then taken to change while the
    // clock is low.
    void SetLines(bool clock, bool hostData);
    // The data line as the bus sees it: low when either side pulls it low.
    bool Data() const { return hostData_ && chipData_; }

    const Contents& Memory() const { return memory_; }

    // The factory record of an instrument with this configuration: marker, model, serial
    // number, calibration date, gain table A (codes that give every range its nominal full
    // scale) and offset table B (512, no correction). Unused bytes read 0xFF. With an EEPROM
    // fault configured, the pseudo-random contents instead (garbage keeps the marker, noise
    // never has it).
    static Contents FactoryRecord(const SimConfig& config);

private:
    enum class State { Idle, Receive, ReceiveAck, Send, SendAck };

    void ClockRise();
    void ClockFall();
    void DataChange(bool before, bool after);

    Contents memory_;
    bool clock_ = true;
    bool hostData_ = true;
    bool chipData_ = true;  // the chip pulls the line low when false
    State state_ = State::Idle;
    int byteIndex_ = 0;  // bytes received in this write transfer: control, word address, data
    bool readTransfer_ = false;
    int bits_ = 0;
    std::uint8_t shift_ = 0;
    std::uint8_t address_ = 0;
    bool hostAcked_ = false;
};

}  // namespace zarvo::sim
