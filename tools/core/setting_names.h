// SPDX-License-Identifier: MIT
// The words every front end uses for the instrument's choices, and the codes the exports take
// for them: the command line's options, the settings table (and so the page, settings files
// and SCPI) and the settings applied for capture and monitor all read them from here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zarvo.h"

namespace zarvo::core {

struct NamedCode {
    std::uint8_t code;
    std::string_view name;
};

// Trigger sources (SetTriggerSource), in the order the help and the page list them.
inline constexpr NamedCode kTriggerSources[] = {{tsCh1, "ch1"}, {tsCh2, "ch2"}, {tsExternal, "ext"},
                                                {tsAnd, "and"}, {tsOr, "or"},   {tsNoTrig, "none"}};
// Input coupling (SetCoupling): 0 passes DC, 1 blocks it.
inline constexpr NamedCode kCouplings[] = {{0, "dc"}, {1, "ac"}};
// Trigger mode (SetTriggerMode): 0 keeps the hysteresis band below the level (a rising edge
// through it), 1 above it (a falling edge).
inline constexpr NamedCode kSlopes[] = {{0, "rising"}, {1, "falling"}};

template <std::size_t N>
std::optional<std::uint8_t> CodeNamed(const NamedCode (&table)[N], std::string_view name) {
    for (const NamedCode& c : table) {
        if (c.name == name) return c.code;
    }
    return std::nullopt;
}

template <std::size_t N>
std::optional<std::string_view> NameOfCode(const NamedCode (&table)[N], std::uint8_t code) {
    for (const NamedCode& c : table) {
        if (c.code == code) return c.name;
    }
    return std::nullopt;
}

template <std::size_t N>
std::vector<std::string> NamesOf(const NamedCode (&table)[N]) {
    std::vector<std::string> names;
    for (const NamedCode& c : table) names.emplace_back(c.name);
    return names;
}

}  // namespace zarvo::core
