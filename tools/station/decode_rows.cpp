// SPDX-License-Identifier: MIT
// The decode.* rows of the settings table: the loop's own state (no export applies them),
// each change checked as a whole setting so that a bad one is refused and nothing changes.
#include <cstdio>
#include <mutex>

#include "tools/station/decode_controls.h"
#include "tools/station/settings_rows.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;

std::mutex inForceMutex;
std::optional<::analysis::decode::BusSetup> inForce;
std::string inForceSpec;

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// One row: `set` stores a checked value into a copy of the controls, `get` reads it back.
template <typename Set, typename Get>
Setting Row(const std::string& key, Kind kind, double min, double max,
            std::vector<std::string> choices, const std::string& label, const std::string& unit,
            Set set, Get get) {
    return {"decode." + key,
            kind,
            min,
            max,
            std::move(choices),
            label,
            unit,
            "",
            "",
            false,
            [set](const json& v, LoopControls& loop) -> Refusal {
                DecodeControls next = loop.decode;
                set(next, v);
                if (next.baud != 0 && (next.baud < ::analysis::decode::kLowestBaud ||
                                       next.baud > ::analysis::decode::kHighestBaud)) {
                    return {"baud " + Number(next.baud) +
                                " is outside 50 to 5,000,000 (0 finds it from the record)",
                            0};
                }
                const std::string spec = DecodeSpec(next);
                std::string error;
                if (!spec.empty() && !::analysis::decode::ParseBusSetup(spec, &error)) {
                    return {"decode " + spec + ": " + error, 0};
                }
                loop.decode = next;
                PutDecodeInForce(next);
                return {};
            },
            [get](const LoopControls& loop) -> json { return get(loop.decode); }};
}

}  // namespace

std::string DecodeSpec(const DecodeControls& c) {
    const auto n = [](int v) { return std::to_string(v); };
    std::string spec;
    if (c.bus == "uart") {
        spec = "uart:ch=" + n(c.ch) + ":bits=" + n(c.bits) + ":parity=" + c.parity +
               ":stop=" + n(c.stop);
        if (c.baud != 0) spec += ":baud=" + Number(c.baud);
        if (c.invert) spec += ":invert";
    } else if (c.bus == "i2c") {
        spec = "i2c:scl=" + n(c.scl) + ":sda=" + n(c.sda);
    } else if (c.bus == "spi") {
        spec = "spi:clk=" + n(c.clk) + ":data=" + n(c.data) + ":mode=" + n(c.mode) +
               ":bits=" + n(c.bits);
        if (c.lsb) spec += ":lsb";
    } else {
        return {};
    }
    if (!c.autoThreshold) spec += ":threshold=" + Number(c.threshold);
    return spec;
}

std::optional<::analysis::decode::BusSetup> DecodeInForce() {
    std::lock_guard lock(inForceMutex);
    return inForce;
}

std::string DecodeSpecInForce() {
    std::lock_guard lock(inForceMutex);
    return inForceSpec;
}

void PutDecodeInForce(const DecodeControls& controls) {
    const std::string spec = DecodeSpec(controls);
    std::lock_guard lock(inForceMutex);
    inForceSpec = spec;
    inForce = spec.empty() ? std::nullopt : ::analysis::decode::ParseBusSetup(spec, nullptr);
}

void AddDecode(std::vector<Setting>& table) {
    using C = DecodeControls;
    const auto channel = [&](const std::string& key, const std::string& label, int C::*member) {
        table.push_back(Row(
            key, Kind::Integer, 1, 2, {}, label, "",
            [member](C& c, const json& v) { c.*member = v.get<int>(); },
            [member](const C& c) -> json { return c.*member; }));
    };
    table.push_back(Row(
        "bus", Kind::Choice, 0, 0, {"off", "uart", "i2c", "spi"}, "decode", "",
        [](C& c, const json& v) {
            c.bus = v.get<std::string>();
            // Word widths that the new bus does not have go back to a byte.
            if (c.bus == "uart" && (c.bits < 5 || c.bits > 9)) c.bits = 8;
        },
        [](const C& c) -> json { return c.bus; }));
    table.push_back(Row(
        "baud", Kind::Number, 0, ::analysis::decode::kHighestBaud, {}, "baud", "Bd",
        [](C& c, const json& v) { c.baud = v.get<double>(); },
        [](const C& c) -> json { return c.baud; }));
    channel("ch", "UART channel", &C::ch);
    table.push_back(Row(
        "bits", Kind::Integer, 4, 16, {}, "bits per word", "",
        [](C& c, const json& v) { c.bits = v.get<int>(); },
        [](const C& c) -> json { return c.bits; }));
    table.push_back(Row(
        "parity", Kind::Choice, 0, 0, {"none", "even", "odd"}, "parity", "",
        [](C& c, const json& v) { c.parity = v.get<std::string>(); },
        [](const C& c) -> json { return c.parity; }));
    table.push_back(Row(
        "stop", Kind::Integer, 1, 2, {}, "stop bits", "",
        [](C& c, const json& v) { c.stop = v.get<int>(); },
        [](const C& c) -> json { return c.stop; }));
    table.push_back(Row(
        "invert", Kind::Boolean, 0, 0, {}, "inverted (idle low)", "",
        [](C& c, const json& v) { c.invert = v.get<bool>(); },
        [](const C& c) -> json { return c.invert; }));
    channel("scl", "SCL channel", &C::scl);
    channel("sda", "SDA channel", &C::sda);
    channel("clk", "clock channel", &C::clk);
    channel("data", "data channel", &C::data);
    table.push_back(Row(
        "mode", Kind::Integer, 0, 3, {}, "SPI mode", "",
        [](C& c, const json& v) { c.mode = v.get<int>(); },
        [](const C& c) -> json { return c.mode; }));
    table.push_back(Row(
        "lsb", Kind::Boolean, 0, 0, {}, "least significant bit first", "",
        [](C& c, const json& v) { c.lsb = v.get<bool>(); },
        [](const C& c) -> json { return c.lsb; }));
    table.push_back(Row(
        "autothreshold", Kind::Boolean, 0, 0, {}, "threshold at the middle of the swing", "",
        [](C& c, const json& v) { c.autoThreshold = v.get<bool>(); },
        [](const C& c) -> json { return c.autoThreshold; }));
    table.push_back(Row(
        "threshold", Kind::Number, -160, 160, {}, "decode threshold", "V",
        [](C& c, const json& v) { c.threshold = v.get<double>(); },
        [](const C& c) -> json { return c.threshold; }));
}

}  // namespace zarvo::station
