// SPDX-License-Identifier: MIT
// Parallel ports for the hardware-access tests: a plain port (its data register reads back)
// and a port with an instrument's identification EEPROM behind the instrument bus. The
// EEPROM is an independent model of a two-wire memory: it follows the clock and data lines
// as the line register drives them, answers with acknowledges and data bits on the inverted
// BUSY line, and logs the transfers it saw.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace zarvo::testing {

// A standard-mode port with nothing attached: the data register reads back, status floats.
class PlainPort : public PortBackend {
public:
    explicit PlainPort(std::uint16_t base) : base_(base) {}
    void Out(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t In(std::uint16_t port) override;
    std::uint16_t base() const { return base_; }

protected:
    std::uint16_t base_;
    std::uint8_t data_ = 0xFF;
    std::uint8_t control_ = 0x0C;
};

// What the EEPROM saw on its two wires.
struct EepromEvent {
    enum class Kind { Start, Stop, ByteIn, ByteOut, HostAck, HostNack };
    Kind kind;
    std::uint8_t value = 0;  // ByteIn: received from the host; ByteOut: sent to it
    bool operator==(const EepromEvent&) const = default;
};

class EepromPort final : public PlainPort {
public:
    explicit EepromPort(std::uint16_t base) : PlainPort(base) {}
    void Out(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t In(std::uint16_t port) override;

    std::array<std::uint8_t, 256> memory{};
    std::vector<EepromEvent> events;
    std::vector<std::uint8_t> lineWrites;  // every byte written to the line register
    int storedBytes = 0;                   // data bytes the host wrote into the memory

private:
    void RegisterWrite(std::uint8_t reg, std::uint8_t value);
    void SetLines(bool clock, bool hostDrives, bool hostData);
    bool Sda() const { return (!hostDrives_ || hostData_) && !driveLow_; }
    void OnStart();
    void OnStop();
    void OnRise();
    void OnFall();
    void LoadByte();

    // Instrument bus latches.
    std::uint8_t device_ = 0xFF;
    std::uint8_t address_ = 0xFF;
    std::uint8_t lineIndex_ = 0xFF;

    // Two-wire bus.
    bool scl_ = true;
    bool hostDrives_ = false;
    bool hostData_ = true;
    bool driveLow_ = false;

    enum class Phase { Idle, Receive, Transmit };
    enum class Expect { Control, Address, Data };
    Phase phase_ = Phase::Idle;
    Expect expect_ = Expect::Control;
    bool ackSlot_ = false;
    bool readTransfer_ = false;
    bool hostAcked_ = false;
    int bits_ = 0;
    std::uint8_t shift_ = 0;
    std::uint8_t pointer_ = 0;
    std::uint8_t outgoing_ = 0;
};

// Several ports on one I/O bus; addresses that no port decodes read 0xFF.
class PortBus final : public PortBackend {
public:
    void Add(PlainPort* port) { ports_.push_back(port); }
    void Out(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t In(std::uint16_t port) override;

private:
    PlainPort* Find(std::uint16_t port) const;
    std::vector<PlainPort*> ports_;
};

// A record whose marker, model and serial number identify an instrument.
void WriteIdentity(std::array<std::uint8_t, 256>& memory, std::uint8_t model, std::uint16_t serial);

}  // namespace zarvo::testing
