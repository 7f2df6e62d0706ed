// SPDX-License-Identifier: MIT
// Channel, timebase and configuration exports against the simulated instrument: identity,
// ranges and the volts scale, DC level, measure mode, record counts, sample frequency,
// external clock and configuration, with the check order and the refused inputs.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "support/api_session.h"

namespace {

using zarvo::testing::ApiSession;
using zarvo::testing::CountVolts;
using zarvo::testing::Pair;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class Channel : public ApiSession {
protected:
    void SetUp() override { ASSERT_EQ(Start(), RC_OK); }
    static double Scale(int ch) { return zarvo::api::Lib().VoltScale[ch]; }
};

TEST_F(Channel, IdentityAndCalibrationDateFromTheEeprom) {
    uint16_t channels = 0;
    int32_t serial = 0;
    uint32_t date = 0;
    ASSERT_EQ(GetNrChannels(&channels), RC_OK);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(GetMaxSampleFrequency(), 25000000u);
    ASSERT_EQ(GetSerialNumber(&serial), RC_OK);
    EXPECT_EQ(serial, 12345);
    const std::size_t before = TracedOperations();
    ASSERT_EQ(GetCalibrationDate(&date), RC_OK);
    EXPECT_EQ(date, (15u << 24) | (3u << 16) | 2004u);
    EXPECT_GT(TracedOperations(), before) << "read from the EEPROM at every call";
    EXPECT_EQ(GetCalibrationDate(nullptr), RC_BAD_VALUE);
    // Types without a serial number: 0 and unavailable; the date stays untouched.
    Instrument().FInstrumentType = 3;
    serial = date = 9;
    EXPECT_EQ(GetSerialNumber(&serial), RC_UNAVAILABLE);
    EXPECT_EQ(GetCalibrationDate(&date), RC_UNAVAILABLE);
    EXPECT_EQ(GetSerialNumber(nullptr), RC_UNAVAILABLE);
    EXPECT_EQ(serial, 0);
    EXPECT_EQ(date, 9u);
}

// The stored date as the factory wrote it, and what GetCalibrationDate packs from it.
class CalibrationDate : public ApiSession,
                        public ::testing::WithParamInterface<std::pair<const char*, uint32_t>> {};

TEST_P(CalibrationDate, PacksDayMonthYearAndDropsTheTime) {
    ASSERT_EQ(Start(std::string("date=") + GetParam().first), RC_OK);
    uint32_t date = 0;
    ASSERT_EQ(GetCalibrationDate(&date), RC_OK);
    EXPECT_EQ(date, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, CalibrationDate,
    ::testing::Values(std::pair{"1999-12-31T23:59", (31u << 24) | (12u << 16) | 1999u},
                      std::pair{"2000-02-29", (29u << 24) | (2u << 16) | 2000u},
                      std::pair{"1899-12-29T06:00", (29u << 24) | (12u << 16) | 1899u},
                      // No such day: the record's fallback date.
                      std::pair{"2003-02-30", (1u << 24) | (1u << 16) | 1980u}));

TEST_F(Channel, ListsFillAllTwentyEntries) {
    std::array<double, 20> list;
    list.fill(-1);
    ASSERT_EQ(GetAvailableSensitivities(list.data()), RC_OK);
    const std::array<double, 20> ranges = {80, 40, 20, 8, 4, 2, 0.8, 0.4, 0.2};
    EXPECT_EQ(list, ranges);
    ASSERT_EQ(GetAvailableResolutions(list.data()), RC_OK);
    EXPECT_EQ(list, (std::array<double, 20>{8}));
    EXPECT_EQ(SetResolution(8), RC_OK);
    EXPECT_EQ(SetResolution(12), RC_BAD_VALUE);
}

TEST_F(Channel, SensitivityPicksTheNearestRangeAndKeepsTheScale) {
    // Ties go to the smaller range; infinities and huge values still find the nearest one.
    const Pair<double> cases[] = {{3.0, 2.0}, {1000, 80},   {0, 0.2},    {-5, 0.2},
                                  {0.6, 0.4}, {60, 40},     {0.2, 0.2},  {0.8, 0.8},
                                  {kInf, 80}, {-kInf, 0.2}, {1e300, 80}, {8, 8}};
    for (const auto& [request, fullScale] : cases) {
        double value = request;
        ASSERT_EQ(SetSensitivity(1, &value), RC_OK) << request;
        EXPECT_EQ(value, fullScale) << request;
        EXPECT_EQ(Scale(1), CountVolts(fullScale)) << request;
    }
    // A value that is not a number names no range; bad channels come before the value.
    double value = kNaN;
    EXPECT_EQ(SetSensitivity(1, &value), RC_BAD_VALUE);
    value = 3.0;
    EXPECT_EQ(SetSensitivity(3, &value), RC_BAD_CHANNEL);
    EXPECT_EQ(SetSensitivity(0, nullptr), RC_BAD_CHANNEL);
    EXPECT_EQ(SetSensitivity(1, nullptr), RC_BAD_VALUE);
    EXPECT_EQ(value, 3.0);
    // A range the component changed by itself reaches the scale through GetSensitivity.
    Instrument().SetChannelSensitivity(1, 40.0);
    ASSERT_EQ(GetSensitivity(1, &value), RC_OK);
    EXPECT_EQ(value, 40.0);
    EXPECT_EQ(Scale(1), CountVolts(40.0));
}

TEST_F(Channel, TwoStateSettingsTakeZeroOrOne) {
    uint8_t value = 9;
    EXPECT_EQ(SetAutoRanging(1, 2), RC_BAD_VALUE);
    EXPECT_EQ(SetAutoRanging(3, 2), RC_BAD_CHANNEL);
    ASSERT_EQ(GetAutoRanging(1, &value), RC_OK);
    EXPECT_EQ(value, 0) << "InitInstrument switches auto ranging off";
    EXPECT_EQ(SetCoupling(2, 1), RC_OK);
    EXPECT_EQ(SetCoupling(2, 2), RC_BAD_VALUE);
    ASSERT_EQ(GetCoupling(2, &value), RC_OK);
    EXPECT_EQ(value, 1);
    Instrument().FCoupling[2] = 5;
    EXPECT_EQ(GetCoupling(2, &value), RC_BAD_VALUE);
    EXPECT_EQ(value, 1);
}

TEST_F(Channel, DcLevelReachesTwiceTheFullScale) {
    for (double range : {4.0, 8.0}) ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    EXPECT_EQ(SetDcLevel(1, 16.0), RC_OK);
    EXPECT_EQ(SetDcLevel(1, -16.0), RC_OK);
    for (double bad : {16.1, -16.1, kNaN, kInf}) EXPECT_EQ(SetDcLevel(1, bad), RC_BAD_VALUE);
    double level = 0;
    ASSERT_EQ(GetDcLevel(1, &level), RC_OK);
    EXPECT_EQ(level, -16.0);
    EXPECT_EQ(GetDcLevel(0, &level), RC_BAD_CHANNEL);
    // Not settable: refused before the channel is looked at.
    Instrument().FDcLevelAvail = false;
    EXPECT_EQ(GetDCLevelStatus(), RC_UNAVAILABLE);
    EXPECT_EQ(GetDcLevel(0, &level), RC_UNAVAILABLE);
    EXPECT_EQ(SetDcLevel(9, kNaN), RC_UNAVAILABLE);
}

// The level adds to the input: a positive one moves the trace up, and the volts include it.
class DcLevel : public ApiSession {};

TEST_F(DcLevel, AddsToTheInputInTheRecord) {
    ASSERT_EQ(Start("ch1=dc:0.5"), RC_OK);
    double range = 2.0;
    ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    ASSERT_EQ(SetTriggerSource(tsNoTrig), RC_OK);
    for (double level : {1.0, -1.0}) {
        ASSERT_EQ(SetDcLevel(1, level), RC_OK);
        std::vector<double> ch1(512), ch2(512);
        ASSERT_EQ(ADC_Start(), RC_OK);
        ASSERT_TRUE(PollUntil([] { return ADC_Ready() == 1; }));
        ASSERT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
        EXPECT_NEAR(ch1[0], 0.5 + level, 0.05) << level;
    }
}

TEST_F(Channel, MeasureModeNeedsTheChannelsItUses) {
    EXPECT_EQ(SetMeasureMode(mCh13), RC_UNAVAILABLE);
    EXPECT_EQ(SetMeasureMode(17), RC_BAD_VALUE);
    EXPECT_EQ(SetMeasureMode(mXY), RC_OK);
    uint8_t mode = 0;
    ASSERT_EQ(GetMeasureMode(&mode), RC_OK);
    EXPECT_EQ(mode, mXY);
    Instrument().FNrChannels = 1;
    EXPECT_EQ(SetMeasureMode(mCh12), RC_UNAVAILABLE);
    EXPECT_EQ(SetMeasureMode(mCh1), RC_OK);
    Instrument().mMeasureMode = 40;
    EXPECT_EQ(GetMeasureMode(&mode), RC_BAD_VALUE);
    EXPECT_EQ(mode, mXY);
}

TEST_F(Channel, RecordAndPostTriggerCountsAreBounded) {
    const auto maxLength = static_cast<uint32_t>(GetMaxRecordLength());
    EXPECT_EQ(SetRecordLength(maxLength + 1), RC_BAD_VALUE);
    EXPECT_EQ(SetRecordLength(0xFFFFFFFFu), RC_BAD_VALUE) << "compared unsigned";
    EXPECT_EQ(SetRecordLength(maxLength), RC_OK);
    EXPECT_EQ(SetRecordLength(1000), RC_OK);
    EXPECT_EQ(SetPostSamples(1001), RC_BAD_VALUE);
    EXPECT_EQ(SetPostSamples(300), RC_OK);
    EXPECT_EQ(GetRecordLength(), 1000);
    EXPECT_EQ(GetPostSamples(), 300);
    EXPECT_EQ(Instrument().lPreSamples, 700);
}

TEST_F(Channel, SampleFrequencyWritesBackWhatTheClockMakes) {
    const double slowest = 50000.0 / 65535.0;
    // Two-channel mode (the default): 25 MHz at most.
    const Pair<double> cases[] = {{1e6, 1e6},       {3e6, 5e6},       {30e6, 25e6},
                                  {12.5e6, 12.5e6}, {10, 10},         {39062.5, 39062.5},
                                  {0.1, slowest},   {1e-300, slowest}};
    for (const auto& [request, achieved] : cases) {
        double value = request;
        ASSERT_EQ(SetSampleFrequencyF(&value), RC_OK) << request;
        EXPECT_NEAR(value, achieved, achieved * 1e-12) << request;
    }
    // No frequency at all: refused, nothing changed, the argument left alone.
    for (double bad : {0.0, -1.0, kNaN, kInf, -kInf}) {
        double value = bad;
        EXPECT_EQ(SetSampleFrequencyF(&value), RC_BAD_VALUE) << bad;
        EXPECT_TRUE(value == bad || std::isnan(value)) << bad;
    }
    EXPECT_EQ(SetSampleFrequencyF(nullptr), RC_BAD_VALUE);
    EXPECT_NEAR(GetSampleFrequencyF(), slowest, 1e-12);
}

TEST_F(Channel, WholeHertzFrequencyRoundsHalvesToEvenAndAlwaysWritesBack) {
    uint32_t value = 30000000;
    ASSERT_EQ(SetMeasureMode(mCh1), RC_OK);
    ASSERT_EQ(SetSampleFrequency(&value), RC_OK);
    EXPECT_EQ(value, 50000000u) << "channel 1 alone: double rate";
    // 5 MHz / 128 = 39062.5 Hz: the even neighbour comes back.
    value = 39062;
    ASSERT_EQ(SetSampleFrequency(&value), RC_OK);
    EXPECT_EQ(value, 39062u);
    EXPECT_EQ(GetSampleFrequency(), 39062u);
    value = 0;
    EXPECT_EQ(SetSampleFrequency(&value), RC_BAD_VALUE);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(GetSampleFrequencyF(), 39062.5);
    EXPECT_EQ(SetSampleFrequency(nullptr), RC_BAD_VALUE);
}

// Double rate routes both converters to channel 1, so it is taken only while channel 1 is
// measured alone; any other measure mode gets 25 MHz, and both channels read right.
class DoubleRate : public ApiSession {
protected:
    void SetUp() override { ASSERT_EQ(Start("ch1=dc:1,ch2=dc:-1"), RC_OK); }
    // Lowest and highest volts of each channel in one record taken without a trigger.
    struct Spread {
        double low1, high1, low2, high2;
    };
    static Spread Record() {
        constexpr int kLength = 1000;
        std::vector<double> ch1(kLength), ch2(kLength);
        EXPECT_EQ(ADC_Start(), RC_OK);
        EXPECT_TRUE(PollUntil([] { return ADC_Ready() == 1; }));
        EXPECT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
        const auto [low1, high1] = std::minmax_element(ch1.begin(), ch1.end());
        const auto [low2, high2] = std::minmax_element(ch2.begin(), ch2.end());
        return {*low1, *high1, *low2, *high2};
    }
};

TEST_F(DoubleRate, OnlyWithChannel1Alone) {
    double range = 2.0;
    ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    ASSERT_EQ(SetSensitivity(2, &range), RC_OK);
    ASSERT_EQ(SetRecordLength(1000), RC_OK);
    ASSERT_EQ(SetPostSamples(1000), RC_OK);
    ASSERT_EQ(SetTriggerSource(tsNoTrig), RC_OK);
    // Two channels (the default mode): 25 MHz written back, each channel its own input.
    double rate = 50e6;
    ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK);
    EXPECT_EQ(rate, 25e6);
    EXPECT_EQ(GetSampleFrequencyF(), 25e6);
    Spread s = Record();
    EXPECT_NEAR(s.low1, 1.0, 0.05);
    EXPECT_NEAR(s.high1, 1.0, 0.05);
    EXPECT_NEAR(s.low2, -1.0, 0.05);
    EXPECT_NEAR(s.high2, -1.0, 0.05);
    // Channel 1 alone: both converters on it at 50 MHz.
    ASSERT_EQ(SetMeasureMode(mCh1), RC_OK);
    rate = 50e6;
    ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK);
    EXPECT_EQ(rate, 50e6);
    s = Record();
    EXPECT_NEAR(s.low1, 1.0, 0.05);
    EXPECT_NEAR(s.high1, 1.0, 0.05);
    // Every other mode ends double rate, and asking for it there gives 25 MHz.
    for (const uint8_t mode : {mNone, mCh2, mCh12, mXY}) {
        ASSERT_EQ(SetMeasureMode(mCh1), RC_OK);
        rate = 40e6 + mode;  // a new request each time: an unchanged one is not looked at
        ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK);
        ASSERT_EQ(rate, 50e6);
        ASSERT_EQ(SetMeasureMode(mode), RC_OK);
        EXPECT_EQ(GetSampleFrequencyF(), 25e6) << int(mode);
        rate = 45e6;
        ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK);
        EXPECT_EQ(rate, 25e6) << int(mode);
    }
}

