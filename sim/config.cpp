// SPDX-License-Identifier: MIT
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "sim/sim_config.h"

namespace zarvo::sim {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = s.find(separator);
        parts.push_back(s.substr(0, at));
        if (at == std::string_view::npos) return parts;
        s.remove_prefix(at + 1);
    }
}

bool ParseInteger(std::string_view s, long min, long max, long* out) {
    long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return false;
    if (value < min || value > max) return false;
    *out = value;
    return true;
}

bool ParseReal(std::string_view s, double* out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return false;
    if (!std::isfinite(value)) return false;
    *out = value;
    return true;
}

bool ParseDigits(std::string_view s, std::size_t at, std::size_t count, long* out) {
    if (at + count > s.size()) return false;
    long value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    *out = value;
    return true;
}

// YYYY-MM-DD or YYYY-MM-DDTHH:MM, digits only; the values are kept as written.
bool ParseDate(std::string_view s, SimDate* out) {
    if (s.size() != 10 && s.size() != 16) return false;
    long year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!ParseDigits(s, 0, 4, &year) || s[4] != '-' || !ParseDigits(s, 5, 2, &month) ||
        s[7] != '-' || !ParseDigits(s, 8, 2, &day)) {
        return false;
    }
    if (s.size() == 16 && (s[10] != 'T' || !ParseDigits(s, 11, 2, &hour) || s[13] != ':' ||
                           !ParseDigits(s, 14, 2, &minute))) {
        return false;
    }
    out->year = static_cast<std::uint16_t>(year);
    out->month = static_cast<std::uint8_t>(month);
    out->day = static_cast<std::uint8_t>(day);
    out->hour = static_cast<std::uint8_t>(hour);
    out->minute = static_cast<std::uint8_t>(minute);
    return true;
}

struct ShapeName {
    const char* name;
    InputSignal::Kind kind;
};
constexpr ShapeName kShapes[] = {{"sine", InputSignal::Kind::Sine},
                                 {"square", InputSignal::Kind::Square},
                                 {"triangle", InputSignal::Kind::Triangle}};

// Bytes as hex digits, two per byte: 1 to kMostBusBytes of them.
constexpr std::size_t kMostBusBytes = 256;
bool ParseHexBytes(std::string_view s, std::vector<std::uint8_t>* out) {
    if (s.empty() || s.size() % 2 != 0 || s.size() > 2 * kMostBusBytes) return false;
    out->clear();
    for (std::size_t i = 0; i < s.size(); i += 2) {
        std::uint8_t value = 0;
        const auto [end, ec] = std::from_chars(s.data() + i, s.data() + i + 2, value, 16);
        if (ec != std::errc() || end != s.data() + i + 2) return false;
        out->push_back(value);
    }
    return true;
}

// A bus rate in bits per second; faster than 100 Mbit/s would make a bit shorter than the
// simulator's nanosecond steps resolve.
bool ParseBusRate(std::string_view s, double* out) {
    return ParseReal(s, out) && *out > 0.0 && *out <= 1e8;
}

// The idle (high) level of a bus line, 3.3 V when left out; negative for a line of inverted
// polarity, idle below its 0 V state.
bool ParseBusVolts(const std::vector<std::string_view>& parts, std::size_t at, double* out) {
    *out = 3.3;
    if (parts.size() <= at) return true;
    return ParseReal(parts[at], out) && *out != 0.0 && std::fabs(*out) <= 100.0;
}

InputSignal LineSignal(std::shared_ptr<const LogicLine> line) {
    InputSignal input;
    input.kind = InputSignal::Kind::Line;
    input.line = std::move(line);
    return input;
}

// uart:BAUD:HEX[:VOLTS] on one channel.
bool ParseUart(std::string_view s, const std::vector<std::string_view>& parts, InputSignal* out) {
    double baud = 0.0;
    double volts = 0.0;
    std::vector<std::uint8_t> bytes;
    if (parts.size() < 3 || parts.size() > 4 || !ParseBusRate(parts[1], &baud) ||
        !ParseHexBytes(parts[2], &bytes) || !ParseBusVolts(parts, 3, &volts)) {
        return false;
    }
    *out = LineSignal(UartLine(baud, bytes, volts, std::string(s)));
    return true;
}

