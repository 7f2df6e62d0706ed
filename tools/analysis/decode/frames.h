// SPDX-License-Identifier: MIT
// What the serial-bus decoders work on (a record's volts) and what they give back (frames).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo::analysis::decode {

enum class Bus { Uart, I2c, Spi };
enum class Kind { Start, Address, Data, Ack, Nack, Stop, Error };

// "uart", "i2c", "spi"; "start", "address", "data", "ack", "nack", "stop", "error".
const char* BusName(Bus bus);
const char* KindName(Kind kind);

struct Frame {
    double start = 0.0;  // seconds from the trigger point
    double end = 0.0;
    Bus bus = Bus::Uart;
    Kind kind = Kind::Data;
    // Data: the word; address: the 7- or 10-bit address; start: 1 for a repeated start.
    std::uint32_t value = 0;
    bool read = false;       // I2C address: read (true) or write
    std::string_view error;  // empty, or a fixed text ("framing error", "parity error", ...)
};

// A record: each channel's volts (null for a channel not measured), the number of samples
// per channel, the sample rate, and the sample index of the trigger point.
struct Record {
    const double* volts[2] = {nullptr, nullptr};
    std::size_t count = 0;
    double rate = 0.0;
    double triggerIndex = 0.0;
};

struct Result {
    std::vector<Frame> frames;
    // Why no frame was found (a sentence), or empty.
    std::string message;
    double baud = 0.0;  // UART: the baud decoded at (given, or found in the record)
    // The level each channel was cut at and its hysteresis (volts); NaN for a channel unused.
    double threshold[2] = {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::quiet_NaN()};
    double hysteresis[2] = {0.0, 0.0};
};

}  // namespace zarvo::analysis::decode
