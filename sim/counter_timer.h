// SPDX-License-Identifier: MIT
// An 8254-compatible counter/timer: three 16-bit down-counters, programmed through a control
// word register and one data port per counter. Counters run in mode 2 (rate generator) or
// mode 3 (square wave) as dividers of their input clock; the one-shot modes never produce a
// periodic output. Binary and BCD counts, low byte then high byte, or either byte alone.
#pragma once

#include <array>
#include <cstdint>

namespace zarvo::sim {

class CounterTimer {
public:
    // Timer address lines: 0..2 = counter 0..2, 3 = control word register.
    void Write(int address, std::uint8_t value);

    // Divider of a counter whose output is periodic (mode 2 or 3 with a complete count
    // loaded); 0 when the counter gives no periodic output.
    std::uint32_t Divider(int counter) const;
    // The counter's mode, -1 for a counter that does not exist.
    int Mode(int counter) const;

private:
    struct Counter {
        int mode = 0;
        int access = 3;  // 1 low byte only, 2 high byte only, 3 low then high
        bool bcd = false;
        bool loaded = false;      // a complete count has been written since the control word
        bool lowWritten = false;  // the low byte of a two-byte count is in, the high is due
        std::uint8_t low = 0;
        std::uint32_t count = 0;  // 1..65536 (binary) or 1..10000 (BCD)
    };
    static std::uint32_t CountValue(std::uint16_t raw, bool bcd);

    std::array<Counter, 3> counters_{};
};

}  // namespace zarvo::sim
