// Configuration of the simulated instrument, from the ZARVO_SIM text: "1" for every default,
// or comma-separated key=value pairs (lpt, model, serial, date, marker, driver, ch1, ch2, ext,
// noise, trace).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zarvo::sim {

// An input signal. Periodic shapes start their period at signal time 0 rising through their
// offset (sine and triangle) or at their high level (square).
struct InputSignal {
    enum class Kind { Sine, Square, Triangle, Dc, Gen };
    Kind kind = Kind::Dc;
    double frequency = 0.0;  // Hz, >= 0 (periodic shapes)
    double amplitude = 0.0;  // volts, peak (periodic shapes); negative inverts the shape
    double offset = 0.0;     // volts (periodic shapes) or the level of dc
    bool operator==(const InputSignal&) const = default;
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
};

// Parses the ZARVO_SIM text. On an unknown key or a malformed value returns nothing and, when
// error is not null, stores a one-line message that names the key.
std::optional<SimConfig> ParseSimConfig(const std::string& text, std::string* error);

// The text form of a signal ("sine:1000:1", "gen", ...), as the configuration accepts it.
std::string FormatSignal(const InputSignal& signal);

}  // namespace zarvo::sim
