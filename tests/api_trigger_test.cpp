// SPDX-License-Identifier: MIT
// Trigger exports: the source and mode tables, modes of all inputs at once, level and
// hysteresis between volts and the comparators' raw counts, time-out and PXI lines.
#include <array>
#include <limits>

#include "support/api_session.h"

namespace {

using zarvo::testing::ApiSession;
using zarvo::testing::Pair;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr uint16_t OK = RC_OK, NA = RC_UNAVAILABLE, BAD = RC_BAD_VALUE;

class Trigger : public ApiSession {
protected:
    // 8 V full scale on both channels: one comparator count is 1/16 V.
    void SetUp() override {
        ASSERT_EQ(Start(), RC_OK);
        for (uint8_t ch : {1, 2}) {
            double range = 8.0;
            ASSERT_EQ(SetSensitivity(ch, &range), RC_OK);
        }
        Instrument().FTrigMode4Avail = false;
    }
    static std::uint8_t Mode(int input) { return Instrument().FTrigMode[input]; }
    static std::int32_t Level(int ch) { return Instrument().FTrigLevel[ch]; }
    static std::int32_t Hys(int ch) { return Instrument().FTrigHys[ch]; }
};

TEST_F(Trigger, SourceTableOfThisInstrument) {
    const std::array<uint16_t, 17> expected = {OK, OK, NA, NA, OK, NA, OK,  OK, NA,
                                               OK, NA, NA, NA, NA, NA, BAD, BAD};
    for (unsigned source = 0; source < expected.size(); ++source) {
        ASSERT_EQ(SetTriggerSource(tsCh1), OK);
        EXPECT_EQ(SetTriggerSource(static_cast<uint8_t>(source)), expected[source]) << source;
        uint8_t read = 99;
        ASSERT_EQ(GetTriggerSource(&read), OK);
        EXPECT_EQ(read, expected[source] == OK ? source : 0u) << source;
    }
    // The table follows the capabilities; tsNeverTrig is never available.
    Instrument().FAnaExtTrigAvail = Instrument().FTrigXorAvail = Instrument().FPxiAvail = true;
    Instrument().FGenTrigAvail = true;
    for (uint8_t source : {5, 8, 11, 12, 13, 14}) EXPECT_EQ(SetTriggerSource(source), OK);
    EXPECT_EQ(SetTriggerSource(tsNeverTrig), NA);
    Instrument().FNrChannels = 1;
    EXPECT_EQ(SetTriggerSource(tsCh2), NA);
    Instrument().FInstrumentConfig = 2;
    EXPECT_EQ(SetTriggerSource(tsCh2), OK);
    Instrument().tsTriggerSource = 16;
    uint8_t read = 99;
    EXPECT_EQ(GetTriggerSource(&read), BAD);
    EXPECT_EQ(read, 99);
}

TEST_F(Trigger, ModeTableAfterTheChannelTest) {
    const std::array<uint16_t, 13> expected = {OK, OK, NA, NA, NA, OK, OK, NA, NA, NA, NA, NA, BAD};
    for (unsigned mode = 0; mode < expected.size(); ++mode) {
        ASSERT_EQ(SetTriggerModeCh(2, 0), OK);
        EXPECT_EQ(SetTriggerModeCh(2, static_cast<uint8_t>(mode)), expected[mode]) << mode;
        EXPECT_EQ(Mode(2), expected[mode] == OK ? mode : 0u) << mode;
    }
    EXPECT_EQ(SetTriggerModeCh(3, 12), RC_BAD_CHANNEL);
    // Input 0 is the external trigger input, where there is one.
    EXPECT_EQ(SetTriggerModeCh(0, 1), OK);
    uint8_t read = 99;
    ASSERT_EQ(GetTriggerModeCh(0, &read), OK);
    EXPECT_EQ(read, 1);
    Instrument().FExtTrigAvail = false;
    EXPECT_EQ(GetTriggerModeCh(0, &read), RC_BAD_CHANNEL);
    EXPECT_EQ(SetTriggerModeCh(0, 0), RC_BAD_CHANNEL);
}

TEST_F(Trigger, ModeOfAllInputs) {
    EXPECT_EQ(SetTriggerMode(1), OK);
    EXPECT_EQ(Mode(0) + Mode(1) + Mode(2), 3) << "both channels and the external input";
    EXPECT_EQ(SetTriggerMode(2), NA);
    EXPECT_EQ(Mode(0) + Mode(1) + Mode(2), 3) << "refused everywhere, nothing changed";
    EXPECT_EQ(SetTriggerMode(5), OK);
    EXPECT_EQ(Mode(1) + Mode(2), 10);
    EXPECT_EQ(Mode(0), 1) << "the external input knows only modes 0 and 1";
    Instrument().FExtTrigAvail = false;
    EXPECT_EQ(SetTriggerMode(0), OK) << "the external input's refusal does not count";
}

TEST_F(Trigger, ModeReadBackFollowsTheSource) {
    ASSERT_EQ(SetTriggerModeCh(1, 5), OK);
    ASSERT_EQ(SetTriggerModeCh(2, 6), OK);
    ASSERT_EQ(SetTriggerSource(tsCh2), OK);
    uint8_t read = 99;
    Instrument().FTrigMode[1] = 0x85;  // bit 7 is not part of the mode
    ASSERT_EQ(GetTriggerMode(&read), OK);
    EXPECT_EQ(read, 5) << "every channel source reports channel 1's mode";
    ASSERT_EQ(SetTriggerModeCh(1, 0), OK);
    ASSERT_EQ(SetTriggerSource(tsExternal), OK);
    ASSERT_EQ(SetTriggerModeCh(0, 5), OK);
    EXPECT_EQ(GetTriggerMode(&read), BAD) << "the external input reports only modes 0 and 1";
    Instrument().FTrigMode4Avail = true;
    ASSERT_EQ(SetTriggerModeCh(0, 4), OK);
    EXPECT_EQ(GetTriggerMode(&read), BAD);
    Instrument().FTrigMode[0] = 0x81;  // unmasked for the external input
    EXPECT_EQ(GetTriggerMode(&read), BAD);
    ASSERT_EQ(SetTriggerSource(tsNoTrig), OK);
    EXPECT_EQ(GetTriggerMode(nullptr), OK) << "no mode without a trigger; nothing written";
    EXPECT_EQ(read, 5);
}

// The external input reaches the comparators only through the edge codes, and channel 1's
// mode programs them: under tsExternal that mode is an edge, whichever is set first.
TEST_F(Trigger, ExternalSourceTakesOnlyTheEdgesOnChannel1) {
    ASSERT_EQ(SetTriggerMode(6), OK);
    EXPECT_EQ(SetTriggerSource(tsExternal), NA) << "channel 1 holds a level mode";
    uint8_t source = 99;
    ASSERT_EQ(GetTriggerSource(&source), OK);
    EXPECT_EQ(source, tsCh1);
    ASSERT_EQ(SetTriggerModeCh(1, 1), OK);
    ASSERT_EQ(SetTriggerSource(tsExternal), OK);
    for (uint8_t mode : {5, 6}) {
        EXPECT_EQ(SetTriggerModeCh(1, mode), NA) << int{mode};
        EXPECT_EQ(SetTriggerMode(mode), NA) << int{mode};
        EXPECT_EQ(Mode(1), 1) << int{mode};
        EXPECT_EQ(SetTriggerModeCh(2, mode), OK) << "channel 2's mode programs nothing";
        EXPECT_EQ(SetTriggerModeCh(0, mode), OK) << "nor does the external input's";
    }
    EXPECT_EQ(SetTriggerModeCh(1, 0), OK);
    EXPECT_EQ(SetTriggerModeCh(3, 5), RC_BAD_CHANNEL) << "the input is checked before its mode";
    ASSERT_EQ(SetTriggerSource(tsCh2), OK);
    EXPECT_EQ(SetTriggerModeCh(1, 5), OK) << "any source but the external input takes it";
}

// Triggering on the external input through the exports: the run waits on channel 2's
// comparator, which watches the external input with channel 2's level.
class ExternalTrigger : public ApiSession {
protected:
    static bool ReadyWithin(int ms) {
        return PollUntil([] { return ADC_Ready() == 1; }, ms);
    }
    static void ReadOut() {
        std::array<uint16_t, 512> ch1{}, ch2{};
        EXPECT_EQ(ADC_GetData(ch1.data(), ch2.data()), OK);
    }
};

TEST_F(ExternalTrigger, TriggeredReportsOnlyTheComparatorTheRunWaitsOn) {
    ASSERT_EQ(Start("ext=sine:1000:1"), RC_OK);
    ASSERT_EQ(SetTriggerSource(tsExternal), OK);
    ASSERT_EQ(SetTriggerLevel(1, 0.0), OK);
    ASSERT_EQ(SetTriggerLevel(2, 2.0), OK);  // above the 1 V sine: the run waits
    ASSERT_EQ(ADC_Start(), OK);
    bool reported = false;
    PollUntil([&] { return (reported = ADC_Triggered() != 0) || ADC_Ready() == 1; }, 100);
    EXPECT_FALSE(reported) << "channel 1's comparator fired, but the run does not wait on it";
    EXPECT_EQ(ADC_Ready(), 0);
    ASSERT_EQ(ADC_ForceTrig(), OK);
    ASSERT_TRUE(ReadyWithin(1000));
    ReadOut();

    ASSERT_EQ(SetTriggerLevel(2, 0.0), OK);
    ASSERT_EQ(ADC_Start(), OK);
    EXPECT_TRUE(ReadyWithin(100)) << "channel 2's level on the external sine";
    EXPECT_EQ(ADC_Triggered(), 4);
    ReadOut();
}

TEST_F(Trigger, LevelMapsTheRangeOntoTheCounts) {
    // volts -> raw count: 16 counts per volt around 127, halves to the even count.
    const Pair<double> cases[] = {{8.0, 255},     {-8.0, 0},      {0.0, 127},
                                  {0.03125, 127}, {0.09375, 129}, {0.15625, 129},
                                  {7.96875, 255}, {7.90625, 253}, {-7.9, 1}};
    for (const auto& [volts, raw] : cases) {
        ASSERT_EQ(SetTriggerLevel(2, volts), OK) << volts;
        EXPECT_EQ(Level(2), raw) << volts;
        double read = 0;
        ASSERT_EQ(GetTriggerLevel(2, &read), OK);
        EXPECT_EQ(read, (raw - 127) / 16) << volts;
    }
    for (double bad : {8.001, -8.001, kNaN, kInf, 1e300}) EXPECT_EQ(SetTriggerLevel(2, bad), BAD);
    EXPECT_EQ(Level(2), 1);
    EXPECT_EQ(SetTriggerLevel(3, kNaN), RC_BAD_CHANNEL);
    Instrument().FTrigLevelBits = 16;
    ASSERT_EQ(SetTriggerLevel(2, 8.0), OK);
    EXPECT_EQ(Level(2), 65535);
    ASSERT_EQ(SetTriggerLevel(2, 0.0), OK);
    EXPECT_EQ(Level(2), 32767);
}

TEST_F(Trigger, HysteresisKeepsTheBandInsideTheRange) {
    double read = 0;
    ASSERT_EQ(GetTriggerHys(1, &read), OK);
    EXPECT_EQ(read, 10.0 / 16) << "construction band of 10 counts";
    ASSERT_EQ(SetTriggerLevel(1, 4.0), OK);
    // Mode 0: the band lies below the level, down to -8 V.
    EXPECT_EQ(SetTriggerHys(1, 12.0), OK);
    EXPECT_EQ(Hys(1), 192);
    EXPECT_EQ(SetTriggerHys(1, 12.01), BAD);
    EXPECT_EQ(SetTriggerHys(2, 0.09375), OK);
    EXPECT_EQ(Hys(2), 2) << "1.5 counts round to the even 2";
    EXPECT_EQ(SetTriggerHys(1, -0.1), OK);
    EXPECT_EQ(Hys(1), 256) << "a negative band wraps in 16 bits and ends as the widest";
    EXPECT_EQ(SetTriggerHys(1, -1.0 / 32), OK);
    EXPECT_EQ(Hys(1), 0) << "half a step below 0 rounds to no band";
    EXPECT_EQ(SetTriggerHys(1, -8.0 * 510), OK);
    EXPECT_EQ(Hys(1), 256);
    EXPECT_EQ(SetTriggerHys(1, -8.0 * 511), OK);
    EXPECT_EQ(Hys(1), 128) << "far below, the 16-bit count wraps round to a narrow band";
    // Mode 1: above the level, up to +8 V.
    ASSERT_EQ(SetTriggerModeCh(1, 1), OK);
    EXPECT_EQ(SetTriggerHys(1, 4.0), OK);
    EXPECT_EQ(SetTriggerHys(1, 4.01), BAD);
    EXPECT_EQ(Hys(1), 64);
    // Channel 1's mode decides for every channel: modes 5 and 6 take no band at all.
    ASSERT_EQ(SetTriggerModeCh(1, 5), OK);
    for (double value : {0.0, 0.5}) EXPECT_EQ(SetTriggerHys(2, value), BAD);
    // The drop-out modes take any finite band.
    Instrument().FTrigMode23Avail = true;
    ASSERT_EQ(SetTriggerModeCh(1, 2), OK);
    EXPECT_EQ(SetTriggerHys(2, 1e300), OK);
    EXPECT_EQ(Hys(2), 256);
    for (double bad : {kNaN, kInf, -kInf}) EXPECT_EQ(SetTriggerHys(2, bad), BAD);
}

// Modes 5 and 6 write comparator codes only: the levels stay as the last arm in mode 0 to 3
// left them. On the simulated instrument 6 fires at or above that level.
class LevelModes : public ApiSession {
protected:
    void SetUp() override { ASSERT_EQ(Start("ch1=dc:0"), RC_OK); }
    // Arms in `mode` with a level of 0.5 V on channel 1 and tells whether it triggers.
    static bool Fires(uint8_t mode) {
        EXPECT_EQ(SetTriggerMode(mode), OK);
        EXPECT_EQ(SetTriggerLevel(1, 0.5), OK);
        EXPECT_EQ(ADC_Start(), OK);
        const bool fired = PollUntil([] { return ADC_Ready() == 1; }, 100);
        if (!fired) {
            EXPECT_EQ(ADC_ForceTrig(), OK);
        }
        EXPECT_TRUE(PollUntil([] { return ADC_Ready() == 1; }));
        std::array<uint16_t, 512> ch1{}, ch2{};
        EXPECT_EQ(ADC_GetData(ch1.data(), ch2.data()), OK);
        return fired;
    }
};

TEST_F(LevelModes, KeepTheLevelOfTheLastEdgeArm) {
    EXPECT_TRUE(Fires(6)) << "before any arm the level is the bottom of the range, not 0.5 V";
    EXPECT_FALSE(Fires(0)) << "0 V never rises to 0.5 V";
    EXPECT_FALSE(Fires(6)) << "now the comparator holds 0.5 V";
    EXPECT_TRUE(Fires(5));
}

TEST_F(Trigger, TimeOutKeepsEveryBitPattern) {
    EXPECT_EQ(GetTriggerTimeOut(), 1000);
    for (uint32_t ms : {0u, 250u, 123456789u, 0x80000000u, 0xFFFFFFFEu}) {
        ASSERT_EQ(SetTriggerTimeOut(ms), OK);
        EXPECT_EQ(static_cast<uint32_t>(GetTriggerTimeOut()), ms);
    }
    ASSERT_EQ(SetTriggerTimeOut(0xFFFFFFFFu), OK);
    EXPECT_EQ(GetTriggerTimeOut(), -1);
    EXPECT_EQ(Instrument().rTrigTimeOut, -1) << "waits for ever";
}

TEST_F(Trigger, PxiLinesOnlyWhereThereAreAny) {
    uint8_t value = 7;
    EXPECT_EQ(SetPXITriggerSlopes(3), NA);
    EXPECT_EQ(GetPXITriggerEnables(&value), NA);
    EXPECT_EQ(value, 7);
    Instrument().FPxiAvail = true;
    ASSERT_EQ(SetPXITriggerEnables(0x3C), OK);
    ASSERT_EQ(GetPXITriggerEnables(&value), OK);
    EXPECT_EQ(value, 0x3C);
    EXPECT_EQ(GetPXITriggerSlopes(nullptr), BAD);
}

}  // namespace
