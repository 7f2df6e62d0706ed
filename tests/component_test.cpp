// SPDX-License-Identifier: MIT
// The instrument component on its own: construction defaults and the settings accessors.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "instrument/zarvo.h"
#include "support/fake_platform.h"

namespace zarvo {
namespace {

using testing::FakePlatform;

class ComponentTest : public ::testing::Test {
protected:
    FakePlatform platform;
    TZarvo z{platform};
};

TEST_F(ComponentTest, FreshComponentHoldsTheConstructionDefaults) {
    EXPECT_EQ(z.Get_rSampleFreq(), 25e6L);
    EXPECT_EQ(z.lRecordLength, 512);
    EXPECT_EQ(z.lPreSamples, 256);
    EXPECT_EQ(z.lPostSamples, 256);
    EXPECT_EQ(z.rTrigTimeOut, 1.0L);
    EXPECT_EQ(z.Get_rTrigDipTime(), 0.0L);
    EXPECT_EQ(z.tsTriggerSource, tsCh1);
    EXPECT_EQ(z.mMeasureMode, mCh12);
    EXPECT_EQ(z.FChannelSelect, 3);
    EXPECT_EQ(z.amAcquisitionMode, amContinuous);
    EXPECT_EQ(z.nAverageNumber, 1);
    EXPECT_EQ(z.nCalculations, 1);
    EXPECT_FALSE(z.bEnableMeasurements);
    EXPECT_TRUE(z.FSettingsDirty);
    EXPECT_FALSE(z.FArmed);
    EXPECT_FALSE(z.FInstrumentFound);
    EXPECT_EQ(z.FInstrumentName, "Zarvo");
    EXPECT_EQ(z.FMaxRecordLength, 32760);
    for (int ch = 1; ch <= 4; ++ch) {
        EXPECT_EQ(z.FRange[ch], 6) << "channel " << ch;
        EXPECT_EQ(z.GetChannelSensitivity(ch), 8.0L);
        EXPECT_TRUE(z.FAutoRanging[ch]);
        EXPECT_EQ(z.FTrigLevel[ch], 127);
        EXPECT_EQ(z.FTrigHys[ch], 10);
    }
    EXPECT_EQ(z.Cursor(), "nvt");
    EXPECT_EQ(z.Hint(), "nvt");
    EXPECT_EQ(z.Tag(), "nvt");
    ASSERT_NE(platform.timer, nullptr);
    EXPECT_FALSE(platform.timer->Enabled());
}

TEST_F(ComponentTest, BuffersStartZeroedIncludingTheFirstAverage) {
    for (int i = 0; i < kSumBufferElements; ++i) {
        ASSERT_EQ(z.FSumBuffer1[i], 0.0f) << i;
        ASSERT_EQ(z.FSumBuffer2[i], 0.0f) << i;
    }
    EXPECT_EQ(z.FChannelData1[kDataBufferSamples - 1], 0);
    EXPECT_EQ(z.FRawBuffer2[kDataBufferSamples - 1], 0);
}

TEST(ComponentLifetime, ConstructionAndDestructionWithoutInstrumentTouchNoPort) {
    FakePlatform platform;
    { TZarvo z(platform); }
    EXPECT_TRUE(platform.port.ops.empty());
}

struct SensitivityCase {
    double requested;
    int range;
};

class SensitivitySelection : public ComponentTest,
                             public ::testing::WithParamInterface<SensitivityCase> {};

TEST_P(SensitivitySelection, PicksTheNearestRangeWithTiesToTheSmaller) {
    z.SetChannelSensitivity(1, GetParam().requested);
    EXPECT_EQ(z.FRange[1], GetParam().range);
    EXPECT_EQ(z.FGainCode[1], z.FRangeGainCode[GetParam().range]);
    EXPECT_EQ(z.FChannelSpan[1], z.FRangeSpanTable[GetParam().range]);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SensitivitySelection,
    ::testing::Values(SensitivityCase{3.0, 4}, SensitivityCase{0.0, 1}, SensitivityCase{1000, 9},
                      SensitivityCase{-5.0, 1}, SensitivityCase{0.3, 1}, SensitivityCase{0.31, 2},
                      SensitivityCase{30.0, 7}, SensitivityCase{60.0, 8}, SensitivityCase{1e30, 9},
                      SensitivityCase{-1e300, 1},
                      SensitivityCase{std::numeric_limits<double>::infinity(), 9},
                      SensitivityCase{std::numeric_limits<double>::quiet_NaN(), 1}));

TEST_F(ComponentTest, HandingBackTheCurrentFullScaleChangesNothing) {
    for (int range = 1; range <= 9; ++range) {
        z.SetChannelSensitivity(1, static_cast<double>(z.FRangeTable[range]));
        ASSERT_EQ(z.FRange[1], range);
        z.FSettingsDirty = false;
        z.nCalculations = 3;
        z.SetChannelSensitivity(1, static_cast<double>(z.FRangeTable[range]));
        EXPECT_FALSE(z.FSettingsDirty) << "range " << range;
        EXPECT_EQ(z.nCalculations, 3) << "range " << range;
    }
}

TEST_F(ComponentTest, RangeChangeRestartsAveragingAndMarksTheFrontEnd) {
    z.FSettingsDirty = false;
    z.nCalculations = 4;
    z.tsTriggerSource = tsCh2;
    z.SetChannelSensitivity(2, 0.4);
    EXPECT_EQ(z.FRange[2], 2);
    EXPECT_EQ(z.nCalculations, 1);
    EXPECT_TRUE(z.FSettingsDirty);
    EXPECT_EQ(z.FActiveTrigSource, tsCh2);
}

TEST_F(ComponentTest, SensitivityOffsetComesFromTheCalibration) {
    z.FCalOffset[1][3] = 512 + 256;  // half of the 1.25 V offset scale
    z.SetChannelSensitivity(1, 0.8);
    EXPECT_NEAR(static_cast<double>(z.FChannelOffset[1]), 0.625, 1e-12);
}

TEST_F(ComponentTest, PostAndRecordLengthKeepPreSamplesInStep) {
    z.Set_lPostSamples(300);
    EXPECT_EQ(z.lPreSamples, 212);
    z.Set_lRecordLength(1000);
    EXPECT_EQ(z.lPreSamples, 700);
    z.Set_lPostSamples(256);
    z.Set_lRecordLength(100);
    EXPECT_EQ(z.lPreSamples, -156);
}

TEST_F(ComponentTest, DoubleRateFollowsTheMeasureMode) {
    z.Set_mMeasureMode(mCh1);
    EXPECT_EQ(z.FChannelSelect, 1);
    z.Set_rSampleFreq(30e6L);
    EXPECT_TRUE(z.FDoubleRate);
    EXPECT_EQ(z.Get_rSampleFreq(), 50e6L);
    z.Set_mMeasureMode(mCh12);
    EXPECT_FALSE(z.FDoubleRate);
    EXPECT_EQ(z.Get_rSampleFreq(), 25e6L);
    z.FSettingsDirty = false;
    z.Set_rSampleFreq(30e6L);  // equals the last request: nothing happens
    EXPECT_FALSE(z.FDoubleRate);
    EXPECT_FALSE(z.FSettingsDirty);
}

TEST_F(ComponentTest, MeasureModeSetsTheHardwareChannelSelection) {
    const struct {
        TMeasureMode mode;
        int select;
    } cases[] = {{mNone, 0}, {mCh2, 2}, {mXY, 3}, {mCh3, 3}, {mCh1, 1}, {mCh1234, 1}};
    for (const auto& c : cases) {
        z.Set_mMeasureMode(c.mode);
        EXPECT_EQ(z.FChannelSelect, c.select) << "mode " << int(c.mode);
    }
}

TEST_F(ComponentTest, DipTimeIsHeldInWholeMilliseconds) {
    z.Set_rTrigDipTime(0.25L);
    EXPECT_EQ(z.FTrigDipMs, 250);
    EXPECT_EQ(z.Get_rTrigDipTime(), 0.25L);
    z.FSettingsDirty = false;
    z.Set_rTrigDipTime(0.25L);
    EXPECT_FALSE(z.FSettingsDirty);
    z.Set_rTrigDipTime(0.0025L);  // 2.5 ms: halves go to even
    EXPECT_EQ(z.FTrigDipMs, 2);
}

TEST_F(ComponentTest, DipTimeSaturatesInsteadOfOverflowing) {
    z.Set_rTrigDipTime(1e300L);
    EXPECT_EQ(z.FTrigDipMs, std::numeric_limits<std::int32_t>::max());
    z.Set_rTrigDipTime(-std::numeric_limits<Extended>::infinity());
    EXPECT_EQ(z.FTrigDipMs, std::numeric_limits<std::int32_t>::min());
    z.Set_rTrigDipTime(std::numeric_limits<Extended>::quiet_NaN());
    EXPECT_EQ(z.FTrigDipMs, 0);
}

TEST_F(ComponentTest, DcLevelIsKeptFromTheStartAndClampedToTheSpan) {
    z.SetChannelDcLevel(1, 5.0L);  // 8 V range, span 16 V
    EXPECT_EQ(z.GetChannelDcLevel(1), 5.0L);
    z.SetChannelDcLevel(2, -20.0L);
    EXPECT_EQ(z.GetChannelDcLevel(2), -16.0L);
    z.SetChannelSensitivity(1, 0.2);
    EXPECT_EQ(z.GetChannelDcLevel(1), 0.4L);
    z.SetChannelDcLevel(1, 10.0L);
    EXPECT_EQ(z.GetChannelDcLevel(1), 0.4L);
}

TEST_F(ComponentTest, UnchangedValuesLeaveTheSettingsAlone) {
    z.FSettingsDirty = false;
    z.nCalculations = 2;
    z.SetChannelCoupling(1, 0);
    z.SetChannelDcLevel(1, 0);
    z.SetChannelTrigLevel(1, 127);
    z.SetChannelTrigHys(1, 10);
    z.SetChannelTrigMode(1, 0);
    z.Set_tsTriggerSource(tsCh1);
    z.Set_rTrigTimeOut(1.0L);
    z.Set_lPostSamples(256);
    z.Set_lRecordLength(512);
    EXPECT_FALSE(z.FSettingsDirty);
    EXPECT_EQ(z.nCalculations, 2);

    z.SetChannelTrigMode(0, 1);  // the external trigger input is input 0
    EXPECT_EQ(z.GetChannelTrigMode(0), 1);
    EXPECT_TRUE(z.FSettingsDirty);
    EXPECT_EQ(z.nCalculations, 1);
}

TEST_F(ComponentTest, AutoRangingAndAverageCountDoNotRestartTheRun) {
    z.nCalculations = 3;
    z.FSettingsDirty = false;
    EXPECT_FALSE(z.SetChannelAutoRanging(1, false));
    EXPECT_FALSE(z.GetChannelAutoRanging(1));
    z.Set_rTransSampleTime(2.0L);
    EXPECT_EQ(z.nCalculations, 3);
    EXPECT_FALSE(z.FSettingsDirty);
}

TEST_F(ComponentTest, ResolutionListHasOnlyEightBits) {
    EXPECT_EQ(z.GetResolutionValue(0), 8);
    EXPECT_EQ(z.GetResolutionValue(1), 0);
    EXPECT_EQ(z.GetResolutionValue(-1), 0);
    z.SetResolutionBits(12);
    EXPECT_EQ(z.FResolution, 8);
}

TEST_F(ComponentTest, RangeClampAndInvalidChannelsAreHarmless) {
    EXPECT_EQ(z.ClampRange(0), 1);
    EXPECT_EQ(z.ClampRange(10), 9);
    EXPECT_EQ(z.ClampRange(5), 5);
    EXPECT_EQ(z.GetChannelSensitivity(0), 0.0L);
    EXPECT_EQ(z.GetChannelSensitivity(5), 0.0L);
    z.SetChannelSensitivity(7, 2.0);  // ignored, no out-of-bounds write
    z.SetChannelTrigMode(5, 1);
    EXPECT_EQ(z.GetChannelTrigMode(5), 0);
}

TEST_F(ComponentTest, MessageIdsOnlyForTransientKinds) {
    EXPECT_TRUE(z.SetMessageId(4, 0xC001));
    EXPECT_TRUE(z.SetMessageId(5, 0xC002));
    EXPECT_FALSE(z.SetMessageId(3, 0xC003));
    EXPECT_EQ(z.FMsgTransUpdate, 0xC001u);
    EXPECT_EQ(z.FMsgTransReady, 0xC002u);
}

}  // namespace
}  // namespace zarvo
