// SPDX-License-Identifier: MIT
// Real-to-integer conversions of the driver. Every conversion rounds to the nearest integer
// with halves to even (banker's rounding, as the instrument's arithmetic expects) and is
// defined for every input: NaN gives 0 and out-of-range magnitudes saturate before they are
// narrowed, so no caller value can reach undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace zarvo {

// The component's real type: 80-bit extended where the compiler has it.
using Extended = long double;

// Nearest integer, halves to even, independent of the floating-point rounding mode.
inline long double RoundHalfEven(long double x) {
    if (!std::isfinite(x)) return x;
    const long double fl = std::floor(x);
    const long double diff = x - fl;
    if (diff < 0.5L) return fl;
    if (diff > 0.5L) return fl + 1.0L;
    return std::fmod(fl, 2.0L) == 0.0L ? fl : fl + 1.0L;
}

// Rounds and saturates to [lo, hi]; NaN gives 0 clamped into the range.
template <typename Int>
inline Int RoundSaturate(long double x, Int lo = std::numeric_limits<Int>::min(),
                         Int hi = std::numeric_limits<Int>::max()) {
    if (std::isnan(x)) {
        if (0 < lo) return lo;
        if (0 > hi) return hi;
        return Int{0};
    }
    const long double r = RoundHalfEven(x);
    if (r <= static_cast<long double>(lo)) return lo;
    if (r >= static_cast<long double>(hi)) return hi;
    return static_cast<Int>(r);
}

// Rounds to a 64-bit integer (saturating) and keeps the low bits of the requested width, as
// a store of a rounded value into a narrower integer field does.
template <typename Int>
inline Int RoundWrap(long double x) {
    const std::int64_t wide = RoundSaturate<std::int64_t>(x);
    return static_cast<Int>(static_cast<std::uint64_t>(wide));
}

}  // namespace zarvo
