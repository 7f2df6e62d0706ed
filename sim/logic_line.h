// SPDX-License-Identifier: MIT
// Digital lines of the simulated serial buses: a pattern of levels, one per tick, repeated for
// ever, with edges as steep as the square wave's. Where the line next goes high or low is
// looked up in tables made once, so the trigger comparators get their answer without scanning.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace zarvo::sim {

class LogicLine {
public:
    // tickNs > 0, levels not empty, high not 0: the line is 0 V when low and `high` volts when
    // high (below 0 V for a line of inverted polarity).
    LogicLine(double tickNs, std::vector<std::uint8_t> levels, double high, std::string text);

    bool HighAt(std::int64_t t) const;
    // Earliest time >= t at which the line is high (low); max() when it never is.
    std::int64_t NextHigh(std::int64_t t) const;
    std::int64_t NextLow(std::int64_t t) const;

    double High() const { return high_; }
    // Average level over a repetition (what AC coupling removes).
    double Mean() const { return mean_; }
    // How the line was configured (ch1=... or bus=...).
    const std::string& Text() const { return text_; }

    bool operator==(const LogicLine& other) const {
        return tickNs_ == other.tickNs_ && levels_ == other.levels_ && high_ == other.high_;
    }

private:
    std::int64_t Next(std::int64_t t, bool high) const;

    double tickNs_;
    std::vector<std::uint8_t> levels_;
    // Ticks from each tick to the next high (low) one, cyclically; kNone when there is none.
    std::vector<std::uint32_t> toHigh_;
    std::vector<std::uint32_t> toLow_;
    double high_;
    double mean_ = 0.0;
    std::string text_;
};

// The lines the buses drive. The byte strings are not empty; rates and volts are positive.
//
// UART: 8 data bits least significant first, no parity, one stop bit, idle high; the bytes
// back to back from signal time 0, then 20 idle bit times, repeated.
std::shared_ptr<const LogicLine> UartLine(double baud, const std::vector<std::uint8_t>& bytes,
                                          double volts, std::string text);

// I2C at `rate` bits per second: a start at signal time 0, the 7-bit address with the write
// bit, the bytes, each acknowledged, a stop, then 20 idle bit times; repeated. Each bit is four
// quarter ticks: SCL low for two (SDA changes a quarter bit after SCL falls), high for two.
struct BusLines {
    std::shared_ptr<const LogicLine> ch1;
    std::shared_ptr<const LogicLine> ch2;
};
BusLines I2cLines(double rate, std::uint8_t address, const std::vector<std::uint8_t>& bytes,
                  double volts, const std::string& text);

// SPI mode 0: the clock (idle low) on channel 1, data most significant bit first on channel 2,
// changing as the clock falls and valid at its rising edge; the bytes back to back from signal
// time 0, then 20 bit times with clock and data low; repeated.
BusLines SpiLines(double rate, const std::vector<std::uint8_t>& bytes, double volts,
                  const std::string& text);

}  // namespace zarvo::sim
