// SPDX-License-Identifier: MIT
// SCPI parameters as values (units, MINimum, MAXimum, DEFault) and values as answers.
#include "tools/servers/scpi/values.h"

#include <charconv>
#include <cmath>

#include "tools/servers/scpi/errors.h"

namespace zarvo::scpi {

namespace {

struct Prefix {
    const char* name;
    double factor;
    bool divide;  // factors below one divide by their inverse, so that 200MV is exactly 0.2
};

// SCPI's multipliers; M is milli, MA mega (MHZ is the exception below).
constexpr Prefix kPrefixes[] = {{"", 1, false},     {"EX", 1e18, false}, {"PE", 1e15, false},
                                {"T", 1e12, false}, {"G", 1e9, false},   {"MA", 1e6, false},
                                {"K", 1e3, false},  {"M", 1e3, true},    {"U", 1e6, true},
                                {"N", 1e9, true},   {"P", 1e12, true},   {"F", 1e15, true},
                                {"A", 1e18, true}};
constexpr Prefix kMegaHertz{"M", 1e6, false};

// The multiplier a unit suffix stands for; null when it is no unit of `base`.
const Prefix* PrefixOf(std::string_view unit, std::string_view base) {
    if (unit.empty()) return &kPrefixes[0];
    if (base.empty() || unit.size() < base.size()) return nullptr;
    if (unit.substr(unit.size() - base.size()) != base) return nullptr;
    const std::string_view prefix = unit.substr(0, unit.size() - base.size());
    if (base == "HZ" && prefix == "M") return &kMegaHertz;
    for (const Prefix& p : kPrefixes) {
        if (prefix == p.name) return &p;
    }
    return nullptr;
}

std::string Range(const NumberLimits& limits) {
    std::string unit(limits.unit);
    if (unit == "HZ") unit = "Hz";
    if (unit == "S") unit = "s";
    return FormatNumber(limits.min) + " to " + FormatNumber(limits.max) +
           (unit.empty() ? "" : " " + unit);
}

}  // namespace

bool MatchesMnemonic(std::string_view pattern, std::string_view word) {
    std::string shortForm;
    std::string longForm;
    for (char c : pattern) {
        const char upper = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        if (c == upper) shortForm += c;
        longForm += upper;
    }
    return word == shortForm || word == longForm;
}

std::string ShortForm(std::string_view pattern) {
    std::string out;
    for (char c : pattern) {
        if (!(c >= 'a' && c <= 'z')) out += c;
    }
    return out;
}

bool TakeBound(const Param& param, const NumberLimits& limits, double& value) {
    if (param.type != Param::Type::Word) return false;
    if (MatchesMnemonic("MINimum", param.text)) {
        value = limits.min;
    } else if (MatchesMnemonic("MAXimum", param.text)) {
        value = limits.max;
    } else if (MatchesMnemonic("DEFault", param.text)) {
        value = limits.def;
    } else {
        return false;
    }
    return true;
}

double TakeNumber(const Param& param, const NumberLimits& limits, std::string_view what) {
    double value = 0;
    if (TakeBound(param, limits, value)) return value;
    if (param.type != Param::Type::Number) {
        throw Refused(
            code::kDataType,
            std::string(what) + " takes a number (or MIN, MAX, DEF), not " + param.written);
    }
    const Prefix* prefix = PrefixOf(param.unit, limits.unit);
    if (prefix == nullptr) {
        throw Refused(
            code::kInvalidSuffix,
            std::string(what) + " takes " +
                (limits.unit.empty() ? std::string("no unit") : "a value in " + Range(limits)) +
                ", not " + param.written);
    }
    value = prefix->divide ? param.number / prefix->factor : param.number * prefix->factor;
    if (!std::isfinite(value) || value < limits.min || value > limits.max) {
        throw Refused(code::kDataOutOfRange,
                      std::string(what) + " takes " + Range(limits) + ", not " + param.written);
    }
    // In range, so the rounding cannot overflow.
    return limits.integer ? std::nearbyint(value) : value;
}

bool TakeBoolean(const Param& param, std::string_view what) {
    if (param.type == Param::Type::Word && (param.text == "ON" || param.text == "OFF")) {
        return param.text == "ON";
    }
    if (param.type == Param::Type::Number && param.unit.empty() &&
        (param.number == 0 || param.number == 1)) {
        return param.number == 1;
    }
    throw Refused(code::kIllegalValue,
                  std::string(what) + " takes ON, OFF, 1 or 0, not " + param.written);
}

std::size_t TakeChoice(const Param& param, std::span<const char* const> choices,
                       std::string_view what) {
    if (param.type == Param::Type::Word) {
        for (std::size_t i = 0; i < choices.size(); ++i) {
            if (MatchesMnemonic(choices[i], param.text)) return i;
        }
    }
    std::string list;
    for (const char* c : choices) {
        if (!list.empty()) list += '|';
        list += c;
    }
    throw Refused(code::kIllegalValue,
                  std::string(what) + " takes " + list + ", not " + param.written);
}

int TakeChannel(const Param& param, int channels) {
    if (param.type == Param::Type::Word) {
        std::size_t digits = param.text.size();
        while (digits > 0 && param.text[digits - 1] >= '0' && param.text[digits - 1] <= '9')
            --digits;
        const std::string name = param.text.substr(0, digits);
        const std::string number = param.text.substr(digits);
        int ch = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), ch);
        if ((name == "CH" || MatchesMnemonic("CHANnel", name)) && ec == std::errc() &&
            end == number.data() + number.size() && ch >= 1 && ch <= channels) {
            return ch;
        }
    }
    throw Refused(code::kIllegalValue,
                  "the source is CH1 to CH" + std::to_string(channels) + ", not " + param.written);
}

std::string FormatNumber(double value) {
    if (!std::isfinite(value)) value = kNotANumber;
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    std::string out(text, ec == std::errc() ? end : text);
    for (char& c : out) {
        if (c == 'e') c = 'E';
    }
    return out;
}

void ExpectParams(const Unit& unit, std::size_t count, std::string_view what) {
    if (unit.params.size() < count) {
        throw Refused(code::kMissingParameter, std::string(what) + " needs " +
                                                   std::to_string(count) + " parameter" +
                                                   (count == 1 ? "" : "s"));
    }
    if (unit.params.size() > count) {
        throw Refused(
            code::kParameterNotAllowed,
            std::string(what) + (count == 0 ? " takes no parameter"
                                            : " takes " + std::to_string(count) + " parameter" +
                                                  (count == 1 ? "" : "s")));
    }
}

}  // namespace zarvo::scpi
