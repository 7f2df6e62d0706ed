// SPDX-License-Identifier: MIT
// The view's Decode control: the bus and its settings as the settings table holds them (the
// `decode.*` rows), the decode setting they make, and the one in force for every thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/analysis/decode/setup.h"

namespace zarvo::station {

struct DecodeControls {
    std::string bus = "off";  // off, uart, i2c, spi
    double baud = 0;          // 0: found from the record
    int ch = 1;
    int bits = 8;
    std::string parity = "none";
    int stop = 1;
    bool invert = false;
    int scl = 1;
    int sda = 2;
    int clk = 1;
    int data = 2;
    int mode = 0;
    bool lsb = false;
    bool autoThreshold = true;  // the middle of each line's swing
    double threshold = 1.65;    // volts, when not automatic
};

// The decode setting the controls make, as the command line writes it ("uart:ch=1:bits=8..."),
// or empty when decoding is off.
std::string DecodeSpec(const DecodeControls& controls);

// The setting in force (none when off), as the last accepted change of the rows left it;
// read by the threads that describe records.
std::optional<::analysis::decode::BusSetup> DecodeInForce();
std::string DecodeSpecInForce();
void PutDecodeInForce(const DecodeControls& controls);

}  // namespace zarvo::station
