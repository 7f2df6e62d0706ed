// SPDX-License-Identifier: MIT
// Runs, trigger comparators and the analog path of the simulated instrument, checked by
// reading the memory back over the bus and comparing with the signal that was fed in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "sim/bus_master.h"
#include "sim/front_end.h"
#include "sim/sim_instrument.h"

namespace zarvo::sim {
namespace {

constexpr std::uint16_t kRelayCh1[10] = {0, 0x20, 0x20, 0x20, 0x40, 0x40, 0x40, 0x80, 0x80, 0x80};
constexpr std::uint16_t kRelayCh2[10] = {0,     0x201, 0x201, 0x201, 0x202,
                                         0x202, 0x202, 0x204, 0x204, 0x204};
constexpr double kFullScale[10] = {0, 0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};

struct Rig {
    explicit Rig(SimConfig c = {}) : config(c), dev(c, [this] { return now; }), bus(dev, 0x378) {}

    // Ranges 1..9 on both channels with the factory gains, optional coupling bits, and the
    // DC-level DACs at `dc1`, `dc2` (512 = no shift).
    void FrontEnd(int r1, int r2, std::uint16_t coupling = 0, std::uint16_t dc1 = 512,
                  std::uint16_t dc2 = 512) {
        bus.ShiftRelays(static_cast<std::uint16_t>(kRelayCh1[r1] + kRelayCh2[r2] + coupling));
        bus.WriteDac(0, dc1);
        bus.WriteDac(1, dc2);
        bus.WriteDac(2, FrontEnd::FactoryGainCode(1, r1));
        bus.WriteDac(3, FrontEnd::FactoryGainCode(2, r2));
    }
    void Clock1MHz() {
        bus.TimerControlWord(0x36);
        bus.TimerCount(0, 5);
        bus.SampleSource(0x0C);
    }
    // Both converters' records of `pre` + `post` + 1 positions ending at counter - 5, read the
    // way the driver reads them: stop, counter, seek, sample loop.
    void ReadRecord(int pre, int post, std::vector<std::uint16_t>* c1,
                    std::vector<std::uint16_t>* c2) {
        bus.RunCommand(0);
        const int end = bus.AddressCounter();
        const auto start = static_cast<std::uint16_t>((end - post - pre - 5) & 0x7FFF);
        bus.StartSeek(start);
        now += 40 * (start + 1);
        ASSERT_TRUE(bus.Ready());
        bus.RunCommand(0);
        ASSERT_EQ(bus.AddressCounter(), start);
        bus.ReadPositions(pre + post + 1, c1, c2);
    }
    // Comparator of channel ch: levels and mode, then re-armed.
    void Comparator(int ch, std::uint8_t a, std::uint8_t b, std::uint8_t mode) {
        bus.SelectDevice(0);
        bus.BankWrite(ch, 2, mode);
        bus.BankWrite(ch, 0, a);
        bus.BankWrite(ch, 1, b);
        bus.BankWrite(ch, 5, 0);
    }

