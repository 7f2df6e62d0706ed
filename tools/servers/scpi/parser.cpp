// SPDX-License-Identifier: MIT
// The lexer and parser of SCPI program messages.
#include "tools/servers/scpi/parser.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace zarvo::scpi {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool IsLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_';
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// What a person reads of a stretch of the line: printable characters, at most 40.
std::string Shown(std::string_view s) {
    std::string out;
    for (char c : s.substr(0, 40)) {
        const auto u = static_cast<unsigned char>(c);
        out += (u >= 0x20 && u < 0x7F) ? c : '?';
    }
    return s.size() > 40 ? out + "..." : out;
}

// The text in single quotes, built by appending: g++ 12 at -O3 misreads a short literal
// prepended to a temporary string as an overlapping copy (-Wrestrict).
std::string Quoted(std::string_view s) {
    std::string out(1, '\'');
    out += Shown(s);
    out += '\'';
    return out;
}

class Lexer {
public:
    explicit Lexer(std::string_view line) : s_(line) {}

    ParsedLine Parse() {
        ParsedLine result;
        for (;;) {
            SkipSpace();
            if (AtEnd()) break;
            Unit unit;
            if (auto error = ParseUnit(unit)) {
                result.error = error;
                break;
            }
            result.units.push_back(std::move(unit));
            SkipSpace();
            if (AtEnd()) break;
            if (s_[at_] != ';') {
                result.error = Error{code::kSyntax, "unexpected '" + Shown(s_.substr(at_, 1)) +
                                                        "' after " + Shown(s_.substr(0, at_))};
                break;
            }
            ++at_;
            SkipSpace();
            if (!AtEnd() && s_[at_] == ';') {
                result.error = Error{code::kSyntax, "an empty command between two ';'"};
                break;
            }
        }
        return result;
    }

private:
    bool AtEnd() const { return at_ >= s_.size(); }
    void SkipSpace() {
        while (!AtEnd() && IsSpace(s_[at_])) ++at_;
    }

    std::optional<Error> ParseUnit(Unit& unit) {
        const std::size_t start = at_;
        if (s_[at_] == '*') {
            unit.common = true;
            ++at_;
        } else if (s_[at_] == ':') {
            unit.absolute = true;
            ++at_;
        }
        for (;;) {
            Mnemonic m;
            if (auto error = ParseMnemonic(m, start)) return error;
            unit.header.push_back(std::move(m));
            if (AtEnd() || s_[at_] != ':' || unit.common) break;
            ++at_;
        }
        if (!AtEnd() && s_[at_] == '?') {
            unit.query = true;
            ++at_;
        }
        if (AtEnd() || s_[at_] == ';') return std::nullopt;
        if (!IsSpace(s_[at_])) {
            return Error{code::kSyntax, "unexpected '" + Shown(s_.substr(at_, 1)) +
                                            "' in the header " +
                                            Shown(s_.substr(start, at_ - start))};
        }
        SkipSpace();
        if (AtEnd() || s_[at_] == ';') return std::nullopt;
        for (;;) {
            Param p;
            if (auto error = ParseParam(p)) return error;
            unit.params.push_back(std::move(p));
            SkipSpace();
            if (AtEnd() || s_[at_] == ';') return std::nullopt;
            if (s_[at_] != ',') {
                return Error{code::kSyntax,
                             "expected ',' or ';' before '" + Shown(s_.substr(at_)) + "'"};
            }
            ++at_;
            SkipSpace();
        }
    }

    std::optional<Error> ParseMnemonic(Mnemonic& m, std::size_t unitStart) {
        const std::size_t start = at_;
        if (AtEnd() || !IsLetter(s_[at_])) {
            const std::string where =
                AtEnd() ? "the end of the line" : Quoted(s_.substr(at_, 1));
            return Error{code::kSyntax, "a command name must start with a letter, not " + where +
                                            " (in " + Shown(s_.substr(unitStart)) + ")"};
        }
        while (!AtEnd() && IsNameChar(s_[at_])) ++at_;
        std::string_view word = s_.substr(start, at_ - start);
        std::size_t digits = word.size();
        while (digits > 0 && IsDigit(word[digits - 1])) --digits;
        m.name = Upper(word.substr(0, digits));
        const std::string_view suffix = word.substr(digits);
        if (!suffix.empty()) {
            // Anything longer than a few digits is no channel of any instrument.
            int value = 0;
            const auto [end, ec] =
                std::from_chars(suffix.data(), suffix.data() + suffix.size(), value);
            m.suffix = (ec == std::errc() && end == suffix.data() + suffix.size() && value > 0)
                           ? value
                           : std::numeric_limits<int>::max();
        }
        return std::nullopt;
    }

