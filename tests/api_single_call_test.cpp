// SPDX-License-Identifier: MIT
// Single-call measuring: StartMeasurement blocks until a record is in the buffers; the
// reading exports return it whole or sample by sample, raw or in volts, without touching the
// hardware, and refuse indexes outside the record.
#include <algorithm>
#include <chrono>
#include <climits>
#include <vector>

#include "support/api_session.h"

namespace {

using zarvo::testing::ApiSession;
using zarvo::testing::CountVolts;

constexpr int kLength = 500;

class SingleCall : public ApiSession {
protected:
    // A 2 kHz, 1.5 V sine at 1 MHz on the 2 V range: one period per record.
    void SetUp() override {
        ASSERT_EQ(Start("ch1=sine:2000:1.5"), RC_OK);
        ASSERT_EQ(SetRecordLength(kLength), RC_OK);
        ASSERT_EQ(SetPostSamples(kLength), RC_OK);
        double frequency = 1e6, range1 = 2.0, range2 = 8.0;
        ASSERT_EQ(SetSampleFrequencyF(&frequency), RC_OK);
        ASSERT_EQ(SetSensitivity(1, &range1), RC_OK);
        ASSERT_EQ(SetSensitivity(2, &range2), RC_OK);
        ASSERT_EQ(StartMeasurement(), RC_OK);
        ASSERT_EQ(GetMeasurementRaw(raw1_.data(), raw2_.data()), RC_OK);
    }
    std::vector<uint16_t> raw1_ = std::vector<uint16_t>(kLength);
    std::vector<uint16_t> raw2_ = std::vector<uint16_t>(kLength);
};

TEST(SingleCallWithoutInstrument, StartMeasurementReturnsAtOnce) {
    EXPECT_EQ(StartMeasurement(), RC_NO_INSTRUMENT);
}

TEST_F(SingleCall, RecordIsCompleteAndBlockModeReadsItWithoutAFetch) {
    const auto [low, high] = std::minmax_element(raw1_.begin(), raw1_.end());
    EXPECT_NEAR(*high - 32768, 24576, 512) << "1.5 V of 2 V full scale";
    EXPECT_NEAR(32768 - *low, 24576, 512);
    for (int ch = 1; ch <= 4; ++ch) {
        const auto fullScale = static_cast<double>(Instrument().GetChannelSensitivity(ch));
        EXPECT_EQ(zarvo::api::Lib().VoltScale[ch], CountVolts(fullScale)) << ch;
    }
    std::vector<uint16_t> a1(kLength), a2(kLength);
    const std::size_t before = TracedOperations();
    ASSERT_EQ(ADC_GetData(a1.data(), a2.data()), RC_OK);
    EXPECT_EQ(TracedOperations(), before);
    EXPECT_EQ(a1, raw1_);
    EXPECT_EQ(a2, raw2_);
}

TEST_F(SingleCall, SingleSamplesAgreeWithTheWholeRecord) {
    std::vector<double> v1(kLength), v2(kLength);
    const std::size_t before = TracedOperations();
    ASSERT_EQ(GetMeasurement(v1.data(), v2.data()), RC_OK);
    for (int32_t i : {0, kLength / 2, kLength - 1}) {
        double one1 = 0, one2 = 0;
        uint16_t r1 = 0, r2 = 0, rCh = 0;
        ASSERT_EQ(GetOneMeasurement(i, &one1, &one2), RC_OK);
        ASSERT_EQ(GetOneMeasurementRaw(i, &r1, &r2), RC_OK);
        ASSERT_EQ(GetOneMeasurementRawCh(2, i, &rCh), RC_OK);
        EXPECT_EQ(one1, v1[i]);
        EXPECT_EQ(one2, v2[i]);
        EXPECT_EQ(v1[i], (raw1_[i] - 32768) * CountVolts(2.0));
        EXPECT_EQ(v2[i], (raw2_[i] - 32768) * CountVolts(8.0));
        EXPECT_EQ(r1, raw1_[i]);
        EXPECT_EQ(rCh, r2);
        EXPECT_EQ(r2, raw2_[i]);
    }
    EXPECT_EQ(TracedOperations(), before) << "reading never touches the hardware";
    // Volts use the range the record was taken with, whatever the range is now.
    Instrument().SetChannelSensitivity(1, 0.4);
    ASSERT_EQ(GetMeasurement(v1.data(), v2.data()), RC_OK);
    const auto high = std::max_element(raw1_.begin(), raw1_.end()) - raw1_.begin();
    EXPECT_EQ(v1[high], (raw1_[high] - 32768) * CountVolts(2.0));
}

TEST_F(SingleCall, IndexOutsideTheRecordOrNullOutputIsRefused) {
    for (int32_t index : {-1, kLength, INT32_MIN, INT32_MAX}) {
        double v = 7;
        uint16_t r = 7;
        EXPECT_EQ(GetOneMeasurement(index, &v, &v), RC_BAD_VALUE) << index;
        EXPECT_EQ(GetOneMeasurementRaw(index, &r, &r), RC_BAD_VALUE) << index;
        EXPECT_EQ(GetOneMeasurementRawCh(1, index, &r), RC_BAD_VALUE) << index;
        EXPECT_EQ(v + r, 14);
    }
    // The channel is checked before the index and the pointer.
    EXPECT_EQ(GetOneMeasurementRawCh(3, -1, nullptr), RC_BAD_CHANNEL);
    EXPECT_EQ(GetOneMeasurementRawCh(0, 0, nullptr), RC_BAD_CHANNEL);
    double v = 7;
    std::vector<uint16_t> r(kLength, 7);
    EXPECT_EQ(GetOneMeasurement(0, &v, nullptr), RC_BAD_VALUE);
    EXPECT_EQ(GetMeasurementRaw(r.data(), nullptr), RC_BAD_VALUE);
    EXPECT_EQ(GetMeasurement(nullptr, &v), RC_BAD_VALUE);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(std::count(r.begin(), r.end(), 7), kLength);
    // An empty record has no samples at all.
    ASSERT_EQ(SetRecordLength(0), RC_OK);
    EXPECT_EQ(GetMeasurementRaw(nullptr, nullptr), RC_OK);
    EXPECT_EQ(GetOneMeasurementRaw(0, &r[0], &r[1]), RC_BAD_VALUE);
    EXPECT_EQ(r[0], 7);
}

TEST_F(SingleCall, AStartMeasurementTakesOverABlockRun) {
    ASSERT_EQ(ADC_Start(), RC_OK);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    EXPECT_EQ(ADC_Running(), 0) << "no data export reads that run any more";
}

// 0.5 V on channel 1, a level it never reaches: the timer waits, armed.
class AfterATimerRun : public ApiSession {
protected:
    void SetUp() override {
        ASSERT_EQ(Start("ch1=dc:0.5"), RC_OK);
        ASSERT_EQ(SetRecordLength(kLength), RC_OK);
        ASSERT_EQ(SetPostSamples(kLength), RC_OK);
        double frequency = 1e6;
        ASSERT_EQ(SetSampleFrequencyF(&frequency), RC_OK);
        ASSERT_EQ(SetTriggerLevel(1, 1.0), RC_OK);
    }
    static void SetRange(double range) { ASSERT_EQ(SetSensitivity(1, &range), RC_OK); }
};

TEST_F(AfterATimerRun, StartMeasurementArmsAfreshAndCountsItsOwnTimeOut) {
    SetRange(8.0);
    ASSERT_EQ(SetTriggerTimeOut(0xFFFFFFFF), RC_OK);
    ASSERT_EQ(DoMeasure(-1), RC_OK);
    PollUntil([] { return false; }, 300);
    ASSERT_EQ(DoMeasure(0), RC_OK);
    SetRange(2.0);
    ASSERT_EQ(SetTriggerTimeOut(1000), RC_OK);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(StartMeasurement(), RC_OK);
    const auto took = std::chrono::steady_clock::now() - begin;
    // 1000 ms forces in the 22nd step, 21 steps of 6 ms after the arm.
    EXPECT_GE(took, std::chrono::milliseconds(110)) << "the old run's wait was counted";
    std::vector<uint16_t> raw1(kLength), raw2(kLength);
    std::vector<double> v1(kLength), v2(kLength);
    ASSERT_EQ(GetMeasurementRaw(raw1.data(), raw2.data()), RC_OK);
    ASSERT_EQ(GetMeasurement(v1.data(), v2.data()), RC_OK);
    EXPECT_NEAR(raw1[kLength / 2] >> 8, 160, 2) << "0.5 V on the 2 V range";
    EXPECT_NEAR(v1[kLength / 2], 0.5, 0.05);
}

TEST_F(AfterATimerRun, ALongerRecordIsRefusedUntilItIsMeasured) {
    SetRange(2.0);
    ASSERT_EQ(SetTriggerTimeOut(0), RC_OK);
    ASSERT_EQ(SetRecordLength(1024), RC_OK);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    ASSERT_EQ(SetRecordLength(512), RC_OK);
    ASSERT_EQ(SetDcLevel(1, 1.0), RC_OK);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    ASSERT_EQ(SetRecordLength(1024), RC_OK);
    std::vector<uint16_t> raw(1024, 7);
    std::vector<double> volts(1024, 7);
    double one1 = 7, one2 = 7;
    EXPECT_EQ(ADC_GetData(raw.data(), raw.data()), RC_BAD_VALUE);
    EXPECT_EQ(ADC_GetDataVoltCh(1, volts.data()), RC_BAD_VALUE);
    EXPECT_EQ(GetMeasurement(volts.data(), volts.data()), RC_BAD_VALUE);
    EXPECT_EQ(GetOneMeasurement(600, &one1, &one2), RC_BAD_VALUE);
    EXPECT_EQ(std::count(raw.begin(), raw.end(), 7), 1024);
    EXPECT_EQ(one1, 7);
    // The record's own samples stay readable, and the next measurement has the new length.
    ASSERT_EQ(GetOneMeasurement(500, &one1, &one2), RC_OK);
    EXPECT_NEAR(one1, 1.5, 0.05);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    std::vector<double> volts2(1024);
    ASSERT_EQ(GetMeasurement(volts.data(), volts2.data()), RC_OK);
    EXPECT_NEAR(*std::min_element(volts.begin(), volts.end()), 1.5, 0.05);
}

}  // namespace