// bus=i2c:RATE:ADDR:HEX[:VOLTS] or bus=spi:RATE:HEX[:VOLTS], on both channels.
bool ParseBus(std::string_view s, SimConfig* config) {
    const std::vector<std::string_view> parts = Split(s, ':');
    double rate = 0.0;
    double volts = 0.0;
    std::vector<std::uint8_t> bytes;
    BusLines lines;
    if (parts[0] == "i2c") {
        std::uint8_t address = 0;
        if (parts.size() < 4 || parts.size() > 5 || !ParseBusRate(parts[1], &rate)) return false;
        const std::string_view a = parts[2];
        const auto [end, ec] = std::from_chars(a.data(), a.data() + a.size(), address, 16);
        if (a.empty() || ec != std::errc() || end != a.data() + a.size() || address > 0x7F ||
            !ParseHexBytes(parts[3], &bytes) || !ParseBusVolts(parts, 4, &volts)) {
            return false;
        }
        lines = I2cLines(rate, address, bytes, volts, std::string(s));
    } else if (parts[0] == "spi") {
        if (parts.size() < 3 || parts.size() > 4 || !ParseBusRate(parts[1], &rate) ||
            !ParseHexBytes(parts[2], &bytes) || !ParseBusVolts(parts, 3, &volts)) {
            return false;
        }
        lines = SpiLines(rate, bytes, volts, std::string(s));
    } else {
        return false;
    }
    config->ch1 = LineSignal(lines.ch1);
    config->ch2 = LineSignal(lines.ch2);
    return true;
}

bool ParseSignal(std::string_view s, InputSignal* out) {
    const std::vector<std::string_view> parts = Split(s, ':');
    InputSignal input;
    if (parts[0] == "uart") return ParseUart(s, parts, out);
    if (parts[0] == "gen") {
        if (parts.size() != 1) return false;
        input.kind = InputSignal::Kind::Gen;
    } else if (parts[0] == "dc") {
        if (parts.size() != 2 || !ParseReal(parts[1], &input.offset)) return false;
        input.kind = InputSignal::Kind::Dc;
    } else {
        const ShapeName* shape = nullptr;
        for (const ShapeName& candidate : kShapes) {
            if (parts[0] == candidate.name) shape = &candidate;
        }
        if (shape == nullptr || parts.size() < 3 || parts.size() > 4) return false;
        input.kind = shape->kind;
        if (!ParseReal(parts[1], &input.frequency) || input.frequency < 0.0 ||
            !ParseReal(parts[2], &input.amplitude)) {
            return false;
        }
        if (parts.size() == 4 && !ParseReal(parts[3], &input.offset)) return false;
    }
    *out = input;
    return true;
}

// stuck=ready or stuck=busy.
bool ParseStuck(std::string_view s, StuckReady* out) {
    if (s == "ready") {
        *out = StuckReady::Ready;
    } else if (s == "busy") {
        *out = StuckReady::Busy;
    } else {
        return false;
    }
    return true;
}

// eeprom=garbage[:SEED], eeprom=noise[:SEED] or eeprom=factory.
bool ParseEepromFault(std::string_view s, SimConfig* config) {
    const std::vector<std::string_view> parts = Split(s, ':');
    EepromFault fault = EepromFault::None;
    if (parts[0] == "garbage") {
        fault = EepromFault::Garbage;
    } else if (parts[0] == "noise") {
        fault = EepromFault::Noise;
    } else if (parts[0] != "factory" || parts.size() != 1) {
        return false;
    }
    if (parts.size() > 2) return false;
    std::uint32_t seed = 1;
    if (parts.size() == 2) {
        const std::string_view text = parts[1];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return false;
    }
    config->eeprom = fault;
    config->eepromSeed = seed;
    return true;
}

// One key's parser: stores the value and returns true, or returns false with a description
// of what the value should look like.
struct KeyParser {
    const char* key;
    const char* expected;
    bool (*parse)(std::string_view value, SimConfig* config);
};

template <typename Field>
bool StoreInteger(std::string_view v, long min, long max, Field* field) {
    long value = 0;
    if (!ParseInteger(v, min, max, &value)) return false;
    *field = static_cast<Field>(value);
    return true;
}