TEST_F(Channel, ExternalClockAndConfigurationOnlyOnTheirTypes) {
    Instrument().bExternalClock = true;
    uint16_t value = 5;
    EXPECT_EQ(GetExternalClock(&value), RC_UNAVAILABLE);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(SetExternalClock(1), RC_UNAVAILABLE);
    EXPECT_FALSE(Instrument().bExternalClock);
    EXPECT_EQ(SetInstrumentConfig(1), RC_UNAVAILABLE);
    Instrument().FInstrumentType = 22;
    Instrument().FMaxSampleFreq = 50e6L;
    EXPECT_EQ(SetExternalClock(1), RC_OK);
    ASSERT_EQ(GetExternalClock(&value), RC_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(SetExternalClock(2), RC_BAD_VALUE);
    EXPECT_FALSE(Instrument().bExternalClock) << "a refused value leaves the clock internal";
    // The configurable type re-applies the settings around a configuration change.
    Instrument().FInstrumentType = 18;
    ASSERT_EQ(SetRecordLength(2000), RC_OK);
    double range = 0.4;
    ASSERT_EQ(SetSensitivity(2, &range), RC_OK);
    EXPECT_EQ(SetInstrumentConfig(2), RC_OK);
    EXPECT_EQ(SetInstrumentConfig(3), RC_BAD_VALUE);
    ASSERT_EQ(GetInstrumentConfig(&value), RC_OK);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(GetRecordLength(), 2000);
    ASSERT_EQ(GetSensitivity(2, &range), RC_OK);
    EXPECT_EQ(range, 0.4);
}

}  // namespace
