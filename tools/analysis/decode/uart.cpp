// SPDX-License-Identifier: MIT
// UART: frames read from one line's level changes, the baud rate measured when none is given.
#include <cmath>
#include <cstdio>

#include "tools/analysis/decode/buses.h"

namespace zarvo::analysis::decode {

namespace {

constexpr double kCommonBauds[] = {300,   600,   1200,  2400,  4800,   9600,   14400,  19200,
                                   28800, 38400, 57600, 76800, 115200, 230400, 460800, 921600};
constexpr double kSnapWithin = 0.03;
// Fewer samples per bit than this cannot place the middle of every bit.
constexpr double kLeastSamplesPerBit = 4.0;
// Pulses longer than this many shortest ones are idle time, not bits.
constexpr double kLongestPulseBits = 12.0;

// The level at a position, or -1 beyond the record.
int LevelAt(const Line& line, std::size_t count, double position) {
    const double rounded = std::round(position);
    if (!(rounded >= 0.0 && rounded < static_cast<double>(count))) return -1;
    return line.level[static_cast<std::size_t>(rounded)];
}

std::string Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

// Frames from the line at perBit samples per bit.
static void ReadFrames(const BusSetup& setup, const Record& record, const Line& line, double perBit,
                       int idleBits, Result* result);

std::string FormatHz(double hz) {
    const char* unit = "Hz";
    double value = hz;
    if (hz >= 1e6) {
        unit = "MHz";
        value = hz / 1e6;
    } else if (hz >= 1e3) {
        unit = "kHz";
        value = hz / 1e3;
    }
    int decimals = 3;
    if (value >= 100.0) {
        decimals = 1;
    } else if (value >= 10.0) {
        decimals = 2;
    }
    const double scale = std::pow(10.0, decimals);
    // Rounded up, so that the rate named is enough; a hair of rounding error is not a digit.
    value = std::ceil(value * scale - 1e-6) / scale;
    std::string text = Number(value, decimals == 1 ? "%.1f" : decimals == 2 ? "%.2f" : "%.3f");
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text + " " + unit;
}

double FindBaud(const Line& line, std::size_t count, double rate) {
    double previous = -1.0;
    double shortest = INFINITY;
    for (std::size_t i = 1; i < count; ++i) {
        if (line.level[i] == line.level[i - 1]) continue;
        const double edge = line.EdgeAt(i);
        if (previous >= 0.0) shortest = std::min(shortest, edge - previous);
        previous = edge;
    }
    if (!std::isfinite(shortest) || shortest <= 0.0) return 0.0;
    double samples = 0.0;
    double bits = 0.0;
    previous = -1.0;
    for (std::size_t i = 1; i < count; ++i) {
        if (line.level[i] == line.level[i - 1]) continue;
        const double edge = line.EdgeAt(i);
        if (previous >= 0.0) {
            const double pulse = edge - previous;
            const double n = std::round(pulse / shortest);
            if (n <= kLongestPulseBits) {
                samples += pulse;
                bits += n;
            }
        }
        previous = edge;
    }
    const double baud = rate * bits / samples;
    for (const double common : kCommonBauds) {
        if (std::fabs(baud - common) <= kSnapWithin * common) return common;
    }
    return baud;
}

void DecodeUart(const BusSetup& setup, const Record& record, const Line& line, Result* result) {
    const std::size_t n = record.count;
    const std::string channel = std::to_string(setup.channel);
    if (line.edges == 0) {
        result->message = "no edges on channel " + channel;
        return;
    }
    const double baud = setup.baud > 0.0 ? setup.baud : FindBaud(line, n, record.rate);
    if (!(baud > 0.0)) {
        result->message =
            "only one edge on channel " + channel + ": the baud cannot be found; give it (baud=N)";
        return;
    }
    result->baud = baud;
    const double perBit = record.rate / baud;
    if (perBit < kLeastSamplesPerBit) {
        // To a tenth, but never shown as the 4 asked for.
        const double shown = std::floor(perBit * 10.0 + 0.5) / 10.0;
        result->message = Number(shown >= kLeastSamplesPerBit ? 3.9 : shown, "%.1f") +
                          " samples per bit at " + Number(baud, "%.10g") +
                          " baud: at least 4 are needed; a rate of " +
                          FormatHz(kLeastSamplesPerBit * baud) + " or more";
        return;
    }
    const int frameBits = 1 + setup.bits + (setup.parity == Parity::None ? 0 : 1) + setup.stopBits;
    ReadFrames(setup, record, line, perBit, frameBits, result);
    if (result->frames.empty()) {
        // A line that never pauses for a frame's time: read from its first edge on.
        ReadFrames(setup, record, line, perBit, 1, result);
    }
    if (result->frames.empty()) {
        result->message =
            "no complete frame on channel " + channel + " at " + Number(baud, "%.10g") + " baud";
    }
}

static void ReadFrames(const BusSetup& setup, const Record& record, const Line& line, double perBit,
                       int idleBits, Result* result) {
    const std::size_t n = record.count;
    // The idle (mark) state is high on a normal line and low on an inverted one.
    const int mark = setup.invert ? 0 : 1;
    const int parityBits = setup.parity == Parity::None ? 0 : 1;
    const int frameBits = 1 + setup.bits + parityBits + setup.stopBits;
    // Until a frame has been read, a start bit counts only after `idleBits` of idle line (a
    // frame's worth, which no frame holds): a record that opens in the middle of a byte
    // would otherwise take one of its data bits for a start bit. Back-to-back frames after
    // it are read without a pause.
    bool inStep = false;
    std::size_t idleSince = 0;
    std::size_t i = 1;
    while (i < n) {
        if (line.level[i - 1] != mark) idleSince = i;
        if (!(line.level[i - 1] == mark && line.level[i] != mark)) {
            ++i;
            continue;
        }
        if (!inStep && static_cast<double>(i - idleSince) < idleBits * perBit) {
            ++i;
            continue;
        }
        const double edge = line.EdgeAt(i);
        const auto bitAt = [&](int bit) { return LevelAt(line, n, edge + (bit + 0.5) * perBit); };
        const int last = bitAt(frameBits - 1);
        if (last < 0) break;  // the record ends inside this frame
        if (bitAt(0) == mark) {
            inStep = false;
            ++i;  // a glitch, not a start bit
            continue;
        }
        std::uint32_t value = 0;
        int ones = 0;
        for (int b = 0; b < setup.bits; ++b) {
            const bool one = bitAt(1 + b) == mark;
            value |= static_cast<std::uint32_t>(one) << b;
            ones += one ? 1 : 0;
        }
        bool parityOk = true;
        bool parityOne = false;
        if (parityBits != 0) {
            parityOne = bitAt(1 + setup.bits) == mark;
            const int total = ones + (parityOne ? 1 : 0);
            parityOk = (total % 2 == 0) == (setup.parity == Parity::Even);
        }
        bool stopOk = true;
        for (int s = 0; s < setup.stopBits; ++s) {
            stopOk = stopOk && bitAt(1 + setup.bits + parityBits + s) == mark;
        }
        Frame frame;
        frame.bus = Bus::Uart;
        frame.kind = Kind::Data;
        frame.value = value;
        frame.start = Seconds(edge, record);
        frame.end = Seconds(edge + frameBits * perBit, record);
        const double lastMiddle = edge + (frameBits - 0.5) * perBit;
        if (!stopOk && value == 0 && !parityOne) {
            // The line held in its active state for a whole frame: a break. It lasts until
            // the line goes idle again.
            frame.kind = Kind::Error;
            frame.error = "break";
            std::size_t j = static_cast<std::size_t>(lastMiddle);
            while (j < n && line.level[j] != mark) ++j;
            frame.end = Seconds(static_cast<double>(j), record);
            result->frames.push_back(frame);
            inStep = false;
            idleSince = j;
            i = j + 1;
            continue;
        }
        if (!stopOk) {
            frame.error = "framing error";
        } else if (!parityOk) {
            frame.error = "parity error";
        }
        result->frames.push_back(frame);
        inStep = stopOk;
        // The next start bit is searched from the middle of the last stop bit on.
        i = static_cast<std::size_t>(lastMiddle) + 1;
        idleSince = i - 1;
    }
}

}  // namespace zarvo::analysis::decode
