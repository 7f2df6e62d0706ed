// SPDX-License-Identifier: MIT
// A record's serial-bus frames: the decoders run on a tool record, and the frames as people
// read them.
#pragma once

#include <string>

#include "tools/analysis/decode/decode.h"
#include "tools/core/record.h"

namespace zarvo::analysis {

// The frames the setting finds in the record's traces (times from its trigger point).
::analysis::decode::Result DecodeFrames(const ::analysis::decode::BusSetup& setup,
                                        const cli::Record& record);

// Whether a channel (1 or 2) is among the record's traces.
bool HasChannel(const cli::Record& record, int channel);

// A frame's kind and value as a person reads it: "data 0x48 'H'" (the character for a
// printable UART byte), "address 0x50 write", "ack", "start", "repeated start", "stop",
// with its error after it ("data 0x00 framing error").
std::string FrameText(const ::analysis::decode::Frame& frame);

// A frame's value for a table: "0x48", "0x50 write", "repeated" for a repeated start; empty
// for a start, stop, ack and nack.
std::string FrameValue(const ::analysis::decode::Frame& frame);

// True for a UART byte that prints as a character of its own (space to '~').
bool Printable(const ::analysis::decode::Frame& frame);

}  // namespace zarvo::analysis
