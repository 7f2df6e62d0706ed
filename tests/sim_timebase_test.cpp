// SPDX-License-Identifier: MIT
// The simulated counter/timer and clock sources: the frequencies the timebase programming
// gives, seen as programmed rates, as run durations and as the generator waveform.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "sim/bus_master.h"
#include "sim/counter_timer.h"
#include "sim/sim_instrument.h"

namespace zarvo::sim {
namespace {

struct Rig {
    explicit Rig(SimConfig c = {}) : dev(c, [this] { return now; }), bus(dev, 0x378) {}
    std::int64_t now = 0;
    SimInstrument dev;
    BusMaster bus;
};

// Counter 0 dividing 5 MHz (code 0x0C), mode 2 for N = 3 and mode 3 otherwise.
void CounterClock(BusMaster& bus, std::uint16_t n) {
    bus.TimerControlWord(n == 3 ? 0x34 : 0x36);
    bus.TimerCount(0, n);
    bus.SampleSource(0x0C);
}

// Counter 0 clocked by counter 1, which divides 5 MHz by 100 (code 0x10).
void SlowClock(BusMaster& bus, std::uint16_t n) {
    bus.TimerControlWord(0x36);
    bus.TimerCount(0, n);
    bus.TimerControlWord(0x76);
    bus.TimerCount(1, 100);
    bus.SampleSource(0x10);
}

struct ClockCase {
    const char* name;
    std::function<void(BusMaster&)> program;
    double hz;
};

TEST(SimTimebase, SampleClockSourcesGiveTheirFrequencies) {
    const ClockCase cases[] = {
        {"25 MHz tap", [](BusMaster& b) { b.SampleSource(0x00); }, 25e6},
        {"12.5 MHz tap", [](BusMaster& b) { b.SampleSource(0x04); }, 12.5e6},
        {"5 MHz tap", [](BusMaster& b) { b.SampleSource(0x08); }, 5e6},
        {"counter 0, N=5", [](BusMaster& b) { CounterClock(b, 5); }, 1e6},
        {"counter 0 mode 2, N=3", [](BusMaster& b) { CounterClock(b, 3); }, 5e6 / 3},
        {"counter 0, N=2", [](BusMaster& b) { CounterClock(b, 2); }, 2.5e6},
        {"counter 0, N=62500", [](BusMaster& b) { CounterClock(b, 62500); }, 80},
        {"50 kHz path, N=5000", [](BusMaster& b) { SlowClock(b, 5000); }, 10},
        {"50 kHz path, N=625", [](BusMaster& b) { SlowClock(b, 625); }, 80},
        {"50 kHz path, N=65535", [](BusMaster& b) { SlowClock(b, 65535); }, 50e3 / 65535},
        {"undefined source code", [](BusMaster& b) { b.SampleSource(0x14); }, 0},
    };
    for (const ClockCase& c : cases) {
        Rig rig;
        c.program(rig.bus);
        EXPECT_NEAR(rig.dev.SampleClockHz(), c.hz, c.hz * 1e-12) << c.name;
    }
}

TEST(SimTimebase, CounterWithoutACompleteCountGivesNoClock) {
    Rig rig;
    rig.bus.TimerControlWord(0x36);
    rig.bus.SampleSource(0x0C);
    EXPECT_EQ(rig.dev.SampleClockHz(), 0.0);
    // Only the low byte: the count is not complete yet.
    rig.bus.ClockControl(0x0C);
    rig.bus.BankWrite(0, 6, 5);
    EXPECT_EQ(rig.dev.SampleClockHz(), 0.0);
    rig.bus.WriteRegister(1, 0);
    EXPECT_DOUBLE_EQ(rig.dev.SampleClockHz(), 1e6);
    // A new control word stops the counter until it has a count again.
    rig.bus.TimerControlWord(0x36);
    rig.bus.SampleSource(0x0C);
    EXPECT_EQ(rig.dev.SampleClockHz(), 0.0);
}

TEST(SimTimebase, SampleClockChangesLeaveTheGeneratorAlone) {
    Rig rig;
    rig.bus.TimerControlWord(0xB6);
    rig.bus.TimerCount(2, 5000);
    rig.bus.ClockControl(static_cast<std::uint8_t>((rig.bus.ClockShadow() & 0x1C) | 0x23));
    EXPECT_DOUBLE_EQ(rig.dev.GeneratorHz(), 1000.0);
    CounterClock(rig.bus, 5);
    EXPECT_DOUBLE_EQ(rig.dev.GeneratorHz(), 1000.0);
    EXPECT_DOUBLE_EQ(rig.dev.SampleClockHz(), 1e6);
}

struct GeneratorCase {
    std::uint16_t n;
    double hz;
};

TEST(SimTimebase, SquareWaveGeneratorFrequencies) {
    for (const GeneratorCase c : {GeneratorCase{5000, 1000}, GeneratorCase{50, 100000},
                                  GeneratorCase{50000, 100}, GeneratorCase{3, 5e6 / 3}}) {
        Rig rig;
        rig.bus.ClockControl(0x23);
        rig.bus.TimerControlWord(0xB6);
        rig.bus.TimerCount(2, c.n);
        rig.bus.ClockControl(0x23);
        EXPECT_DOUBLE_EQ(rig.dev.GeneratorHz(), c.hz) << c.n;
        // Switched off: enable bit clear, sample source bits untouched.
        rig.bus.ClockControl(0x03);
        EXPECT_EQ(rig.dev.GeneratorHz(), 0.0);
    }
}

TEST(SimTimebase, RunDurationFollowsTheProgrammedClock) {
    struct Case {
        const char* name;
        std::function<void(BusMaster&)> program;
        std::int64_t periodNs;
    };
    const Case cases[] = {
        {"25 MHz", [](BusMaster& b) { b.SampleSource(0x00); }, 40},
        {"counter 0 N=5", [](BusMaster& b) { CounterClock(b, 5); }, 1000},
        {"50 kHz path N=5000", [](BusMaster& b) { SlowClock(b, 5000); }, 100'000'000},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.now = 7'000'000;
        c.program(rig.bus);
        rig.bus.Arm(2, 999);  // immediate trigger: samples 0 .. 999
        // The first sample is taken on the first clock edge at or after the run command.
        const std::int64_t start = (rig.now + c.periodNs - 1) / c.periodNs * c.periodNs;
        rig.now = start + 999 * c.periodNs - 1;
        EXPECT_FALSE(rig.bus.Ready()) << c.name;
        rig.now = start + 999 * c.periodNs;
        EXPECT_TRUE(rig.bus.Ready()) << c.name;
    }
}

TEST(SimTimebase, GeneratorOnChannel2IsA1kHzSquareWaveOf0To1Volt) {
    Rig rig;  // ch2 = gen by default
    // Channel 2 on the x1 decade at 0.8 V full scale: 1 V clips, so use the x10 decade with
    // the factory gain for 2 V: 0 V -> 0x80, 1 V -> 0xC0.
    const auto record = SimInstrument::FactoryEeprom(SimConfig{});
    const int a = 54 + 25 + 2 * 4;
    rig.bus.ShiftRelays(0x020 + 0x202);
    rig.bus.WriteDac(3, static_cast<std::uint16_t>(record[a] + 256 * record[a + 1]));
    rig.bus.WriteDac(1, 512);
    rig.bus.ClockControl(0x23);
    rig.bus.TimerControlWord(0xB6);
    rig.bus.TimerCount(2, 5000);
    rig.bus.ClockControl(0x23);
    CounterClock(rig.bus, 5);  // 1 MHz sampling
    rig.now += 123'456;
    rig.bus.Arm(2, 4999);
    rig.now += 5'000'000;
    ASSERT_TRUE(rig.bus.Ready());
    const std::uint16_t end = rig.bus.AddressCounter();
    rig.bus.StartSeek(static_cast<std::uint16_t>((end - 5 - 4999) & 0x7FFF));
    rig.now += 1'000'000;
    ASSERT_TRUE(rig.bus.Ready());
    std::vector<std::uint16_t> ch2;
    rig.bus.ReadPositions(5000, nullptr, &ch2);
    std::vector<int> rising;
    for (std::size_t i = 1; i < ch2.size(); ++i) {
        ASSERT_TRUE(ch2[i] == 0x8000 || ch2[i] == 0xC000) << i << " " << ch2[i];
        if (ch2[i - 1] == 0x8000 && ch2[i] == 0xC000) rising.push_back(static_cast<int>(i));
    }
    ASSERT_GE(rising.size(), 4u);
    for (std::size_t k = 1; k < rising.size(); ++k) EXPECT_EQ(rising[k] - rising[k - 1], 1000);
    int high = 0;
    for (int i = rising[0]; i < rising[0] + 1000; ++i) high += ch2[i] == 0xC000 ? 1 : 0;
    EXPECT_EQ(high, 500);
}

// ---- The counter/timer on its own
TEST(SimCounterTimer, ControlWordFieldsAndByteAccess) {
    CounterTimer t;
    t.Write(3, 0x36);  // counter 0, low/high, mode 3
    t.Write(0, 0x10);
    EXPECT_EQ(t.Divider(0), 0u);  // high byte still due
    t.Write(0, 0x27);
    EXPECT_EQ(t.Divider(0), 0x2710u);
    EXPECT_EQ(t.Mode(0), 3);
    t.Write(3, 0x54);  // counter 1, low byte only, mode 2
    t.Write(1, 200);
    EXPECT_EQ(t.Divider(1), 200u);
    EXPECT_EQ(t.Mode(1), 2);
    t.Write(3, 0xA6);  // counter 2, high byte only, mode 3
    t.Write(2, 0x01);
    EXPECT_EQ(t.Divider(2), 256u);
}

TEST(SimCounterTimer, UnusualCounts) {
    CounterTimer t;
    t.Write(3, 0x36);
    t.Write(0, 0);
    t.Write(0, 0);
    EXPECT_EQ(t.Divider(0), 65536u);  // 0 is the largest count
    t.Write(3, 0x37);                 // BCD
    t.Write(0, 0x34);
    t.Write(0, 0x12);
    EXPECT_EQ(t.Divider(0), 1234u);
    t.Write(3, 0x30);  // mode 0, a one-shot: no periodic output
    t.Write(0, 5);
    t.Write(0, 0);
    EXPECT_EQ(t.Divider(0), 0u);
    t.Write(3, 0x34);  // mode 2 with a count of 1 is no rate
    t.Write(0, 1);
    t.Write(0, 0);
    EXPECT_EQ(t.Divider(0), 0u);
    t.Write(3, 0x3C);  // mode 6 is mode 2
    t.Write(0, 7);
    t.Write(0, 0);
    EXPECT_EQ(t.Mode(0), 2);
    EXPECT_EQ(t.Divider(0), 7u);
}

TEST(SimCounterTimer, LatchAndReadBackCommandsChangeNothing) {
    CounterTimer t;
    t.Write(3, 0x36);
    t.Write(0, 5);
    t.Write(0, 0);
    t.Write(3, 0x00);  // latch counter 0
    t.Write(3, 0xC2);  // read-back
    EXPECT_EQ(t.Divider(0), 5u);
    EXPECT_EQ(t.Divider(3), 0u);
    EXPECT_EQ(t.Mode(-1), -1);
}

}  // namespace
}  // namespace zarvo::sim
