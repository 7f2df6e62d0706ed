// SPDX-License-Identifier: MIT
// The simulated instrument as a port backend: the PC's three parallel ports (LPT1 at 0x378,
// LPT2 at 0x278, LPT3 at 0x3BC; their data registers read back what was written) with the
// instrument hanging on the configured one. It sees nothing but byte writes and reads at I/O
// addresses, decodes the instrument bus from the control and data lines, and answers on the
// status lines as the hardware does. Addresses outside the three ports read 0xFF.
//
// Signal time follows the clock given at construction (nanoseconds, monotonic). Nothing runs
// in the background: a run records when it started and at which clock, and a memory position
// is turned into a sample time and a signal value only when it is read.
//
// Usable alone, for example behind a test platform's recording port:
//   FakePlatform fp;
//   SimInstrument dev(cfg, [&fp] { return std::int64_t{fp.clock} * 1'000'000; });
//   fp.port.SetInner(&dev);
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/platform.h"
#include "sim/sim_config.h"

namespace zarvo::sim {

// Signal time in nanoseconds; must never run backwards.
using SimClock = std::function<std::int64_t()>;

// The host's monotonic clock, counted from when this clock is made.
SimClock SteadyClock();

// Base address of LPTn (n = 1..3), 0 for any other n.
std::uint16_t LptBase(int n);

class SimInstrument final : public PortBackend {
public:
    SimInstrument(const SimConfig& config, SimClock clock);
    ~SimInstrument() override;
    SimInstrument(const SimInstrument&) = delete;
    SimInstrument& operator=(const SimInstrument&) = delete;

    void Out(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t In(std::uint16_t port) override;

    // ---- What the hardware holds now, for tests and tools.
    std::uint16_t Base() const;                // port the instrument hangs on, 0 for none
    std::uint16_t RelayWord() const;           // relays applied by the last load pulse (10 bits)
    std::uint16_t DacCode(int channel) const;  // front-end DAC channel 0..3, 10 bits
    std::uint8_t ClockControl() const;         // bank 0 sub-register 2
    double SampleClockHz() const;              // selected sample clock, 0 when it does not run
    double GeneratorHz() const;                // square-wave output, 0 when switched off
    double FullScaleVolts(int channel) const;  // channel 1 or 2; 0 when the input is open
    bool AcCoupled(int channel) const;
    std::uint16_t AddressCounter() const;  // memory position (15 bits)
    std::uint8_t Status() const;           // register 2 as a read would give it now
    bool Connected() const;                // false once an unplug fault has taken effect
    const std::array<std::uint8_t, 256>& Eeprom() const;

    // The factory record of an instrument with this configuration.
    static std::array<std::uint8_t, 256> FactoryEeprom(const SimConfig& config);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace zarvo::sim
