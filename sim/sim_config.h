// SPDX-License-Identifier: MIT
// Configuration of the simulated instrument, from the ZARVO_SIM text: "1" for every default,
// or comma-separated key=value pairs (lpt, model, serial, date, marker, driver, ch1, ch2, ext,
// bus, noise, trace, time, and the faults unplug, stuck and eeprom).
//
// Serial buses, for trying decoders (VOLTS is the high level, 3.3 when left out, negative
// for inverted polarity; low is 0 V):
//   ch1=uart:BAUD:HEX[:VOLTS]  (or ch2) the bytes HEX as a UART sends them, repeated;
//   bus=i2c:RATE:ADDR:HEX[:VOLTS]  SCL on channel 1, SDA on channel 2;
//   bus=spi:RATE:HEX[:VOLTS]   the clock on channel 1, the data line on channel 2.
// bus= drives both channels, so giving ch1 or ch2 as well is refused, naming the key.
//
//   time=real       (the default) the machine's millisecond tick, its sleeping and the signal
//                   time follow the host's clocks;
//   time=virtual    the tick advances by one millisecond at each reading and at each call into
//                   the library, and sleeping advances it instead of waiting; signal time
//                   follows the tick. Busy-waits then cost
//                   a few port operations instead of wall time, and the same calls always give
//                   the same results (fuzzing, reproducible runs).
//
// Faults, for trying the driver against an instrument that misbehaves:
//   unplug=MS       the instrument stops answering MS milliseconds of signal time after the
//                   simulated machine starts (0: it is unplugged from the start). Its port then
//                   behaves as one with nothing attached: the data register reads back what
//                   was written, and the status lines float high, so the status register
//                   reads 0x7F (BUSY, bit 7, is shown inverted by the port). Every register
//                   read over the bus then gives 0xFF: the run-complete and both trigger bits
//                   set, the address counter at 0x7FFF, every sample 0xFF00, and every EEPROM
//                   byte 0xFF (no marker).
//   stuck=ready     the run-complete bit of the status register always reads 1;
//   stuck=busy      it always reads 0. Everything else keeps working (runs, trigger bits,
//                   address counter, samples).
//   eeprom=garbage[:SEED]  the EEPROM holds pseudo-random bytes, except for the presence
//                   marker 0xAA at byte 1, so the instrument is recognised with a random model
//                   code, serial number, calibration date and calibration tables;
//   eeprom=noise[:SEED]    pseudo-random bytes without the marker (byte 1 is never 0xAA), so
//                   no instrument is recognised. The same SEED (0..4294967295, 1 when left
//                   out) always gives the same bytes.
//   eeprom=factory  (the default) the factory record made from the other keys.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sim/logic_line.h"

namespace zarvo::sim {

// An input signal. Periodic shapes start their period at signal time 0 rising through their
// offset (sine and triangle) or at their high level (square). A Line is a serial bus line
// (ch1=uart:..., or one of the two lines of bus=i2c:... and bus=spi:...).
struct InputSignal {
    enum class Kind { Sine, Square, Triangle, Dc, Gen, Line };
    InputSignal() = default;
    InputSignal(Kind k, double hz, double peak, double volts,
                std::shared_ptr<const LogicLine> levels = {})
        : kind(k), frequency(hz), amplitude(peak), offset(volts), line(std::move(levels)) {}
    Kind kind = Kind::Dc;
    double frequency = 0.0;  // Hz, >= 0 (periodic shapes)
    double amplitude = 0.0;  // volts, peak (periodic shapes); negative inverts the shape
    double offset = 0.0;     // volts (periodic shapes) or the level of dc
    std::shared_ptr<const LogicLine> line;  // Line: its levels, shared by every copy
    bool operator==(const InputSignal& other) const {
        const bool sameLine = line == other.line ||
                              (line != nullptr && other.line != nullptr && *line == *other.line);
        return kind == other.kind && frequency == other.frequency && amplitude == other.amplitude &&
               offset == other.offset && sameLine;
    }
};
// The name the first end-to-end tests use.
using SignalSpec = InputSignal;

// The calibration date as the factory wrote it; stored as given, even when it is no valid
// date (the driver falls back to its default date then).
struct SimDate {
    std::uint16_t year = 2004;
    std::uint8_t month = 3;
    std::uint8_t day = 15;
    std::uint8_t hour = 10;
    std::uint8_t minute = 30;
    bool operator==(const SimDate&) const = default;
};

// The run-complete bit of the status register, when it does not follow the runs.
enum class StuckReady { No, Ready, Busy };

// What the EEPROM holds instead of the factory record.
enum class EepromFault { None, Garbage, Noise };

struct SimConfig {
    int lpt = 1;             // port the instrument hangs on: 1..3, 0 for none
    std::uint8_t model = 3;  // EEPROM byte 5
    std::uint16_t serial = 12345;
    SimDate date;
    std::uint8_t marker = 170;  // EEPROM byte 1 (0xAA marks an instrument)
    bool driver = true;         // the port-access driver is installed
    InputSignal ch1{InputSignal::Kind::Sine, 1000.0, 1.0, 0.0};
    InputSignal ch2{InputSignal::Kind::Gen, 0.0, 0.0, 0.0};
    InputSignal ext{InputSignal::Kind::Dc, 0.0, 0.0, 0.0};
    double noise = 0.0;  // RMS volts of Gaussian noise on both channel inputs
    std::string trace;   // file that receives every port operation; empty for none

    bool virtualTime = false;  // time=virtual

    // Faults (see the top of this file).
    std::int64_t unplugMs = -1;  // below 0: the instrument stays connected
    StuckReady stuck = StuckReady::No;
    EepromFault eeprom = EepromFault::None;
    std::uint32_t eepromSeed = 1;
};

// Parses the ZARVO_SIM text. On an unknown key or a malformed value returns nothing and, when
// error is not null, stores a one-line message that names the key.
std::optional<SimConfig> ParseSimConfig(const std::string& text, std::string* error);

// The text form of a signal ("sine:1000:1", "gen", ...), as the configuration accepts it.
std::string FormatSignal(const InputSignal& signal);

}  // namespace zarvo::sim