    SimConfig config;
    std::int64_t now = 0;
    SimInstrument dev;
    BusMaster bus;
};

SimConfig WithSignals(const char* ch1, const char* ch2 = "dc:0", const char* ext = "dc:0") {
    std::string text = std::string("ch1=") + ch1 + ",ch2=" + ch2 + ",ext=" + ext;
    auto parsed = ParseSimConfig(text, nullptr);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(SimConfig{});
}

std::uint16_t Word(double fullScales) {
    const double code = std::nearbyint(128.0 + 128.0 * fullScales);
    return static_cast<std::uint16_t>(std::clamp(code, 0.0, 255.0)) << 8;
}

// ---- Runs
TEST(SimRuns, FillRunTakesTheRunCountAt25MHzAndSetsComplete) {
    Rig rig;
    rig.now = 1000;
    rig.bus.SampleSource(0x00);
    rig.bus.StartFill(0x8000);
    const std::int64_t start = rig.now;
    EXPECT_FALSE(rig.bus.Ready());
    rig.now = start + 0x7FFF * 40 - 1;
    EXPECT_FALSE(rig.bus.Ready());
    rig.now = start + 0x7FFF * 40;
    EXPECT_TRUE(rig.bus.Ready());
    // The fill started at position 0 and the counter ends 5 past its last sample.
    EXPECT_EQ(rig.bus.AddressCounter(), (0x7FFF + 5) & 0x7FFF);
}

TEST(SimRuns, SeekRunLeavesTheReadPositionAtItsCount) {
    for (const std::uint16_t count : {0, 1, 5, 12345, 0x7FFF}) {
        Rig rig;
        rig.bus.StartSeek(count);
        if (count > 0) {
            rig.now += 40 * count - 1;
            EXPECT_FALSE(rig.bus.Ready()) << count;
        }
        rig.now += 1;
        EXPECT_TRUE(rig.bus.Ready()) << count;
        rig.bus.RunCommand(0);
        EXPECT_EQ(rig.bus.AddressCounter(), count);
    }
}

TEST(SimRuns, SeekRunDoesNotOverwriteTheMemory) {
    Rig rig(WithSignals("dc:0.1"));
    rig.FrontEnd(3, 3);
    rig.bus.SampleSource(0x00);
    rig.bus.StartFill(0x8000);
    rig.now += 2'000'000;
    ASSERT_TRUE(rig.bus.Ready());
    rig.FrontEnd(3, 3, 0, 0);  // a big DC shift: any new sample would differ
    rig.bus.StartSeek(100);
    rig.now += 100 * 40;
    std::vector<std::uint16_t> c1;
    rig.bus.StartSeek(0);
    rig.now += 40;
    rig.bus.ReadPositions(200, &c1, nullptr);
    for (const std::uint16_t s : c1) EXPECT_EQ(s, Word(0.1 / 0.8));
}

TEST(SimRuns, AdvanceStrobeStepsAndWrapsTheReadPosition) {
    Rig rig;
    rig.bus.StartSeek(0x7FFE);
    rig.now += 0x7FFE * 40;
    ASSERT_TRUE(rig.bus.Ready());
    rig.bus.SelectSamplePort();
    for (int i = 0; i < 3; ++i) rig.bus.AdvanceStrobe();
    EXPECT_EQ(rig.bus.AddressCounter(), 1);
}

TEST(SimRuns, StopEndsARunWithoutSettingComplete) {
    Rig rig;
    rig.Clock1MHz();
    rig.bus.Arm(7, 100);  // waits for ever
    rig.now += 50'000;    // 50 samples taken: positions 0..50
    rig.bus.RunCommand(0);
    EXPECT_FALSE(rig.bus.Ready());
    EXPECT_EQ(rig.bus.AddressCounter(), 51 + 4);
    rig.now += 1'000'000;
    EXPECT_FALSE(rig.bus.Ready());
}

TEST(SimRuns, ImmediateTriggerRunsTheCountAndTheReadoutSeesTheSignalInOrder) {
    // A 1 kHz triangle of 0.7 V on the 0.8 V range at 1 MHz: every sample is predictable.
    Rig rig(WithSignals("triangle:1000:0.7"));
    rig.FrontEnd(3, 1);
    rig.Clock1MHz();
    rig.now = 250'000;  // arm at phase 0.25
    const std::int64_t start = rig.now;
    rig.bus.Arm(2, 300);
    rig.now = start + 300'000;
    ASSERT_TRUE(rig.bus.Ready());
    std::vector<std::uint16_t> c1;
    rig.ReadRecord(0, 300, &c1, nullptr);
    ASSERT_EQ(c1.size(), 301u);
    for (int i = 0; i <= 300; ++i) {
        const double phase = (start + i * 1000) * 1e-6;  // cycles of 1 ms
        const double frac = phase - std::floor(phase);
        const double tri = frac < 0.25 ? 4 * frac : frac < 0.75 ? 2 - 4 * frac : 4 * frac - 4;
        EXPECT_EQ(c1[i], Word(0.7 * tri / 0.8)) << i;
    }
}

TEST(SimRuns, PositionsAFillRunDidNotReachKeepTheirEarlierSamples) {
    Rig rig(WithSignals("dc:0.4"));
    rig.FrontEnd(3, 3);
    rig.bus.SampleSource(0x00);
    rig.bus.StartFill(0x8000);
    rig.now += 2'000'000;
    ASSERT_TRUE(rig.bus.Ready());
    // A 10-sample fill from position 0 with the input shifted.
    rig.FrontEnd(3, 3, 0, 300);
    rig.bus.StartFill(10);
    rig.now += 1000;
    ASSERT_TRUE(rig.bus.Ready());
    rig.bus.StartSeek(0);
    rig.now += 40;
    std::vector<std::uint16_t> c1;
    rig.bus.ReadPositions(20, &c1, nullptr);
    const double shift = (300 - 512) * 1.25 / 512 / 0.57;
    for (int p = 0; p < 20; ++p) EXPECT_EQ(c1[p], Word(0.5 + (p < 10 ? shift : 0.0))) << p;
}

TEST(SimRuns, AnEarlyTriggerStillGetsACompletePreTriggerPart) {
    // Trigger at once: the 500 positions before the trigger sample hold the signal of the
    // 500 clock periods before the arm, continuous with the rest of the record.
    Rig rig(WithSignals("triangle:1000:0.7"));
    rig.FrontEnd(3, 1);
    rig.bus.SampleSource(0x00);
    rig.bus.StartFill(0x8000);  // something else in the memory first
    rig.now += 2'000'000;
    rig.Clock1MHz();
    rig.now = 3'250'000;
    const std::int64_t start = rig.now;
    rig.bus.Arm(2, 499);
    rig.now = start + 499'000;
    ASSERT_TRUE(rig.bus.Ready());
    std::vector<std::uint16_t> c1;
    rig.ReadRecord(500, 499, &c1, nullptr);
    for (int i = 0; i < 1000; ++i) {
        const double phase = (start + (i - 500) * 1000) * 1e-6;
        const double frac = phase - std::floor(phase);
        const double tri = frac < 0.25 ? 4 * frac : frac < 0.75 ? 2 - 4 * frac : 4 * frac - 4;
        EXPECT_EQ(c1[i], Word(0.7 * tri / 0.8)) << i;
    }
}

// ---- Trigger
TEST(SimTrigger, RisingEdgeTriggerPutsTheTriggerSampleAtThePreTriggerIndex) {
    // 1 kHz sine of 1 V on the 2 V range; rising through 0 V at every whole millisecond.
    Rig rig(WithSignals("sine:1000:1"));
    rig.FrontEnd(4, 1);
    rig.Clock1MHz();
    rig.Comparator(1, 117, 127, 0x05);  // level 0 V, hysteresis 10 below
    rig.Comparator(2, 117, 127, 0x05);
    // Clock edges on whole microseconds: the trigger sample is the one at 1 ms.
    rig.now = 300'500;
    rig.bus.Arm(0, 200);
    rig.now = 999'999;
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0);
    rig.now = 1'000'000;
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0x02);
    rig.now = 1'199'999;
    EXPECT_FALSE(rig.bus.Ready());
    rig.now = 1'200'000;
    ASSERT_TRUE(rig.bus.Ready());
    const int pre = 300;
    std::vector<std::uint16_t> c1;
    rig.ReadRecord(pre, 200, &c1, nullptr);
    for (int i = 0; i <= pre + 200; ++i) {
        const double t = 1e-3 + (i - pre) * 1e-6;
        EXPECT_EQ(c1[i], Word(std::sin(2 * std::numbers::pi * 1000 * t) / 2)) << i;
    }
}

