// Single-call measuring: StartMeasurement blocks until a record is in the buffers; the
// reading exports return it whole or sample by sample, raw or in volts, without touching the
// hardware, and refuse indexes outside the record.
#include <algorithm>
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
    // Volts use the range in force when read, even one changed behind the API.
    Instrument().SetChannelSensitivity(2, 0.4);
    ASSERT_EQ(GetMeasurement(v1.data(), v2.data()), RC_OK);
    EXPECT_EQ(v2[10], (raw2_[10] - 32768) * CountVolts(0.4));
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

}  // namespace
