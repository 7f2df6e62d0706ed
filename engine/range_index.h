// SPDX-License-Identifier: MIT
// Range indexes address the component's 13-slot tables (slot 0 unused, ranges 1 to 12).
#pragma once

#include <algorithm>
#include <cstdint>

namespace zarvo {

inline constexpr int kRangeSlots = 12;

// The table slot for a stored range index. Valid indexes pass unchanged; anything outside
// the table (only a corrupted field could hold one) lands on the nearest end, so a lookup
// never leaves the table.
inline constexpr int TableSlot(int range) {
    return std::clamp(range, 0, kRangeSlots);
}

// Range index limited to the instrument's valid ranges, 1 to FNrRanges (itself kept within
// the table), as the auto-ranging steps need. Wide argument: a range plus a step never
// overflows on the way in.
inline constexpr int ClampToValidRange(std::int64_t range, int nrRanges) {
    const int last = std::clamp(nrRanges, 1, kRangeSlots);
    return static_cast<int>(std::clamp<std::int64_t>(range, 1, last));
}

}  // namespace zarvo
