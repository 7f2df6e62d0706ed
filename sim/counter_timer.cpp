// SPDX-License-Identifier: MIT
#include "sim/counter_timer.h"

namespace zarvo::sim {

std::uint32_t CounterTimer::CountValue(std::uint16_t raw, bool bcd) {
    if (!bcd) return raw == 0 ? 65536u : raw;
    // Four decades; a digit above 9 counts as its binary value, as the down-counter would
    // simply step through it.
    std::uint32_t value = 0;
    for (int shift = 12; shift >= 0; shift -= 4) value = value * 10 + ((raw >> shift) & 0x0F);
    return value == 0 ? 10000u : value;
}

void CounterTimer::Write(int address, std::uint8_t value) {
    if (address == 3) {
        const int select = value >> 6;
        if (select == 3) return;  // read-back command: nothing is read back here
        const int access = (value >> 4) & 3;
        if (access == 0) return;  // counter latch command: the count keeps running
        Counter& c = counters_[static_cast<std::size_t>(select)];
        c.access = access;
        int mode = (value >> 1) & 7;
        if (mode >= 6) mode -= 4;  // 6 and 7 are aliases of modes 2 and 3
        c.mode = mode;
        c.bcd = (value & 1) != 0;
        // A new control word stops the counter until its count is written.
        c.loaded = false;
        c.lowWritten = false;
        return;
    }
    if (address < 0 || address > 2) return;
    Counter& c = counters_[static_cast<std::size_t>(address)];
    switch (c.access) {
        case 1:
            c.count = CountValue(value, c.bcd);
            c.loaded = true;
            break;
        case 2:
            c.count = CountValue(static_cast<std::uint16_t>(value << 8), c.bcd);
            c.loaded = true;
            break;
        default:
            if (!c.lowWritten) {
                c.low = value;
                c.lowWritten = true;
            } else {
                c.count = CountValue(static_cast<std::uint16_t>((value << 8) | c.low), c.bcd);
                c.lowWritten = false;
                c.loaded = true;
            }
            break;
    }
}

int CounterTimer::Mode(int counter) const {
    if (counter < 0 || counter > 2) return -1;
    return counters_[static_cast<std::size_t>(counter)].mode;
}

std::uint32_t CounterTimer::Divider(int counter) const {
    if (counter < 0 || counter > 2) return 0;
    const Counter& c = counters_[static_cast<std::size_t>(counter)];
    if (!c.loaded || (c.mode != 2 && c.mode != 3)) return 0;
    // Mode 2 with a count of 1 is not a valid rate; the output then stays high.
    if (c.mode == 2 && c.count < 2) return 0;
    return c.count;
}

}  // namespace zarvo::sim
