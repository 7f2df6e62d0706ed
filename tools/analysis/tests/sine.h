// SPDX-License-Identifier: MIT
// A sampled sine for the tests of the figures and of what draws them.
#pragma once

#include <cmath>
#include <numbers>
#include <vector>

namespace zarvo::analysis {

inline std::vector<double> Sine(double hz, double amplitude, double offset, double rate, int n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        v[static_cast<std::size_t>(i)] =
            offset + amplitude * std::sin(2 * std::numbers::pi * hz * i / rate);
    }
    return v;
}

}  // namespace zarvo::analysis
