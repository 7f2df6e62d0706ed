// SPDX-License-Identifier: MIT
// Sample clock and square-wave programming, judged by what an 8254 counter/timer behind the
// clock-control register would end up doing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

// What the control bank's clock-control and timer-port writes leave in the hardware.
struct TimerState {
    std::uint8_t clockControl = 0;
    std::array<int, 3> controlWord{-1, -1, -1};
    std::array<int, 3> count{-1, -1, -1};
};

TimerState Replay(const std::vector<BankEvent>& events) {
    TimerState t;
    std::array<int, 3> lowByte{-1, -1, -1};
    for (const BankEvent& e : events) {
        if (e.bank != 0 || e.value < 0) continue;
        if (e.sub == 2) t.clockControl = static_cast<std::uint8_t>(e.value);
        if (e.sub != 6) continue;
        const int address = t.clockControl & 3;
        if (address == 3) {
            const int counter = e.value >> 6;
            t.controlWord[static_cast<std::size_t>(counter)] = e.value;
            lowByte[static_cast<std::size_t>(counter)] = -1;
        } else if (lowByte[static_cast<std::size_t>(address)] < 0) {
            lowByte[static_cast<std::size_t>(address)] = e.value;
        } else {
            t.count[static_cast<std::size_t>(address)] =
                lowByte[static_cast<std::size_t>(address)] | (e.value << 8);
            lowByte[static_cast<std::size_t>(address)] = -1;
        }
    }
    return t;
}

struct ClockCase {
    long double request;
    long double achieved;
    int source;      // clock-control bits 2 to 4
    int counter0;    // count, -1 when the counter is not programmed
    int control0;    // counter 0 control word
    bool prescaler;  // counter 1 divides 5 MHz by 100
};

class EngineSampleClock : public ::testing::TestWithParam<ClockCase> {
protected:
    void SetUp() override {
        AttachInstrument(z);
        fp.port.Clear();
    }
    FakePlatform fp;
    TZarvo z{fp};
};

TEST_P(EngineSampleClock, ProgramsTheSourceAndCounterAndReportsTheRate) {
    const ClockCase& c = GetParam();
    z.ClockControlShadow = 0x20;  // square wave running
    long double f = c.request;
    z.ProgramSampleClock(f);
    EXPECT_NEAR(static_cast<double>(f), static_cast<double>(c.achieved),
                static_cast<double>(c.achieved) * 1e-12);
    const TimerState t = Replay(DecodeBankWrites(fp.port.ops, kTestBase));
    EXPECT_EQ(t.clockControl, 0x20 | c.source) << "square-wave enable must survive";
    EXPECT_EQ(z.ClockControlShadow, t.clockControl);
    EXPECT_EQ(t.count[0], c.counter0);
    EXPECT_EQ(t.controlWord[0], c.control0);
    EXPECT_EQ(t.count[1], c.prescaler ? 100 : -1);
    EXPECT_EQ(t.controlWord[1], c.prescaler ? 0x76 : -1);
}

constexpr long double kSlowest = 50000.0L / 65535;
const long double kInf = std::numeric_limits<long double>::infinity();

INSTANTIATE_TEST_SUITE_P(Engine, EngineSampleClock,
                         ::testing::Values(ClockCase{20e6L, 25e6L, 0x00, -1, -1, false},
                                           ClockCase{kInf, 25e6L, 0x00, -1, -1, false},
                                           ClockCase{12.5e6L, 12.5e6L, 0x04, -1, -1, false},
                                           ClockCase{3e6L, 5e6L, 0x08, -1, -1, false},
                                           ClockCase{5e6L, 5e6L, 0x08, -1, -1, false},
                                           ClockCase{2.5e6L, 2.5e6L, 0x0C, 2, 0x36, false},
                                           ClockCase{1e6L, 1e6L, 0x0C, 5, 0x36, false},
                                           ClockCase{1666666.67L, 5e6L / 3, 0x0C, 3, 0x34, false},
                                           ClockCase{80, 80, 0x0C, 62500, 0x36, false},
                                           ClockCase{79.99L, 80, 0x10, 625, 0x36, true},
                                           ClockCase{10, 10, 0x10, 5000, 0x36, true},
                                           // Beyond the counter: the slowest rate, never a fault.
                                           ClockCase{0.5L, kSlowest, 0x10, 65535, 0x36, true},
                                           ClockCase{0, kSlowest, 0x10, 65535, 0x36, true},
                                           ClockCase{-1e6L, kSlowest, 0x10, 65535, 0x36, true},
                                           ClockCase{-kInf, kSlowest, 0x10, 65535, 0x36, true},
                                           ClockCase{std::numeric_limits<long double>::denorm_min(),
                                                     kSlowest, 0x10, 65535, 0x36, true},
                                           ClockCase{std::nanl(""), kSlowest, 0x10, 65535, 0x36,
                                                     true}));

TEST(EngineClockSequence, OneMegahertzWritesTheCounterThroughTheTimerPort) {
    FakePlatform fp;
    TZarvo z(fp);
    AttachInstrument(z);
    fp.port.Clear();
    long double f = 1e6L;
    z.ProgramSampleClock(f);
    EXPECT_EQ(DecodeBankWrites(fp.port.ops, kTestBase),
              (std::vector<BankEvent>{
                  {0, 2, 0x03}, {0, 6, 0x36}, {0, 2, 0x00}, {0, 6, 5}, {0, 6, 0}, {0, 2, 0x0C}}));
}

struct SquareCase {
    long double request;
    long double achieved;
    int count;  // -1: output switched off
};

TEST_F(EngineSampleClock, SquareWaveKeepsTheSampleClockSource) {
    const SquareCase cases[] = {{1000, 1000, 5000},  {250000, 100000, 50},     {30, 100, 50000},
                                {-7, 100, 50000},    {33333, 5e6L / 150, 150}, {0, 0, -1},
                                {1e-10L, 1e-10L, -1}};
    for (const SquareCase& c : cases) {
        fp.port.Clear();
        z.ClockControlShadow = 0x10;  // slow sample clock selected
        long double f = c.request;
        z.ProgramSquareWave(f);
        const TimerState t = Replay(DecodeBankWrites(fp.port.ops, kTestBase));
        EXPECT_NEAR(static_cast<double>(f), static_cast<double>(c.achieved), 1e-6) << c.request;
        EXPECT_EQ(t.clockControl & 0x1C, 0x10) << c.request;
        EXPECT_EQ(t.clockControl & 0x23, c.count < 0 ? 0x03 : 0x23) << c.request;
        EXPECT_EQ(t.count[2], c.count) << c.request;
        EXPECT_EQ(t.controlWord[2], c.count < 0 ? -1 : 0xB6) << c.request;
    }
    long double notANumber = std::nanl("");
    z.ProgramSquareWave(notANumber);
    EXPECT_EQ(z.ClockControlShadow & 0x20, 0) << "a NaN request switches the output off";
}

}  // namespace
}  // namespace zarvo::testing
