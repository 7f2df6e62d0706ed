// SPDX-License-Identifier: MIT
// The decode setting as users write it:
//   uart[:baud=N][:ch=1|2][:bits=5..9][:parity=none|even|odd][:stop=1|2][:invert][:threshold=V]
//   i2c[:scl=1|2][:sda=1|2][:threshold=V]
//   spi[:clk=1|2][:data=1|2][:mode=0..3][:lsb][:bits=4..16][:threshold=V]
// Every key is optional; the defaults are the values given first.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/analysis/decode/frames.h"

namespace zarvo::analysis::decode {

enum class Parity { None, Even, Odd };

inline constexpr double kLowestBaud = 50.0;
inline constexpr double kHighestBaud = 5'000'000.0;

struct BusSetup {
    Bus bus = Bus::Uart;
    std::optional<double> threshold;  // volts; the middle of each line's swing when unset
    int bits = 8;                     // UART 5..9, SPI 4..16
    // UART
    double baud = 0.0;  // 0: found from the record
    int channel = 1;
    Parity parity = Parity::None;
    int stopBits = 1;
    bool invert = false;  // idle low
    // I2C
    int scl = 1;
    int sda = 2;
    // SPI
    int clk = 1;
    int data = 2;
    int mode = 0;  // CPOL in bit 1, CPHA in bit 0
    bool lsbFirst = false;

    // The channels the decoder reads (1 or 2), in the order the setting names them.
    int Channels(int out[2]) const;
};

// The setting, or nothing with a sentence in *error naming what is wrong.
std::optional<BusSetup> ParseBusSetup(std::string_view text, std::string* error);

}  // namespace zarvo::analysis::decode
