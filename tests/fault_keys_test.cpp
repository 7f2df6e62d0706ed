// SPDX-License-Identifier: MIT
// The fault and time keys of the simulated instrument, on the device itself: how each key is
// read from the ZARVO_SIM text, what an unplugged instrument shows on the port, a run-complete
// bit that never changes, EEPROM contents with and without the marker, and virtual time.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sim/bus_master.h"
#include "sim/sim_config.h"
#include "sim/sim_instrument.h"
#include "sim/sim_platform.h"

namespace zarvo::sim {
namespace {

constexpr std::uint16_t kLpt1 = 0x378;
constexpr std::int64_t kMs = 1'000'000;  // nanoseconds

SimConfig Parsed(const std::string& text) {
    std::string error;
    const auto config = ParseSimConfig(text, &error);
    EXPECT_TRUE(config.has_value()) << text << ": " << error;
    return config.value_or(SimConfig{});
}

TEST(FaultKeys, DefaultsHaveNoFaultAndRealTime) {
    const SimConfig c = Parsed("1");
    EXPECT_LT(c.unplugMs, 0);
    EXPECT_EQ(c.stuck, StuckReady::No);
    EXPECT_EQ(c.eeprom, EepromFault::None);
    EXPECT_FALSE(c.virtualTime);
}

TEST(FaultKeys, EachKeyTakesItsValue) {
    struct Row {
        const char* text;
        std::int64_t unplugMs;
        StuckReady stuck;
        EepromFault eeprom;
        std::uint32_t seed;
        bool virtualTime;
    };
    const Row rows[] = {
        {"unplug=0", 0, StuckReady::No, EepromFault::None, 1, false},
        {"unplug=2147483647", 2147483647, StuckReady::No, EepromFault::None, 1, false},
        {"stuck=ready", -1, StuckReady::Ready, EepromFault::None, 1, false},
        {"stuck=busy", -1, StuckReady::Busy, EepromFault::None, 1, false},
        {"eeprom=garbage", -1, StuckReady::No, EepromFault::Garbage, 1, false},
        {"eeprom=noise:4294967295", -1, StuckReady::No, EepromFault::Noise, 4294967295u, false},
        {"eeprom=garbage:0,eeprom=factory", -1, StuckReady::No, EepromFault::None, 1, false},
        {"time=virtual,unplug=25,stuck=busy,eeprom=garbage:7", 25, StuckReady::Busy,
         EepromFault::Garbage, 7, true},
        {"time=virtual,time=real", -1, StuckReady::No, EepromFault::None, 1, false},
    };
    for (const Row& row : rows) {
        const SimConfig c = Parsed(row.text);
        EXPECT_EQ(c.unplugMs, row.unplugMs) << row.text;
        EXPECT_EQ(c.stuck, row.stuck) << row.text;
        EXPECT_EQ(c.eeprom, row.eeprom) << row.text;
        EXPECT_EQ(c.eepromSeed, row.seed) << row.text;
        EXPECT_EQ(c.virtualTime, row.virtualTime) << row.text;
    }
}

TEST(FaultKeys, MalformedValuesAreRefusedNamingTheKey) {
    const struct {
        const char* text;
        const char* key;
    } rows[] = {
        {"unplug=-1", "unplug"},
        {"unplug=2147483648", "unplug"},
        {"unplug=1.5", "unplug"},
        {"unplug=", "unplug"},
        {"stuck=yes", "stuck"},
        {"stuck=", "stuck"},
        {"eeprom=junk", "eeprom"},
        {"eeprom=garbage:", "eeprom"},
        {"eeprom=noise:-3", "eeprom"},
        {"eeprom=noise:4294967296", "eeprom"},
        {"eeprom=garbage:1:2", "eeprom"},
        {"eeprom=factory:3", "eeprom"},
        {"time=fast", "time"},
    };
    for (const auto& row : rows) {
        std::string error;
        EXPECT_FALSE(ParseSimConfig(row.text, &error).has_value()) << row.text;
        EXPECT_NE(error.find(std::string("'") + row.key + "'"), std::string::npos)
            << row.text << ": " << error;
    }
}

// ---- Unplug

TEST(FaultUnplug, ThePortShowsNothingAttachedOnceTheTimeHasCome) {
    SimConfig config;
    config.unplugMs = 5;
    std::int64_t now = 0;
    SimInstrument dev(config, [&now] { return now; });
    BusMaster bus(dev, kLpt1);
    bus.SelectDevice(0);
    EXPECT_TRUE(dev.Connected());
    EXPECT_EQ(bus.ReadRegister(2) & 0x01, 0) << "no run has completed yet";
    EXPECT_EQ(bus.EepromRead(1), 0xAA);

    now = 5 * kMs;
    EXPECT_FALSE(dev.Connected());
    // Floating status inputs: bits 0 to 6 high, BUSY (bit 7) shown inverted.
    EXPECT_EQ(dev.In(kLpt1 + 1), 0x7F);
    dev.Out(kLpt1, 0x5A);
    EXPECT_EQ(dev.In(kLpt1), 0x5A) << "the PC's data register still reads back";
    // Every register reads as all ones: complete, both comparators fired, the counter at its
    // end, full-scale samples, and an EEPROM of 0xFF bytes without the marker.
    EXPECT_EQ(bus.ReadRegister(2), 0xFF);
    EXPECT_EQ(bus.AddressCounter(), 0x7FFF);
    EXPECT_EQ(bus.ReadSample(4), 0xFF00);
    EXPECT_EQ(bus.EepromRead(1), 0xFF);
}

TEST(FaultUnplug, AnUnpluggedInstrumentTakesNoWrites) {
    SimConfig config;
    config.unplugMs = 0;
    std::int64_t now = 0;
    SimInstrument dev(config, [&now] { return now; });
    BusMaster bus(dev, kLpt1);
    bus.ShiftRelays(0x040 + 0x202);
    bus.ClockControl(0x20);
    EXPECT_EQ(dev.RelayWord(), 0) << "the relays never saw the transfer";
    EXPECT_EQ(dev.ClockControl(), 0);
}

// ---- Stuck run-complete bit

TEST(FaultStuck, TheRunCompleteBitKeepsItsValueWhateverTheRunsDo) {
    for (const StuckReady stuck : {StuckReady::Ready, StuckReady::Busy}) {
        SimConfig config;
        config.stuck = stuck;
        std::int64_t now = 0;
        SimInstrument dev(config, [&now] { return now; });
        BusMaster bus(dev, kLpt1);
        const std::uint8_t expected = stuck == StuckReady::Ready ? 1 : 0;
        bus.SelectDevice(0);
        bus.SampleSource(0x00);  // 25 MHz
        bus.Arm(7, 100);         // waits for a trigger that never comes
        now += kMs;
        EXPECT_EQ(bus.ReadRegister(2) & 0x01, expected) << "while waiting";
        bus.StartFill(0x8000);
        now += 10 * kMs;
        EXPECT_EQ(bus.ReadRegister(2) & 0x01, expected) << "after a fill run";
        // The rest of the instrument works: the fill run went round the memory.
        EXPECT_EQ(bus.AddressCounter(), (0x8000 + 4) & 0x7FFF);
    }
}

// ---- EEPROM contents

TEST(FaultEeprom, GarbageKeepsTheMarkerNoiseNeverHasIt) {
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        SimConfig garbage;
        garbage.eeprom = EepromFault::Garbage;
        garbage.eepromSeed = seed;
        SimConfig noise = garbage;
        noise.eeprom = EepromFault::Noise;
        ASSERT_EQ(SimInstrument::FactoryEeprom(garbage)[1], 0xAA) << seed;
        ASSERT_NE(SimInstrument::FactoryEeprom(noise)[1], 0xAA) << seed;
    }
}

TEST(FaultEeprom, TheSameSeedGivesTheSameBytesAndOthersDiffer) {
    SimConfig a;
    a.eeprom = EepromFault::Garbage;
    a.eepromSeed = 11;
    SimConfig b = a;
    b.eepromSeed = 12;
    const auto first = SimInstrument::FactoryEeprom(a);
    EXPECT_EQ(first, SimInstrument::FactoryEeprom(a));
    EXPECT_NE(first, SimInstrument::FactoryEeprom(b));
    EXPECT_NE(first, SimInstrument::FactoryEeprom(SimConfig{}));
    // Random bytes, not a fill: many distinct values in the record's first 200 bytes.
    int distinct = 0;
    bool seen[256] = {};
    for (int i = 0; i < 200; ++i) {
        if (!seen[first[static_cast<std::size_t>(i)]]) ++distinct;
        seen[first[static_cast<std::size_t>(i)]] = true;
    }
    EXPECT_GT(distinct, 100);
}

TEST(FaultEeprom, TheChipServesTheGarbageOverTheBus) {
    SimConfig config;
    config.eeprom = EepromFault::Garbage;
    config.eepromSeed = 3;
    SimInstrument dev(config, [] { return std::int64_t{0}; });
    BusMaster bus(dev, kLpt1);
    const auto expected = SimInstrument::FactoryEeprom(config);
    for (const int address : {1, 5, 6, 7, 10, 56, 131, 255}) {
        EXPECT_EQ(bus.EepromRead(static_cast<std::uint8_t>(address)),
                  expected[static_cast<std::size_t>(address)])
            << address;
    }
}

// ---- Virtual time

TEST(VirtualTime, TheTickMovesOnlyWhenReadCalledOrSlept) {
    SimConfig config;
    config.virtualTime = true;
    SimPlatform platform(config, nullptr, SteadyClock());
    const std::uint32_t first = platform.TickMs();
    EXPECT_EQ(platform.TickMs(), first + 1);
    platform.SleepMs(250);
    EXPECT_EQ(platform.TickMs(), first + 252);
    platform.BeginCall();
    EXPECT_EQ(platform.TickMs(), first + 254);
}

TEST(VirtualTime, TheInstrumentsSignalTimeFollowsTheTick) {
    SimConfig config;
    config.virtualTime = true;
    SimPlatform platform(config, nullptr, SteadyClock());
    BusMaster bus(platform.Port(), kLpt1);
    bus.SelectDevice(0);
    bus.SampleSource(0x00);
    bus.StartFill(0x8000);  // 1.3 ms at 25 MHz
    EXPECT_FALSE(bus.Ready()) << "no time has passed without a tick reading";
    platform.SleepMs(2);
    EXPECT_TRUE(bus.Ready());
}

TEST(VirtualTime, TheTimerRunsOnTheVirtualTick) {
    SimConfig config;
    config.virtualTime = true;
    SimPlatform platform(config, nullptr, SteadyClock());
    int ticks = 0;
    auto timer = platform.CreateTimer([&ticks] { ++ticks; });
    timer->SetInterval(6);
    timer->SetEnabled(true);
    platform.BeginCall();
    EXPECT_EQ(ticks, 0);
    platform.SleepMs(6);
    platform.BeginCall();
    EXPECT_EQ(ticks, 1);
    platform.BeginCall();
    EXPECT_EQ(ticks, 1) << "the next tick is an interval away";
}

}  // namespace
}  // namespace zarvo::sim
