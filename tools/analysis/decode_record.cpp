// SPDX-License-Identifier: MIT
// The decoders on a tool record, and the words and hex a frame is shown with.
#include "tools/analysis/decode_record.h"

#include <cstdio>

namespace zarvo::analysis {

decode::Result DecodeFrames(const decode::BusSetup& setup, const core::Record& record) {
    decode::Record volts;
    volts.count = record.size();
    volts.rate = record.sampleRate;
    volts.triggerIndex = record.preSamples;
    for (const core::Trace& trace : record.traces) {
        if ((trace.channel == 1 || trace.channel == 2) && trace.volts.size() == volts.count) {
            volts.volts[trace.channel - 1] = trace.volts.data();
        }
    }
    return decode::Decode(setup, volts);
}

bool HasChannel(const core::Record& record, int channel) {
    for (const core::Trace& trace : record.traces) {
        if (trace.channel == channel) return true;
    }
    return false;
}

bool Printable(const decode::Frame& frame) {
    return frame.bus == decode::Bus::Uart && frame.kind == decode::Kind::Data &&
           frame.value >= 0x20 && frame.value <= 0x7E;
}

std::string FrameValue(const decode::Frame& frame) {
    if (frame.kind == decode::Kind::Start) return frame.value != 0 ? "repeated" : "";
    if (frame.kind != decode::Kind::Data && frame.kind != decode::Kind::Address) return {};
    // Words wider than a byte (9-bit UART, SPI up to 16 bits, 10-bit addresses) get the
    // digits they need.
    char hex[16];
    const int digits = frame.value > 0xFFF ? 4 : frame.value > 0xFF ? 3 : 2;
    std::snprintf(hex, sizeof hex, "0x%0*X", digits, static_cast<unsigned>(frame.value));
    std::string text = hex;
    if (frame.kind == decode::Kind::Address) text += frame.read ? " read" : " write";
    return text;
}

std::string FrameText(const decode::Frame& frame) {
    std::string text;
    if (frame.kind == decode::Kind::Start && frame.value != 0) {
        text = "repeated start";
    } else {
        text = decode::KindName(frame.kind);
    }
    const std::string value = frame.kind == decode::Kind::Start ? "" : FrameValue(frame);
    if (!value.empty()) text += " " + value;
    if (Printable(frame)) {
        text += " '";
        text += static_cast<char>(frame.value);
        text += "'";
    }
    if (!frame.error.empty()) {
        text += " ";
        text += frame.error;
    }
    return text;
}

}  // namespace zarvo::analysis
