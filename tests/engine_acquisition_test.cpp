// SPDX-License-Identifier: MIT
// Arming, trigger comparators, status, forced trigger and the fill and seek runs.
#include <gtest/gtest.h>

#include <limits>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

using Events = std::vector<BankEvent>;

class EngineAcquisitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachInstrument(z);
        dev.readRegister = [this](std::uint8_t reg) -> std::uint8_t {
            if (reg != 2) return 0;
            const std::size_t i = std::min(statusReads++, status.size() - 1);
            return status[i];
        };
        fp.port.SetInner(&dev);
        fp.port.Clear();
    }
    Events Writes() const { return DecodeBankWrites(fp.port.ops, kTestBase); }

    FakePlatform fp;
    TZarvo z{fp};
    ScriptedBus dev{kTestBase};
    std::vector<std::uint8_t> status{0};
    std::size_t statusReads = 0;
};

struct ComparatorCase {
    int mode;
    TTrigSource source;
    std::int32_t level, hysteresis;
    int levelA, levelB, code;  // -1: the shadow value stays
};

class Comparators : public EngineAcquisitionTest,
                    public ::testing::WithParamInterface<ComparatorCase> {};

TEST_P(Comparators, FollowChannel1TriggerModeOnBothChannels) {
    const ComparatorCase& c = GetParam();
    z.FTrigMode[1] = static_cast<std::uint8_t>(c.mode);
    z.FTrigMode[2] = 1;  // channel 2's own mode plays no part
    z.tsTriggerSource = c.source;
    for (int ch = 1; ch <= 2; ++ch) {
        z.FTrigLevel[ch] = c.level;
        z.FTrigHys[ch] = c.hysteresis;
        z.TrigLevelA[ch] = 11;
        z.TrigLevelB[ch] = 22;
        z.TrigModeCode[ch] = 33;
    }
    z.WriteTriggerComparators();
    const int a = c.levelA < 0 ? 11 : c.levelA, b = c.levelB < 0 ? 22 : c.levelB;
    const int code = c.code < 0 ? 33 : c.code;
    EXPECT_EQ(Writes(),
              (Events{{1, 2, code}, {1, 0, a}, {1, 1, b}, {2, 2, code}, {2, 0, a}, {2, 1, b}}));
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Comparators,
    ::testing::Values(ComparatorCase{0, tsCh1, 127, 10, 117, 127, 5},
                      ComparatorCase{0, tsExternal, 127, 10, 117, 127, 1},
                      ComparatorCase{1, tsCh2, 250, 10, 255, 250, 6},
                      ComparatorCase{1, tsExternal, 250, 10, 255, 250, 0},
                      ComparatorCase{2, tsCh1, 5, 10, 0, 5, 9},
                      ComparatorCase{3, tsCh1, 300, -20, 255, 255, 9},
                      ComparatorCase{4, tsCh1, 127, 10, -1, -1, 0x20},
                      ComparatorCase{5, tsCh1, 127, 10, -1, -1, 0x10},
                      ComparatorCase{6, tsCh1, 127, 10, -1, -1, 0x11},
                      ComparatorCase{7, tsCh1, 127, 10, -1, -1, -1},
                      ComparatorCase{0x85, tsCh1, 127, 10, -1, -1, 0x10},  // bit 7 ignored
                      ComparatorCase{1, tsCh1, std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::max(), 255, 255, 6}));

TEST_F(EngineAcquisitionTest, ArmSequenceProgramsComparatorsClockCountSourceAndRuns) {
    z.lPostSamples = 0x12345;  // only the low 16 bits reach the counter
    z.FActiveTrigSource = tsAnd;
    z.FSettingsDirty = false;
    fp.clock = 5000;
    z.ArmAcquisition();
    const Events tail{{0, 0, 0x45}, {0, 1, 0x23}, {1, 4, 2}, {2, 4, 2}, {0, 4, 0},   {0, 3, 0},
                      {0, 7, 4},    {0, 4, 0},    {1, 5, 0}, {2, 5, 0}, {0, 3, 0x0F}};
    const Events w = Writes();
    ASSERT_EQ(w.size(), 6 + 1 + tail.size());
    EXPECT_EQ(w[6], (BankEvent{0, 2, 0x00})) << "clock back to 25 MHz";
    EXPECT_EQ(Events(w.begin() + 7, w.end()), tail);
    EXPECT_GE(z.FDipStartTick, 5000u);
    EXPECT_FALSE(z.FSettingsDirty) << "the clock was met";
}

