// SPDX-License-Identifier: MIT
// Parameters as values and values as answers: numbers with unit suffixes and MINimum,
// MAXimum, DEFault; booleans; mnemonic choices; the number format of the answers.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tools/servers/scpi/parser.h"

namespace zarvo::scpi {

// SCPI's "not a number": the answer for a figure that cannot be measured.
constexpr double kNotANumber = 9.91e37;

struct NumberLimits {
    std::string_view unit;  // "V", "HZ", "S"; empty for a count
    double min = 0;
    double max = 0;
    double def = 0;
    bool integer = false;  // rounded to the nearest whole number once in range
};

// Whether a word is a mnemonic written in its short or long form ("POS" or "POSITIVE" for
// "POSitive"; the upper-case letters are the short form).
bool MatchesMnemonic(std::string_view pattern, std::string_view word);
// The short form of a pattern ("POS" for "POSitive").
std::string ShortForm(std::string_view pattern);

// The value of a numeric parameter in base units: refuses with -104 (not a number), -131
// (a unit of another quantity) or -222 (outside [min, max]). `what` names it in messages.
double TakeNumber(const Param& param, const NumberLimits& limits, std::string_view what);
// MIN, MAX or DEF as a query parameter; false for anything else.
bool TakeBound(const Param& param, const NumberLimits& limits, double& value);
// ON, OFF, 1 or 0; -224 otherwise.
bool TakeBoolean(const Param& param, std::string_view what);
// The index of the choice the word names; -224 otherwise.
std::size_t TakeChoice(const Param& param, std::span<const char* const> choices,
                       std::string_view what);
// CH1, CH2 (or CHANnel1 ...): the channel a data query reads; -224 otherwise.
int TakeChannel(const Param& param, int channels);

// A number in the shortest form that reads back to the same double, exponent in upper case
// ("2", "0.15625", "1E+06"); 9.91E+37 for a value that is not finite.
std::string FormatNumber(double value);

// Checks the count of parameters: -109 for too few, -108 for too many.
void ExpectParams(const Unit& unit, std::size_t count, std::string_view what);

}  // namespace zarvo::scpi