struct ComparatorCase {
    const char* name;
    std::uint8_t mode;
    std::uint8_t a;
    std::uint8_t b;
    std::int64_t armAt;  // ns
    std::int64_t firesAt;
};

TEST(SimTrigger, ComparatorModeCodes) {
    // Channel 1: 1 kHz square wave of +-0.1 V on the 0.2 V range (+-0.5 full scale): high
    // in the first half of each millisecond. Levels: 63 = -0.5 FS, 127 = 0, 191 = +0.5 FS.
    // External input: a 1 kHz square wave of 0..1 V seen with channel 1's gain (5 FS/V).
    const std::int64_t never = -1;
    const ComparatorCase cases[] = {
        {"rising, armed while high", 0x05, 117, 127, 200'000, 1'000'000},
        {"rising, armed while low", 0x05, 117, 127, 700'000, 1'000'000},
        {"falling", 0x06, 137, 127, 700'000, 1'500'000},
        {"falling, armed while high", 0x06, 137, 127, 200'000, 500'000},
        {"either edge from high", 0x09, 117, 127, 200'000, 500'000},
        {"either edge from low", 0x09, 117, 127, 700'000, 1'000'000},
        {"level low", 0x10, 0, 127, 200'000, 500'000},
        {"level high while high", 0x11, 0, 127, 200'000, 200'000},
        {"level high never reached", 0x11, 0, 250, 200'000, never},
        {"window left", 0x20, 100, 150, 200'000, 200'000},
        {"window wide enough", 0x20, 20, 240, 200'000, never},
        {"unknown code", 0x33, 117, 127, 200'000, never},
        // The external square wave is 0 V for 2..4 ms of every 4 ms.
        {"external rising", 0x01, 140, 160, 200'000, 4'000'000},
        {"external falling", 0x00, 160, 140, 700'000, 2'000'000},
    };
    for (const ComparatorCase& c : cases) {
        Rig rig(WithSignals("square:1000:0.1", "dc:0", "square:250:0.5:0.5"));
        rig.FrontEnd(1, 1);
        rig.now = c.armAt;
        rig.Comparator(1, c.a, c.b, c.mode);
        if (c.firesAt == never) {
            rig.now = 10'000'000;
            EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0) << c.name;
            continue;
        }
        rig.now = c.firesAt - 1;
        if (c.firesAt > c.armAt) {
            EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0) << c.name;
        }
        rig.now = c.firesAt;
        EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0x02) << c.name;
        EXPECT_EQ(rig.bus.StatusRegister() & 0x04, 0) << c.name;
    }
}

TEST(SimTrigger, FiredBitStaysSetUntilTheNextArm) {
    Rig rig(WithSignals("square:1000:0.1"));
    rig.FrontEnd(1, 1);
    rig.Comparator(1, 0, 127, 0x11);  // fires while high
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0x02);
    rig.now = 700'000;  // low now; the bit stays
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0x02);
    // New levels do not clear it either.
    rig.bus.SelectDevice(0);
    rig.bus.BankWrite(1, 1, 250);
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0x02);
    // Re-arming (sub-register 5 := 0) does.
    rig.bus.BankWrite(1, 5, 0);
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0);
    // An unarmed comparator never fires.
    Rig idle(WithSignals("square:1000:0.1"));
    idle.FrontEnd(1, 1);
    idle.bus.SelectDevice(0);
    idle.bus.BankWrite(1, 2, 0x11);
    idle.now = 5'000'000;
    EXPECT_EQ(idle.bus.StatusRegister() & 0x06, 0);
}

struct SourceCase {
    std::uint8_t source;
    bool fire1;
    bool fire2;
    bool completes;
};

TEST(SimTrigger, TriggerSourceCodes) {
    const SourceCase cases[] = {
        {0, true, false, true},  {0, false, true, false}, {1, false, true, true},
        {1, true, false, false}, {3, true, false, true},  {3, false, true, true},
        {4, true, false, false}, {4, true, true, true},   {2, false, false, true},
        {7, true, true, false},  {5, true, true, false},
    };
    for (const SourceCase& c : cases) {
        Rig rig(WithSignals("dc:0.1", "dc:0.1"));
        rig.FrontEnd(1, 1);
        rig.Clock1MHz();
        // Level high below the input fires at once; above it never.
        rig.Comparator(1, 0, c.fire1 ? 127 : 255, 0x11);
        rig.Comparator(2, 0, c.fire2 ? 127 : 255, 0x11);
        rig.bus.SelectDevice(0);
        rig.bus.Arm(c.source, 10);
        rig.now += 100'000;
        EXPECT_EQ(rig.bus.Ready(), c.completes) << int(c.source) << c.fire1 << c.fire2;
    }
}

TEST(SimTrigger, AFiringBeforeTheRunCommandDoesNotTriggerTheRunAtItsStart) {
    // Re-armed at 0.95 ms, the comparator fires at 1 ms; the run command comes at 1.05 ms
    // and waits for the next rising edge at 2 ms. The status bit stays latched meanwhile.
    Rig rig(WithSignals("sine:1000:1"));
    rig.FrontEnd(4, 1);
    rig.Clock1MHz();
    rig.now = 950'000;
    rig.Comparator(1, 117, 127, 0x05);
    rig.now = 1'050'000;
    EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0x02);
    rig.bus.WriteRunCount(100);
    rig.bus.SelectDevice(0);
    rig.bus.BankWrite(0, 7, 0);
    rig.bus.BankWrite(0, 3, 0x0F);
    rig.now = 2'099'999;
    EXPECT_FALSE(rig.bus.Ready());
    rig.now = 2'100'000;
    ASSERT_TRUE(rig.bus.Ready());
    rig.bus.RunCommand(0);
    // Trigger sample 950 of the run, then 100 more; the counter stands 5 past the last.
    EXPECT_EQ(rig.bus.AddressCounter(), 950 + 100 + 5);
}

TEST(SimTrigger, ImmediateCodeCompletesAWaitingRun) {
    Rig rig(WithSignals("dc:0"));
    rig.FrontEnd(1, 1);
    rig.Clock1MHz();
    rig.bus.Arm(0, 50);  // comparator 1 unarmed: waits
    rig.now = 5'000'000;
    EXPECT_FALSE(rig.bus.Ready());
    rig.bus.SelectDevice(0);
    rig.bus.BankWrite(0, 7, 2);  // forced trigger at 5 ms
    rig.now = 5'000'000 + 49'999;
    EXPECT_FALSE(rig.bus.Ready());
    rig.now = 5'000'000 + 50'000;
    EXPECT_TRUE(rig.bus.Ready());
    // The trigger sample is the one taken at 5 ms: the counter stands 5 past 5000 + 50.
    rig.bus.RunCommand(0);
    EXPECT_EQ(rig.bus.AddressCounter(), 5000 + 50 + 5);
}

TEST(SimTrigger, DropOutReArmKeepsTheRunWaitingWhileEdgesComeAndTheForceEndsIt) {
    // Code 9 on a 1 kHz square wave sees an edge every half millisecond; the run's source is 7
    // so only the forced trigger completes it.
    Rig rig(WithSignals("square:1000:0.1"));
    rig.FrontEnd(1, 1);
    rig.Clock1MHz();
    rig.Comparator(1, 117, 127, 0x09);
    rig.Comparator(2, 117, 127, 0x09);
    rig.bus.Arm(7, 10);
    for (int step = 1; step <= 5; ++step) {
        rig.now = step * 600'000;
        EXPECT_EQ(rig.bus.StatusRegister() & 0x03, 0x02) << step;
        rig.bus.SelectDevice(0);
        rig.bus.BankWrite(1, 5, 0);
        rig.bus.WriteRegister(4, 7);
        EXPECT_EQ(rig.bus.StatusRegister() & 0x02, 0) << step;
    }
    rig.bus.BankWrite(0, 7, 2);
    rig.now += 10'000;
    EXPECT_TRUE(rig.bus.Ready());
}

TEST(SimTrigger, ExternalModeMakesSource1WatchTheExternalInput) {
    // Channel 2 sits still; the external square wave rises at 1 ms.
    Rig rig(WithSignals("dc:0", "dc:0", "square:1000:0.5:0.5"));
    rig.FrontEnd(4, 4);  // 2 V: 1 V is half scale
    rig.Clock1MHz();
    rig.Comparator(1, 140, 160, 0x01);
    rig.Comparator(2, 140, 160, 0x01);
    rig.now = 600'000;
    rig.bus.Arm(1, 10);
    rig.now = 999'999;
    EXPECT_EQ(rig.bus.StatusRegister() & 0x07, 0);
    rig.now = 1'010'000;
    EXPECT_EQ(rig.bus.StatusRegister() & 0x07, 0x07);
}

// ---- Analog path
TEST(SimAnalog, DcInputsGiveTheirCodesOnEveryRange) {
    for (int r = 1; r <= 9; ++r) {
        for (const double fraction : {-1.2, -0.5, 0.0, 0.25, 0.99}) {
            const double volts = fraction * kFullScale[r];
            const std::string dc = "dc:" + std::to_string(volts);
            Rig rig(WithSignals(dc.c_str(), dc.c_str()));
            rig.FrontEnd(r, r);
            rig.bus.SampleSource(0x00);
            rig.bus.StartFill(16);
            rig.now += 1000;
            rig.bus.StartSeek(3);
            rig.now += 1000;
            std::vector<std::uint16_t> c1, c2;
            rig.bus.ReadPositions(1, &c1, &c2);
            const double exact = std::stod(dc.substr(3)) / kFullScale[r];
            EXPECT_EQ(c1[0], Word(exact)) << r << " " << fraction;
            EXPECT_EQ(c2[0], Word(exact)) << r << " " << fraction;
        }
    }
}

TEST(SimAnalog, DcLevelDacShiftsTheInput) {
    struct Case {
        std::uint16_t code;
        double shift;  // full scales
    };
    for (const Case c :
         {Case{512, 0.0}, Case{570, 58 * 1.25 / 512 / 0.57}, Case{400, -112 * 1.25 / 512 / 0.57},
          Case{1023, 511 * 1.25 / 512 / 0.57}}) {
        Rig rig(WithSignals("dc:0.1"));
        rig.FrontEnd(4, 4, 0, c.code);
        rig.bus.SampleSource(0x00);
        rig.bus.StartFill(4);
        rig.now += 1000;
        rig.bus.StartSeek(0);
        std::vector<std::uint16_t> c1;
        rig.bus.ReadPositions(1, &c1, nullptr);
        EXPECT_EQ(c1[0], Word(0.05 + c.shift)) << c.code;
    }
}

double MeanCode(const std::vector<std::uint16_t>& s) {
    double sum = 0;
    for (const std::uint16_t v : s) sum += v >> 8;
    return sum / static_cast<double>(s.size());
}

TEST(SimAnalog, CouplingRelayRemovesTheDcPart) {
    for (const bool ac : {false, true}) {
        Rig rig(WithSignals("sine:1000:0.5:1.0", "square:1000:0.25:-0.5"));
        rig.FrontEnd(4, 4, ac ? 0x18 : 0x00);
        rig.Clock1MHz();
        rig.bus.Arm(2, 999);
        rig.now += 1'000'000;
        ASSERT_TRUE(rig.bus.Ready());
        std::vector<std::uint16_t> c1, c2;
        rig.ReadRecord(0, 999, &c1, &c2);
        EXPECT_NEAR(MeanCode(c1), ac ? 128.0 : 192.0, 0.6) << ac;
        EXPECT_NEAR(MeanCode(c2), ac ? 128.0 : 96.0, 0.6) << ac;
    }
}

TEST(SimAnalog, OpenInputReadsZero) {
    Rig rig(WithSignals("dc:0.5", "dc:-0.5"));
    rig.bus.ShiftRelays(0x000);
    rig.bus.SampleSource(0x00);
    rig.bus.StartFill(4);
    rig.now += 1000;
    rig.bus.StartSeek(0);
    std::vector<std::uint16_t> c1, c2;
    rig.bus.ReadPositions(2, &c1, &c2);
    EXPECT_EQ(c1[0], 0x8000);
    EXPECT_EQ(c2[1], 0x8000);
}

TEST(SimAnalog, DoubleRateSamplesChannel1TwiceConverter2First) {
    // 25 MHz clock: converter 2 on the edge, converter 1 20 ns later. A 100 kHz triangle
    // changes by a visible step every 20 ns.
    Rig rig(WithSignals("triangle:100000:0.75", "dc:0.5"));
    rig.FrontEnd(3, 3);
    rig.bus.SampleSource(0x00);
    const std::int64_t start = 10'000;
    rig.now = start;
    rig.bus.Arm(2, 400, true);
    rig.now += 400 * 40;
    ASSERT_TRUE(rig.bus.Ready());
    std::vector<std::uint16_t> c1, c2;
    rig.ReadRecord(0, 400, &c1, &c2);
    const auto expected = [&](std::int64_t t) {
        const double phase = t * 1e-4;  // 100 kHz, t in ns
        const double frac = phase - std::floor(phase);
        const double tri = frac < 0.25 ? 4 * frac : frac < 0.75 ? 2 - 4 * frac : 4 * frac - 4;
        return Word(0.75 * tri / 0.8);
    };
    for (int k = 0; k <= 400; ++k) {
        EXPECT_EQ(c2[k], expected(start + 40 * k)) << k;
        EXPECT_EQ(c1[k], expected(start + 40 * k + 20)) << k;
    }
    // A normal run samples channel 2 on converter 2 again.
    rig.bus.Arm(2, 10, false);
    rig.now += 1000;
    std::vector<std::uint16_t> n2;
    rig.ReadRecord(0, 10, nullptr, &n2);
    EXPECT_EQ(n2[3], Word(0.5 / 0.8));
}

TEST(SimAnalog, NoiseHasTheConfiguredSpreadAndRepeatsExactly) {
    const auto record = [](std::vector<std::uint16_t>* out) {
        SimConfig config = WithSignals("dc:0");
        config.noise = 0.01;
        Rig rig(config);
        rig.FrontEnd(1, 1);  // 0.2 V: 0.01 V RMS is 6.4 codes
        rig.Clock1MHz();
        rig.now = 77'000;
        rig.bus.Arm(2, 3999);
        rig.now += 4'000'000;
        ASSERT_TRUE(rig.bus.Ready());
        rig.ReadRecord(0, 3999, out, nullptr);
    };
    std::vector<std::uint16_t> a, b;
    record(&a);
    record(&b);
    EXPECT_EQ(a, b);
    double sum = 0, sum2 = 0;
    for (const std::uint16_t v : a) {
        const double c = (v >> 8) - 128.0;
        sum += c;
        sum2 += c * c;
    }
    const double n = static_cast<double>(a.size());
    const double mean = sum / n;
    const double rms = std::sqrt(sum2 / n - mean * mean);
    EXPECT_NEAR(mean, 0.0, 0.5);
    EXPECT_NEAR(rms, 6.4, 0.4);
}

}  // namespace
}  // namespace zarvo::sim