constexpr KeyParser kKeys[] = {
    {"lpt", "0, 1, 2 or 3",
     [](std::string_view v, SimConfig* c) { return StoreInteger(v, 0, 3, &c->lpt); }},
    {"model", "an integer 0..255",
     [](std::string_view v, SimConfig* c) { return StoreInteger(v, 0, 255, &c->model); }},
    {"serial", "an integer 0..65535",
     [](std::string_view v, SimConfig* c) { return StoreInteger(v, 0, 65535, &c->serial); }},
    {"date", "YYYY-MM-DD or YYYY-MM-DDTHH:MM",
     [](std::string_view v, SimConfig* c) { return ParseDate(v, &c->date); }},
    {"marker", "an integer 0..255",
     [](std::string_view v, SimConfig* c) { return StoreInteger(v, 0, 255, &c->marker); }},
    {"driver", "0 or 1",
     [](std::string_view v, SimConfig* c) { return StoreInteger(v, 0, 1, &c->driver); }},
    {"ch1", "sine|square|triangle:HZ:AMPL[:OFFSET], dc:VOLTS, gen or uart:BAUD:HEX[:VOLTS]",
     [](std::string_view v, SimConfig* c) { return ParseSignal(v, &c->ch1); }},
    {"ch2", "sine|square|triangle:HZ:AMPL[:OFFSET], dc:VOLTS, gen or uart:BAUD:HEX[:VOLTS]",
     [](std::string_view v, SimConfig* c) { return ParseSignal(v, &c->ch2); }},
    {"bus", "i2c:RATE:ADDR:HEX[:VOLTS] or spi:RATE:HEX[:VOLTS]",
     [](std::string_view v, SimConfig* c) { return ParseBus(v, c); }},
    {"ext", "sine|square|triangle:HZ:AMPL[:OFFSET], dc:VOLTS or gen",
     [](std::string_view v, SimConfig* c) { return ParseSignal(v, &c->ext); }},
    {"noise", "RMS volts, 0 or more",
     [](std::string_view v, SimConfig* c) {
         double value = 0.0;
         if (!ParseReal(v, &value) || value < 0.0) return false;
         c->noise = value;
         return true;
     }},
    {"time", "real or virtual",
     [](std::string_view v, SimConfig* c) {
         if (v != "real" && v != "virtual") return false;
         c->virtualTime = v == "virtual";
         return true;
     }},
    {"unplug", "milliseconds, an integer 0..2147483647",
     [](std::string_view v, SimConfig* c) {
         return StoreInteger(v, 0, 0x7FFFFFFFL, &c->unplugMs);
     }},
    {"stuck", "ready or busy",
     [](std::string_view v, SimConfig* c) { return ParseStuck(v, &c->stuck); }},
    {"eeprom", "garbage[:SEED], noise[:SEED] or factory",
     [](std::string_view v, SimConfig* c) { return ParseEepromFault(v, c); }},
    {"trace", "a file name",
     [](std::string_view v, SimConfig* c) {
         if (v.empty()) return false;
         c->trace = std::string(v);
         return true;
     }},
};

// Concatenation by appending: gcc 12 warns falsely about operator+ chains on strings at -O3.
std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text.append(part);
    return text;
}

std::string Real(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

std::optional<SimConfig> ParseSimConfig(const std::string& text, std::string* error) {
    const auto fail = [error](std::string message) -> std::optional<SimConfig> {
        if (error != nullptr) *error = Join({"ZARVO_SIM: ", message});
        return std::nullopt;
    };
    SimConfig config;
    const std::string_view whole = Trim(text);
    if (whole.empty() || whole == "1") return config;
    // bus= drives both channels: a channel signal given beside it would silently lose to it
    // or replace one of its lines, so the two exclude each other.
    std::string_view channelKey;
    bool busGiven = false;
    for (std::string_view item : Split(whole, ',')) {
        item = Trim(item);
        if (item.empty()) continue;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            return fail(Join({"setting '", item, "' is not key=value"}));
        }
        const std::string_view key = Trim(item.substr(0, equals));
        const std::string_view value = Trim(item.substr(equals + 1));
        const KeyParser* parser = nullptr;
        for (const KeyParser& candidate : kKeys) {
            if (key == candidate.key) parser = &candidate;
        }
        if (parser == nullptr) return fail(Join({"unknown key '", key, "'"}));
        if (key == "bus") busGiven = true;
        if (key == "ch1" || key == "ch2") channelKey = parser->key;
        if (busGiven && !channelKey.empty()) {
            return fail(Join(
                {"key '", channelKey, "' cannot be given with 'bus', which drives both channels"}));
        }
        if (!parser->parse(value, &config)) {
            return fail(Join({"malformed value '", value, "' for key '", key, "' (expected ",
                              parser->expected, ")"}));
        }
    }
    return config;
}

std::string FormatSignal(const InputSignal& signal) {
    switch (signal.kind) {
        case InputSignal::Kind::Gen:
            return "gen";
        case InputSignal::Kind::Dc:
            return Join({"dc:", Real(signal.offset)});
        case InputSignal::Kind::Line:
            return signal.line != nullptr ? signal.line->Text() : std::string("dc:0");
        case InputSignal::Kind::Sine:
        case InputSignal::Kind::Square:
        case InputSignal::Kind::Triangle:
            break;
    }
    const char* shape = signal.kind == InputSignal::Kind::Sine     ? "sine"
                        : signal.kind == InputSignal::Kind::Square ? "square"
                                                                   : "triangle";
    const std::string offset = signal.offset != 0.0 ? Join({":", Real(signal.offset)}) : "";
    return Join({shape, ":", Real(signal.frequency), ":", Real(signal.amplitude), offset});
}

}  // namespace zarvo::sim
