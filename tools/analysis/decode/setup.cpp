// SPDX-License-Identifier: MIT
// Parsing the decode setting ("uart:baud=9600:ch=1") into a bus set-up, a sentence per mistake.
#include "tools/analysis/decode/setup.h"

#include <charconv>
#include <cmath>
#include <initializer_list>

namespace zarvo::analysis::decode {

namespace {

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text.append(part);
    return text;
}

bool ParseNumber(std::string_view s, double* out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
        return false;
    }
    *out = value;
    return true;
}

bool ParseWhole(std::string_view s, int low, int high, int* out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return false;
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

struct Key {
    const char* name;
    bool flag;  // written bare (invert, lsb)
};

constexpr Key kUartKeys[] = {{"baud", false},     {"ch", false},   {"bits", false},
                             {"parity", false},   {"stop", false}, {"invert", true},
                             {"threshold", false}};
constexpr Key kI2cKeys[] = {{"scl", false}, {"sda", false}, {"threshold", false}};
constexpr Key kSpiKeys[] = {{"clk", false}, {"data", false}, {"mode", false},
                            {"lsb", true},  {"bits", false}, {"threshold", false}};

template <std::size_t N>
const Key* Find(const Key (&keys)[N], std::string_view name) {
    for (const Key& key : keys) {
        if (name == key.name) return &key;
    }
    return nullptr;
}

template <std::size_t N>
std::string KeyList(const Key (&keys)[N]) {
    std::string list;
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0) list += i + 1 == N ? " or " : ", ";
        list += keys[i].name;
    }
    return list;
}

// Stores one key's value; returns the sentence for a bad value, or empty.
std::string Apply(BusSetup* setup, std::string_view key, std::string_view value) {
    const std::string bus = BusName(setup->bus);
    const auto channel = [&](int* out) -> std::string {
        if (ParseWhole(value, 1, 2, out)) return {};
        return Join({key, " '", value, "' for ", bus, " is not a channel: give 1 or 2"});
    };
    if (key == "threshold") {
        double volts = 0.0;
        if (!ParseNumber(value, &volts)) {
            return Join({"threshold '", value, "' for ", bus, " is not a number of volts"});
        }
        setup->threshold = volts;
        return {};
    }
    if (key == "baud") {
        double baud = 0.0;
        if (!ParseNumber(value, &baud)) {
            return Join({"baud '", value, "' for uart is not a number"});
        }
        if (baud < kLowestBaud || baud > kHighestBaud) {
            return Join({"baud ", value, " for uart is outside 50 to 5,000,000"});
        }
        setup->baud = baud;
        return {};
    }
    if (key == "bits") {
        const bool uart = setup->bus == Bus::Uart;
        if (!ParseWhole(value, uart ? 5 : 4, uart ? 9 : 16, &setup->bits)) {
            return Join({"bits '", value, "' for ", bus, ": give ", uart ? "5 to 9" : "4 to 16"});
        }
        return {};
    }
    if (key == "parity") {
        if (value == "none") {
            setup->parity = Parity::None;
        } else if (value == "even") {
            setup->parity = Parity::Even;
        } else if (value == "odd") {
            setup->parity = Parity::Odd;
        } else {
            return Join({"parity '", value, "' for uart: give none, even or odd"});
        }
        return {};
    }
    if (key == "stop") {
        if (!ParseWhole(value, 1, 2, &setup->stopBits)) {
            return Join({"stop '", value, "' for uart: give 1 or 2 stop bits"});
        }
        return {};
    }
    if (key == "mode") {
        if (!ParseWhole(value, 0, 3, &setup->mode)) {
            return Join({"mode '", value, "' for spi: give 0, 1, 2 or 3"});
        }
        return {};
    }
    if (key == "ch") return channel(&setup->channel);
    if (key == "scl") return channel(&setup->scl);
    if (key == "sda") return channel(&setup->sda);
    if (key == "clk") return channel(&setup->clk);
    if (key == "data") return channel(&setup->data);
    if (key == "invert") setup->invert = true;
    if (key == "lsb") setup->lsbFirst = true;
    return {};
}

}  // namespace

const char* BusName(Bus bus) {
    switch (bus) {
        case Bus::Uart:
            return "uart";
        case Bus::I2c:
            return "i2c";
        case Bus::Spi:
            return "spi";
    }
    return "uart";
}

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Start:
            return "start";
        case Kind::Address:
            return "address";
        case Kind::Data:
            return "data";
        case Kind::Ack:
            return "ack";
        case Kind::Nack:
            return "nack";
        case Kind::Stop:
            return "stop";
        case Kind::Error:
            return "error";
    }
    return "error";
}

int BusSetup::Channels(int out[2]) const {
    switch (bus) {
        case Bus::Uart:
            out[0] = channel;
            return 1;
        case Bus::I2c:
            out[0] = scl;
            out[1] = sda;
            return 2;
        case Bus::Spi:
            out[0] = clk;
            out[1] = data;
            return 2;
    }
    return 0;
}

std::optional<BusSetup> ParseBusSetup(std::string_view text, std::string* error) {
    const auto fail = [error](std::string message) -> std::optional<BusSetup> {
        if (error != nullptr) *error = std::move(message);
        return std::nullopt;
    };
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    BusSetup setup;
    if (name == "uart") {
        setup.bus = Bus::Uart;
    } else if (name == "i2c") {
        setup.bus = Bus::I2c;
    } else if (name == "spi") {
        setup.bus = Bus::Spi;
    } else if (name.empty()) {
        return fail("no bus to decode: give uart, i2c or spi");
    } else {
        return fail(Join({"unknown bus '", name, "': give uart, i2c or spi"}));
    }
    std::string_view rest = colon == std::string_view::npos ? "" : text.substr(colon + 1);
    while (colon != std::string_view::npos) {
        const std::size_t next = rest.find(':');
        const std::string_view item = rest.substr(0, next);
        const std::size_t equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        const Key* found = setup.bus == Bus::Uart  ? Find(kUartKeys, key)
                           : setup.bus == Bus::I2c ? Find(kI2cKeys, key)
                                                   : Find(kSpiKeys, key);
        if (found == nullptr) {
            const std::string list = setup.bus == Bus::Uart  ? KeyList(kUartKeys)
                                     : setup.bus == Bus::I2c ? KeyList(kI2cKeys)
                                                             : KeyList(kSpiKeys);
            return fail(Join({"unknown key '", key, "' for ", name, ": give ", list}));
        }
        if (found->flag && equals != std::string_view::npos) {
            return fail(Join({"key '", key, "' for ", name, " takes no value: write ", key}));
        }
        if (!found->flag && equals == std::string_view::npos) {
            return fail(
                Join({"key '", key, "' for ", name, " needs a value: write ", key, "=..."}));
        }
        const std::string problem =
            Apply(&setup, key, equals == std::string_view::npos ? "" : item.substr(equals + 1));
        if (!problem.empty()) return fail(problem);
        if (next == std::string_view::npos) break;
        rest.remove_prefix(next + 1);
    }
    int channels[2] = {0, 0};
    if (setup.Channels(channels) == 2 && channels[0] == channels[1]) {
        const char* first = setup.bus == Bus::I2c ? "scl" : "clk";
        const char* second = setup.bus == Bus::I2c ? "sda" : "data";
        const std::string ch(1, static_cast<char>('0' + channels[0]));
        return fail(Join({first, " and ", second, " for ", name, " are both channel ", ch,
                          ": give them different channels"}));
    }
    return setup;
}

}  // namespace zarvo::analysis::decode
