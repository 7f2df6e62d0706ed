// SPDX-License-Identifier: MIT
// Numbers for people: SI prefixes, significant digits, 1-2-5 steps and axes.
#include "tools/core/numbers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zarvo::core {

namespace {

// Powers of ten of the prefixes, pico to giga.
constexpr int kLowestPower = -12;
constexpr int kHighestPower = 9;
constexpr std::array<const char*, 8> kPrefixes = {"p", "n", "\xC2\xB5", "m", "", "k", "M", "G"};

// Every figure here comes from a finite double whose magnitude has been checked, so these
// conversions cannot overflow; a value outside the range still lands on a safe answer.
long long CheckedRound(double value) {
    constexpr double kLimit = 9.0e15;
    if (!std::isfinite(value)) return 0;
    return static_cast<long long>(std::clamp(std::round(value), -kLimit, kLimit));
}

// The exponent of the largest power of ten not above `magnitude` (which is positive and
// finite), corrected for log10's rounding at exact powers.
int DecimalExponent(double magnitude) {
    auto e = static_cast<int>(CheckedRound(std::floor(std::log10(magnitude))));
    if (std::pow(10.0, e + 1) <= magnitude) ++e;
    if (std::pow(10.0, e) > magnitude) --e;
    return e;
}

// m * 10^e with a division for negative exponents, so that 2e-1 comes out as the double nearest
// to 0.2 rather than 2 * 0.1000...01.
double Decimal(double m, int e) {
    return e >= 0 ? m * std::pow(10.0, e) : m / std::pow(10.0, -e);
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 15), value);
    std::string s = text;
    // "-0" and "-0.00" are zero.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

void DropTrailingZeros(std::string& s) {
    if (s.find('.') == std::string::npos) return;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
}

bool KnownFrequency(double hz) {
    return std::isfinite(hz) && hz > 0;
}

}  // namespace

SiScale ScaleFor(double magnitude) {
    magnitude = std::fabs(magnitude);
    if (!std::isfinite(magnitude) || magnitude == 0) return {};
    int power = DecimalExponent(magnitude);
    // Round towards minus infinity to a multiple of three.
    power = (power >= 0 ? power / 3 : -((-power + 2) / 3)) * 3;
    power = std::clamp(power, kLowestPower, kHighestPower);
    return {Decimal(1, -power), kPrefixes[static_cast<std::size_t>((power - kLowestPower) / 3)]};
}

std::string FormatSi(double value, std::string_view unit, int digits) {
    if (!std::isfinite(value)) return "-";
    digits = std::clamp(digits, 1, 15);
    const std::string space = unit.empty() ? "" : " ";
    if (value == 0) return "0" + space + std::string(unit);
    // Round to the significant digits first, so that 999.96 mV at four digits becomes 1 V.
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    const double rounded = std::strtod(text, nullptr);
    const SiScale scale = ScaleFor(rounded);
    const double scaled = rounded * scale.factor;
    const int decimals = digits - 1 - DecimalExponent(std::fabs(scaled));
    std::string number = Fixed(scaled, std::max(decimals, 0));
    DropTrailingZeros(number);
    if (unit.empty() && scale.prefix.empty()) return number;
    return number + " " + scale.prefix + std::string(unit);
}

std::string FormatFrequency(double hz, int digits) {
    return KnownFrequency(hz) ? FormatSi(hz, "Hz", digits) : "-";
}

std::string CsvNumber(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", std::clamp(digits, 1, 17), value);
    return text;
}

std::string CsvFrequency(double hz) {
    return KnownFrequency(hz) ? CsvNumber(hz, 9) : "";
}

double Step125(double value) {
    if (!std::isfinite(value) || value <= 0) return 1;
    const int e = DecimalExponent(value);
    // A hair of tolerance so that 0.2 computed as 2 * 0.1 stays 0.2.
    for (double m : {1.0, 2.0, 5.0}) {
        const double step = Decimal(m, e);
        if (step >= value * (1 - 1e-9)) return step;
    }
    return Decimal(1, e + 1);
}

double PerDivision(double span, int divisions) {
    if (divisions <= 0) return Step125(std::fabs(span));
    return Step125(std::fabs(span) / divisions);
}

std::string Axis::Label(double value) const {
    const double scaledStep = step * scale.factor;
    if (std::fabs(value) < step * 1e-6) value = 0;
    const int decimals = scaledStep > 0 ? -DecimalExponent(scaledStep) : 0;
    return Fixed(value * scale.factor, std::max(decimals, 0));
}

Axis MakeAxis(double lo, double hi, std::string_view unit) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0;
        hi = 1;
    }
    if (lo > hi) std::swap(lo, hi);
    // A flat signal (or one too narrow to tell from its offset) still gets an axis around it.
    const double centre = (lo + hi) / 2;
    if (hi - lo <= std::fabs(centre) * 1e-9 || hi - lo < std::numeric_limits<double>::min()) {
        const double half = centre != 0 ? std::fabs(centre) / 10 : 1;
        lo = centre - half;
        hi = centre + half;
    }
    const double tolerance = 1e-9;
    Axis axis;
    double step = Step125((hi - lo) / 10);
    long long first = 0;
    long long last = 0;
    for (;;) {
        first = CheckedRound(std::ceil(lo / step - tolerance));
        last = CheckedRound(std::floor(hi / step + tolerance));
        if (last - first + 1 <= 10) break;
        step = Step125(step * 1.01);
    }
    axis.step = step;
    const int e = DecimalExponent(step);
    const double mantissa = std::round(step / Decimal(1, e));
    for (long long k = first; k <= last; ++k) {
        axis.ticks.push_back(Decimal(static_cast<double>(k) * mantissa, e));
    }
    axis.scale = ScaleFor(std::max(std::fabs(lo), std::fabs(hi)));
    axis.unit = axis.scale.prefix + std::string(unit);
    return axis;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string ListedWithAnd(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
        text += words[i];
    }
    return text;
}

}  // namespace zarvo::core
