// SPDX-License-Identifier: MIT
// How the tools write numbers for people, shared by capture, monitor and the live view so that
// a figure reads the same wherever it appears:
// - FormatSi: a value with an SI prefix and a chosen number of significant digits ("12.3 mV",
//   "1 kHz", "-250 µs"); a value that is not a finite number reads "-".
// - FormatFrequency / CsvFrequency: a frequency that could not be estimated (0, negative or not
//   finite) is "-" in text and an empty field in CSV, never a measured zero.
// - MakeAxis: axis ticks at 1-2-5 steps (4 to 10 of them, each a whole multiple of the step)
//   over any span, with the SI prefix that keeps the labels short ("ms", "mV").
// - Step125 / PerDivision: the 1-2-5 series, and the volts or seconds per division that fit a
//   span into a number of divisions of a scope graticule (10 across, 8 up).
// - Lower: a name or unit in lower case, for comparing what people type ("MHz", "CSV").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarvo::core {

// Divisions of the graticule a scope screen draws.
constexpr int kTimeDivisions = 10;
constexpr int kVoltDivisions = 8;

// A power of a thousand and its prefix, for writing values of one magnitude.
struct SiScale {
    double factor = 1;   // multiply a value in base units by this for the prefixed unit
    std::string prefix;  // "", "m", "µ" (UTF-8), "k", ...
};

// The prefix that writes `magnitude` (taken as its absolute value) with 1 to 3 digits before
// the decimal point; from pico to giga. Zero and non-finite values take no prefix.
SiScale ScaleFor(double magnitude);

// "12.3 mV" for FormatSi(0.0123, "V", 3). Trailing zeros are dropped ("1 kHz"). An empty unit
// gives just the number with its prefix ("1.5 k").
std::string FormatSi(double value, std::string_view unit, int digits = 4);

// A frequency in Hz, or "-" when it could not be estimated.
std::string FormatFrequency(double hz, int digits = 4);

// A number for a CSV field: plain, no prefix, up to `digits` significant digits.
std::string CsvNumber(double value, int digits = 9);

// A frequency for a CSV field: empty when it could not be estimated.
std::string CsvFrequency(double hz);

// The smallest value of the 1-2-5 series (..., 0.1, 0.2, 0.5, 1, 2, 5, 10, ...) that is at
// least `value`; values that are not positive and finite give 1.
double Step125(double value);

// The 1-2-5 amount per division that fits `span` into `divisions` divisions.
double PerDivision(double span, int divisions);

// Ticks of one axis.
struct Axis {
    std::vector<double> ticks;  // in base units, ascending, each a multiple of step
    double step = 1;            // in base units
    SiScale scale;              // for the labels
    std::string unit;           // the scaled unit, e.g. "ms"

    // A tick's label in the scaled unit, without the unit, with as many decimals as the step
    // needs ("0.5", "10", "-2").
    std::string Label(double value) const;
};

// Ticks over [lo, hi] (either order) at the smallest 1-2-5 step that gives at most 10 ticks;
// that step always gives at least 4. An empty or degenerate span is widened around its value.
Axis MakeAxis(double lo, double hi, std::string_view unit);

// ASCII letters in lower case; every other byte as it is.
std::string Lower(std::string_view text);

// Words as a sentence lists them: "a", "a and b", "a, b and c".
std::string ListedWithAnd(const std::vector<std::string>& words);

}  // namespace zarvo::core