TEST_F(EngineAcquisitionTest, TriggerSourceCodesAndTheDropOutOverride) {
    const std::pair<TTrigSource, int> codes[] = {{tsCh1, 0}, {tsCh2, 1}, {tsExternal, 1},
                                                 {tsOr, 3},  {tsAnd, 4}, {tsNoTrig, 2},
                                                 {tsXor, 2}, {tsCh3, 2}, {200, 2}};
    for (const auto& [source, code] : codes) {
        fp.port.Clear();
        z.FActiveTrigSource = source;
        z.ArmAcquisition();
        const Events w = Writes();
        EXPECT_EQ(w[w.size() - 5], (BankEvent{0, 7, code})) << int{source};
    }
    fp.port.Clear();
    z.FTrigMode[1] = 2;
    z.FActiveTrigSource = tsCh2;
    z.mMeasureMode = mCh1;
    z.FDoubleRate = true;
    z.ArmAcquisition();
    const Events w = Writes();
    EXPECT_EQ(Events(w.end() - 6, w.end() - 4), (Events{{0, 7, 1}, {0, 7, 7}}));
    EXPECT_EQ(w[w.size() - 9], (BankEvent{2, 4, 0})) << "converter 2 interleaves";
}

TEST_F(EngineAcquisitionTest, ArmAdoptsAChangedClockAndMarksTheSettings) {
    z.FActualSampleFreq = 3e6L;
    z.tsTriggerSource = tsOr;
    z.FActiveTrigSource = tsNoTrig;
    z.FSettingsDirty = false;
    z.ArmAcquisition();
    EXPECT_EQ(z.FActualSampleFreq, 5e6L);
    EXPECT_TRUE(z.FSettingsDirty);
    EXPECT_EQ(z.FActiveTrigSource, tsOr);
    z.FInstrumentFound = false;
    fp.port.Clear();
    z.ArmAcquisition();
    EXPECT_TRUE(fp.port.ops.empty());
}

TEST_F(EngineAcquisitionTest, StatusQueriesMaskTheTriggerBitsAndReadReadyTwice) {
    const std::tuple<std::uint8_t, TTrigSource, int> cases[] = {
        {0x07, tsCh1, 2},      {0x07, tsCh2, 4}, {0x07, tsAnd, 6},
        {0x05, tsExternal, 4}, {0x03, tsCh2, 0}, {0xF9, tsOr, 0}};
    for (const auto& [bits, source, expected] : cases) {
        status = {bits};
        statusReads = 0;
        z.tsTriggerSource = source;
        EXPECT_EQ(z.IsTriggered(), expected);
        EXPECT_EQ(z.GetTriggered(), expected);
    }
    status = {0x01, 0x00};
    statusReads = 0;
    EXPECT_FALSE(z.IsReady()) << "only the second read counts";
    status = {0x00, 0x01};
    statusReads = 0;
    EXPECT_EQ(z.GetReady(), 1);
    EXPECT_EQ(statusReads, 2u);
    fp.port.Clear();
    z.ForceTrigger();
    EXPECT_EQ(Writes(), (Events{{0, 7, 2}}));
}

TEST_F(EngineAcquisitionTest, FillRunsTheWholeMemoryAndWaitsAtMost10Ms) {
    status = {0, 0, 0, 1};
    EXPECT_TRUE(z.FillMemory());
    EXPECT_EQ(DataWrites(Writes()), (Events{{0, 3, 0},
                                            {0, 0, 0x00},
                                            {0, 1, 0x80},
                                            {1, 4, 1},
                                            {2, 4, 1},
                                            {0, 2, 0x00},
                                            {0, 3, 6},
                                            {0, 4, 0},
                                            {0, 3, 7}}));
    status = {0};
    const std::uint32_t start = fp.clock;
    EXPECT_FALSE(z.FillMemory());
    EXPECT_GT(fp.clock - start, 10u);
    EXPECT_LT(fp.clock - start, 40u);
}

TEST_F(EngineAcquisitionTest, SeekRunsTheCountImmediatelyAndGivesUpAfterASecond) {
    status = {0};
    const std::uint32_t start = fp.clock;
    z.SeekMemory(0x7EFA);
    EXPECT_GT(fp.clock - start, 1000u);
    EXPECT_LT(fp.clock - start, 1100u);
    EXPECT_EQ(DataWrites(Writes()), (Events{{0, 3, 0},
                                            {0, 0, 0xFA},
                                            {0, 1, 0x7E},
                                            {0, 2, 0x00},
                                            {0, 4, 0},
                                            {0, 7, 2},
                                            {0, 3, 2},
                                            {0, 3, 3},
                                            {0, 3, 0}}));
}

}  // namespace
}  // namespace zarvo::testing
