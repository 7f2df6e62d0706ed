// SPDX-License-Identifier: MIT
// The sample clock and the square-wave generator.
//
// The sample clock comes from fixed oscillator taps (25, 12.5 and 5 MHz) or from counter 0
// of an 8254-compatible counter/timer dividing 5 MHz, or 50 kHz made by counter 1 dividing
// 5 MHz by 100. Counter 2 drives the square-wave output. The clock-control register is
// write-only, so its image is kept in ClockControlShadow: the sample-clock routine keeps only
// the square-wave enable bit of it, the square-wave routine only the clock source bits.
#include <cmath>

#include "engine/bus_lines.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

// Clock-control bits: 0-1 timer address, 2-4 sample clock source, 5 square-wave enable.
constexpr std::uint8_t kKeepSquareWave = 0x20;
constexpr std::uint8_t kKeepClockSource = 0x1C;
constexpr std::uint8_t kTimerCounter0 = 0x00;
constexpr std::uint8_t kTimerCounter1 = 0x01;
constexpr std::uint8_t kTimerCounter2 = 0x02;
constexpr std::uint8_t kTimerControlWord = 0x03;
constexpr std::uint8_t kSquareWaveEnable = 0x20;

constexpr std::uint8_t kSource25MHz = 0x00;
constexpr std::uint8_t kSource12M5Hz = 0x04;
constexpr std::uint8_t kSource5MHz = 0x08;
constexpr std::uint8_t kSourceCounter = 0x0C;
constexpr std::uint8_t kSourceCounterSlow = 0x10;  // counter 0 clocked by counter 1

// 8254 control words: counter select, low byte then high byte, mode, binary counting.
constexpr std::uint8_t kCounter0RateGenerator = 0x34;  // mode 2
constexpr std::uint8_t kCounter0SquareWave = 0x36;     // mode 3
constexpr std::uint8_t kCounter1SquareWave = 0x76;
constexpr std::uint8_t kCounter2SquareWave = 0xB6;

constexpr Extended k25MHz = 25'000'000;
constexpr Extended k12M5Hz = 12'500'000;
constexpr Extended k5MHz = 5'000'000;
constexpr Extended kCounterLimit = 2'500'000;  // highest rate taken from the counter
constexpr Extended kSlowBase = 50'000;         // 5 MHz through counter 1
constexpr Extended kSlowBaseBelow = 80;        // requests below this use the slow base
constexpr std::uint16_t kSlowPrescale = 100;

constexpr std::uint16_t kLargestCount = 65535;

constexpr Extended kSquareWaveMin = 100;
constexpr Extended kSquareWaveMax = 100'000;
constexpr Extended kSquareWaveOff = 1e-9L;

// The 16-bit count nearest to base / freq. The counter cannot divide by more than 65535, so
// requests at or below 50 kHz / 65535 (about 0.763 Hz), zero, negative or meaningless ones
// all get the largest count: the slowest rate the hardware makes. Never a count of 0, which
// the counter would take as 65536 and the achieved rate would divide by.
std::uint16_t CounterDivisor(Extended base, Extended freq) {
    if (!(freq > 0)) return kLargestCount;
    return RoundSaturate<std::uint16_t>(base / freq, 1, kLargestCount);
}

}  // namespace

void TZarvo::ProgramSampleClock(Extended& freq) {
    SelectDevice(bus::kAcquisitionDevice);
    const auto setClockControl = [this](std::uint8_t bits) {
        ClockControlShadow =
            static_cast<std::uint8_t>((ClockControlShadow & kKeepSquareWave) | bits);
        BankWrite(bus::kControlBank, bus::kClockControl, ClockControlShadow);
    };
    const auto timerWrite = [this](std::uint8_t value) {
        BankWrite(bus::kControlBank, bus::kTimerPort, value);
    };
    const auto timerDataAgain = [this](std::uint8_t value) {
        WriteRegister(BankDataReg[bus::kControlBank], value);
    };

    // Strict comparisons: 12.5 MHz and 5 MHz come from their taps, 2.5 MHz from the counter.
    if (freq > k12M5Hz) {
        setClockControl(kSource25MHz);
        freq = k25MHz;
        return;
    }
    if (freq > k5MHz) {
        setClockControl(kSource12M5Hz);
        freq = k12M5Hz;
        return;
    }
    if (freq > kCounterLimit) {
        setClockControl(kSource5MHz);
        freq = k5MHz;
        return;
    }

    // Counter path, also taken by every request the comparisons above cannot place (NaN).
    const bool slow = !(freq >= kSlowBaseBelow);
    const Extended base = slow ? kSlowBase : k5MHz;
    const std::uint16_t count = CounterDivisor(base, freq);
    freq = base / count;

    // Mode 3 splits an odd count unevenly (for 3: two counts high, one low); at that count the
    // counter runs as a rate generator (mode 2) instead.
    setClockControl(kTimerControlWord);
    timerWrite(count == 3 ? kCounter0RateGenerator : kCounter0SquareWave);
    setClockControl(kTimerCounter0);
    timerWrite(static_cast<std::uint8_t>(count & 0xFF));
    timerDataAgain(static_cast<std::uint8_t>(count >> 8));

    std::uint8_t source = kSourceCounter;
    if (slow) {
        setClockControl(kTimerControlWord);
        timerWrite(kCounter1SquareWave);
        setClockControl(kTimerCounter1);
        timerWrite(static_cast<std::uint8_t>(kSlowPrescale & 0xFF));
        timerDataAgain(static_cast<std::uint8_t>(kSlowPrescale >> 8));
        source = kSourceCounterSlow;
    }
    setClockControl(source);
}

void TZarvo::ProgramSquareWave(Extended& freq) {
    SelectDevice(bus::kAcquisitionDevice);
    const auto setClockControl = [this](std::uint8_t bits) {
        ClockControlShadow =
            static_cast<std::uint8_t>((ClockControlShadow & kKeepClockSource) | bits);
        BankWrite(bus::kControlBank, bus::kClockControl, ClockControlShadow);
    };

    // Off: the enable bit drops and the timer address rests on the control word. A request
    // that is not a number cannot name a frequency either, so it switches the output off too.
    if (std::isnan(freq) || std::fabs(freq) <= kSquareWaveOff) {
        setClockControl(kTimerControlWord);
        return;
    }

    if (freq > kSquareWaveMax) {
        freq = kSquareWaveMax;
    } else if (freq < kSquareWaveMin) {
        freq = kSquareWaveMin;
    }
    const std::uint16_t count = CounterDivisor(k5MHz, freq);
    freq = k5MHz / count;

    setClockControl(kSquareWaveEnable | kTimerControlWord);
    BankWrite(bus::kControlBank, bus::kTimerPort, kCounter2SquareWave);
    setClockControl(kSquareWaveEnable | kTimerCounter2);
    BankWrite(bus::kControlBank, bus::kTimerPort, static_cast<std::uint8_t>(count & 0xFF));
    WriteRegister(BankDataReg[bus::kControlBank], static_cast<std::uint8_t>(count >> 8));
    setClockControl(kSquareWaveEnable | kTimerControlWord);
}

}  // namespace zarvo
