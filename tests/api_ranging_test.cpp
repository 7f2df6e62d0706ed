// SPDX-License-Identifier: MIT
// Auto ranging and the volts of a record through the exports, on the simulated instrument:
// one range step per record in every mode, never onto a range that cannot hold the DC level,
// only for a recorded channel; a record's volts use the range it was taken with.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "support/api_session.h"

namespace {

using zarvo::testing::ApiSession;

constexpr int kLength = 1000;

class Ranging : public ApiSession {
protected:
    // Records of 1000 samples at 1 MHz without a trigger, both channels on 8 V.
    void Open(const std::string& inputs) {
        ASSERT_EQ(Start(inputs), RC_OK);
        ASSERT_EQ(SetRecordLength(kLength), RC_OK);
        ASSERT_EQ(SetPostSamples(kLength), RC_OK);
        SetRate(1e6);
        ASSERT_EQ(SetTriggerSource(tsNoTrig), RC_OK);
    }
    static void SetRate(double rate) { ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK); }
    static double Range(uint8_t ch) {
        double range = 0;
        EXPECT_EQ(GetSensitivity(ch, &range), RC_OK);
        return range;
    }
    static void Arm() {
        ASSERT_EQ(ADC_Start(), RC_OK);
        ASSERT_TRUE(PollUntil([] { return ADC_Ready() == 1; })) << "no data";
    }
    // A block record's mean volts on each channel.
    static std::pair<double, double> Record() {
        Arm();
        std::vector<double> ch1(kLength), ch2(kLength);
        EXPECT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
        return {Mean(ch1), Mean(ch2)};
    }
    static double Mean(const std::vector<double>& v) {
        double sum = 0;
        for (double x : v) sum += x;
        return sum / static_cast<double>(v.size());
    }
};

TEST_F(Ranging, BlockModeStepsOncePerRecordReadOut) {
    Open("ch1=dc:0.5");
    ASSERT_EQ(SetAutoRanging(1, 1), RC_OK);
    Record();  // 0.5 V uses little of 8 V: one step down is asked for
    for (int i = 0; i < 4; ++i) ASSERT_EQ(ADC_Start(), RC_OK);
    EXPECT_EQ(Range(1), 4.0);
    Arm();
    std::vector<double> ch1(kLength);
    ASSERT_EQ(ADC_GetDataVoltCh(1, ch1.data()), RC_OK);
    EXPECT_NEAR(Mean(ch1), 0.5, 0.05);
}

TEST_F(Ranging, BlockModeNeverTakesARangeThatCannotHoldTheDcLevel) {
    // -10 V plus a DC level of 10 V reads 0 V, little of 8 V; 4 V cannot hold a 10 V level.
    Open("ch1=dc:-10");
    ASSERT_EQ(SetDcLevel(1, 10.0), RC_OK);
    ASSERT_EQ(SetAutoRanging(1, 1), RC_OK);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(Record().first, 0.0, 0.1) << i;
        EXPECT_EQ(Range(1), 8.0) << i;
        double level = 0;
        ASSERT_EQ(GetDcLevel(1, &level), RC_OK);
        EXPECT_EQ(level, 10.0) << i;
    }
}

TEST_F(Ranging, OnlyARecordedChannelAsksForAStep) {
    // 6 V fits 8 V well; double rate records channel 1 alone and must not move channel 2.
    Open("ch2=dc:6");
    ASSERT_EQ(SetAutoRanging(2, 1), RC_OK);
    EXPECT_NEAR(Record().second, 6.0, 0.1);
    ASSERT_EQ(SetMeasureMode(mCh1), RC_OK);
    SetRate(50e6);
    Record();
    ASSERT_EQ(SetMeasureMode(mCh12), RC_OK);
    SetRate(1e6);
    EXPECT_NEAR(Record().second, 6.0, 0.1);
    EXPECT_EQ(Range(2), 8.0);
}

TEST_F(Ranging, EachChannelsVoltsUseTheRangeItsRecordWasTakenWith) {
    Open("ch2=dc:1");
    ASSERT_EQ(SetAutoRanging(2, 1), RC_OK);
    std::vector<double> ch1(kLength), ch2(kLength);
    for (int i = 0; i < 4; ++i) {
        Arm();
        ASSERT_EQ(ADC_GetDataVoltCh(1, ch1.data()), RC_OK);  // reads the record out
        ASSERT_EQ(ADC_GetDataVoltCh(2, ch2.data()), RC_OK);
        EXPECT_NEAR(Mean(ch2), 1.0, 0.05) << "record " << i << " on " << Range(2) << " V";
    }
}

TEST_F(Ranging, TimerRecordsReadWithTheirOwnRangeWhileTheRangeMoves) {
    // A 1 V sine from the 0.2 V range: each record read between the timer's steps is either
    // the sine or clipped at the full scale of the range it was taken on, never scaled by a
    // range taken after it.
    Open("ch1=sine:1000:1");
    ASSERT_EQ(SetTriggerSource(tsCh1), RC_OK);
    double range = 0.2;
    ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    ASSERT_EQ(SetAutoRanging(1, 1), RC_OK);
    int readouts = 0;
    auto bridge = Instrument().OnMeasurementReady;
    Instrument().OnMeasurementReady = [&](zarvo::TZarvo& z) {
        ++readouts;
        bridge(z);
    };
    ASSERT_EQ(DoMeasure(-1), RC_OK);
    std::vector<double> ch1(kLength), ch2(kLength);
    constexpr std::array<double, 3> kClipped{0.2, 0.4, 0.8};
    for (int k = 0, last = 0; k < 8; ++k, last = readouts) {
        ASSERT_TRUE(PollUntil([&] { return readouts > last; }));
        ASSERT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
        const auto [low, high] = std::minmax_element(ch1.begin(), ch1.end());
        const double peak = std::max(-*low, *high);
        const bool sine = std::fabs(peak - 1.0) < 0.1;
        const bool clipped = std::any_of(kClipped.begin(), kClipped.end(), [&](double fs) {
            return std::fabs(peak - fs) < 0.02 * fs;
        });
        EXPECT_TRUE(sine || clipped) << "peak " << peak << " V after " << readouts << " records";
    }
    ASSERT_EQ(DoMeasure(0), RC_OK);
}

}  // namespace