    std::optional<Error> ParseParam(Param& p) {
        const std::size_t start = at_;
        const char c = s_[at_];
        std::optional<Error> error;
        if (c == '"' || c == '\'') {
            error = ParseString(p, c);
        } else if (IsDigit(c) || c == '+' || c == '-' || c == '.') {
            error = ParseNumber(p);
        } else if (IsLetter(c)) {
            p.type = Param::Type::Word;
            while (!AtEnd() && IsNameChar(s_[at_])) ++at_;
            p.text = Upper(s_.substr(start, at_ - start));
        } else if (c == '#') {
            error = Error{code::kDataType, "block and non-decimal data are not taken here (" +
                                               Shown(s_.substr(at_)) + ")"};
        } else if (c == ',') {
            error = Error{code::kSyntax, "a parameter is missing before ','"};
        } else {
            error =
                Error{code::kSyntax, Quoted(s_.substr(at_, 1)) + " cannot start a parameter"};
        }
        p.written = std::string(s_.substr(start, at_ - start));
        return error;
    }

    std::optional<Error> ParseString(Param& p, char quote) {
        p.type = Param::Type::String;
        ++at_;
        for (;;) {
            if (AtEnd()) return Error{code::kSyntax, "a string without its closing quote"};
            const char c = s_[at_++];
            if (c == quote) {
                if (AtEnd() || s_[at_] != quote) return std::nullopt;
                ++at_;  // a doubled quote stands for one
            }
            p.text += c;
        }
    }

    // Decimal numeric data: [+|-] digits [. digits] [E [+|-] digits], then an optional unit.
    std::optional<Error> ParseNumber(Param& p) {
        p.type = Param::Type::Number;
        const std::size_t start = at_;
        std::size_t i = at_;
        if (s_[i] == '+' || s_[i] == '-') ++i;
        std::size_t mantissaDigits = 0;
        while (i < s_.size() && IsDigit(s_[i])) ++i, ++mantissaDigits;
        if (i < s_.size() && s_[i] == '.') {
            ++i;
            while (i < s_.size() && IsDigit(s_[i])) ++i, ++mantissaDigits;
        }
        if (mantissaDigits == 0) {
            return Error{code::kSyntax, Quoted(s_.substr(start)) + " is not a number"};
        }
        // An exponent only when digits follow; "1E" alone would be a unit (none is called E).
        std::size_t j = i;
        while (j < s_.size() && IsSpace(s_[j])) ++j;
        if (j < s_.size() && (s_[j] == 'E' || s_[j] == 'e')) {
            std::size_t k = j + 1;
            while (k < s_.size() && IsSpace(s_[k])) ++k;
            if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
            if (k < s_.size() && IsDigit(s_[k])) {
                while (k < s_.size() && IsDigit(s_[k])) ++k;
                i = k;
            }
        }
        std::string text;
        for (std::size_t k = start; k < i; ++k) {
            if (!IsSpace(s_[k]) && s_[k] != '+') text += s_[k];
        }
        double value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc::result_out_of_range) {
            // Beyond a double: a negative exponent makes it zero, a positive one infinite,
            // which every range refuses.
            const std::size_t e = text.find_first_of("Ee");
            const bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
            value = tiny ? 0.0 : (text[0] == '-' ? -HUGE_VAL : HUGE_VAL);
        } else if (ec != std::errc() || end != text.data() + text.size()) {
            return Error{code::kSyntax,
                         Quoted(s_.substr(start, i - start)) + " is not a number"};
        }
        p.number = value;
        at_ = i;
        // The unit: letters right after the number or after spaces.
        std::size_t u = at_;
        while (u < s_.size() && IsSpace(s_[u])) ++u;
        if (u < s_.size() && IsLetter(s_[u])) {
            const std::size_t unitStart = u;
            while (u < s_.size() && (IsLetter(s_[u]) || s_[u] == '/')) ++u;
            p.unit = Upper(s_.substr(unitStart, u - unitStart));
            at_ = u;
        } else if (at_ < s_.size() && (IsDigit(s_[at_]) || s_[at_] == '.')) {
            return Error{code::kSyntax, Quoted(s_.substr(start)) + " is not a number"};
        }
        return std::nullopt;
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

}  // namespace

ParsedLine ParseLine(std::string_view line) {
    return Lexer(line).Parse();
}

}  // namespace zarvo::scpi
