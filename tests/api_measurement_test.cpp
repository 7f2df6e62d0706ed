// SPDX-License-Identifier: MIT
// Measurement control and data against the simulated instrument: block mode (start, poll,
// force, fetch once), timer-driven measuring, auto ranging with the volts scale kept right by
// the event bridge, transfer modes, data-ready and digital inputs.
#include <algorithm>
#include <cmath>
#include <vector>

#include "support/api_session.h"

namespace {

using zarvo::testing::ApiSession;
using zarvo::testing::CountVolts;

constexpr int kLength = 1000;

class Measurement : public ApiSession {
protected:
    // A 1 kHz, 1 V sine on channel 1 sampled at 1 MHz on the 2 V range: one period per
    // record, all of it after the trigger (what lies before it depends on how soon the
    // trigger came after the arm).
    virtual std::string Inputs() const { return "ch1=sine:1000:1"; }
    void SetUp() override {
        ASSERT_EQ(Start(Inputs()), RC_OK);
        ASSERT_EQ(SetRecordLength(kLength), RC_OK);
        ASSERT_EQ(SetPostSamples(kLength), RC_OK);
        double frequency = 1e6, range = 2.0;
        ASSERT_EQ(SetSampleFrequencyF(&frequency), RC_OK);
        ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    }
    static void Acquire() {
        ASSERT_EQ(ADC_Start(), RC_OK);
        ASSERT_TRUE(PollUntil([] { return ADC_Ready() == 1; })) << "no data";
    }
    static void WaitForHold() {
        ASSERT_TRUE(PollUntil([] { return Instrument().amAcquisitionMode == amHold; }));
    }
    // Counts the component's readouts, keeping the event bridge in place.
    void CountReadouts() {
        auto bridge = Instrument().OnMeasurementReady;
        Instrument().OnMeasurementReady = [this, bridge](zarvo::TZarvo& z) {
            ++readouts_;
            bridge(z);
        };
    }
    static std::vector<double> Volts1() {
        std::vector<double> ch1(kLength), ch2(kLength);
        EXPECT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
        return ch1;
    }
    int readouts_ = 0;
};

double Peak(const std::vector<double>& v) {
    const auto [low, high] = std::minmax_element(v.begin(), v.end());
    return std::max(-*low, *high);
}

TEST_F(Measurement, BlockModeFetchesOnceAndConvertsWithTheRange) {
    EXPECT_EQ(ADC_Ready(), 1) << "nothing armed reads as complete";
    Acquire();
    EXPECT_EQ(ADC_Running(), 1) << "armed and not fetched";
    ASSERT_EQ(ADC_Abort(), RC_OK);
    EXPECT_EQ(ADC_Running(), 1) << "abort has no effect in block mode";
    std::vector<uint16_t> a1(kLength), a2(kLength), b1(kLength), b2(kLength);
    const std::size_t beforeFetch = TracedOperations();
    ASSERT_EQ(ADC_GetData(a1.data(), a2.data()), RC_OK);
    const std::size_t afterFetch = TracedOperations();
    EXPECT_GT(afterFetch, beforeFetch + kLength) << "the first fetch reads the memory";
    EXPECT_EQ(ADC_Running(), 0);
    ASSERT_EQ(ADC_GetData(b1.data(), b2.data()), RC_OK);
    ASSERT_EQ(ADC_GetDataCh(2, b2.data()), RC_OK);
    const std::vector<double> volts = Volts1();
    EXPECT_EQ(TracedOperations(), afterFetch) << "later copies leave the hardware alone";
    EXPECT_EQ(a1, b1);
    EXPECT_EQ(a2, b2);
    for (int i = 0; i < kLength; ++i) ASSERT_EQ(volts[i], (a1[i] - 32768) * CountVolts(2.0));
    const auto [low, high] = std::minmax_element(volts.begin(), volts.end());
    EXPECT_NEAR(*high, 1.0, 0.1);
    EXPECT_NEAR(*low, -1.0, 0.1);
    EXPECT_EQ(ADC_Ready(), 1) << "after a read-out too";
}

TEST_F(Measurement, NothingFetchesBeforeAStartOrAfterARefusal) {
    std::vector<uint16_t> raw(kLength, 7);
    std::size_t before = TracedOperations();
    ASSERT_EQ(ADC_GetData(raw.data(), raw.data()), RC_OK);
    EXPECT_EQ(TracedOperations(), before) << "before any start the buffers are copied as they are";
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), Instrument().FChannelData2.get()));
    Acquire();
    std::fill(raw.begin(), raw.end(), 7);
    before = TracedOperations();
    EXPECT_EQ(ADC_GetDataCh(0, raw.data()), RC_BAD_CHANNEL);
    EXPECT_EQ(ADC_GetDataVoltCh(3, nullptr), RC_BAD_CHANNEL);
    EXPECT_EQ(ADC_GetDataCh(1, nullptr), RC_BAD_VALUE);
    EXPECT_EQ(ADC_GetData(raw.data(), nullptr), RC_BAD_VALUE);
    EXPECT_EQ(ADC_GetDataVolt(nullptr, nullptr), RC_BAD_VALUE);
    EXPECT_EQ(TracedOperations(), before);
    EXPECT_EQ(ADC_Running(), 1) << "still waiting to be fetched";
    EXPECT_EQ(std::count(raw.begin(), raw.end(), 7), kLength);
    // An empty record writes nothing, so nothing is refused either.
    ASSERT_EQ(SetRecordLength(0), RC_OK);
    EXPECT_EQ(ADC_GetData(nullptr, raw.data()), RC_OK);
    EXPECT_EQ(raw[0], 7);
}

TEST_F(Measurement, FetchRecomputesTheScaleLaterCopiesKeepIt) {
    // The component moves to 8 V behind the API's back, as auto ranging does.
    Instrument().SetChannelSensitivity(1, 8.0);
    Acquire();
    const std::vector<double> fetched = Volts1();
    EXPECT_EQ(zarvo::api::Lib().VoltScale[1], CountVolts(8.0));
    EXPECT_NEAR(Peak(fetched), 1.0, 0.2);
    Instrument().SetChannelSensitivity(1, 0.2);
    EXPECT_EQ(Volts1(), fetched) << "no fetch, no new scale";
}

class FlatInput : public Measurement {
    std::string Inputs() const override { return "ch1=dc:0"; }
};

TEST_F(FlatInput, ForcedTriggerCompletesAnAcquisitionWithoutSignal) {
    ASSERT_EQ(SetTriggerLevel(1, 1.0), RC_OK);
    ASSERT_EQ(ADC_Start(), RC_OK);
    EXPECT_FALSE(PollUntil([] { return ADC_Ready() == 1; }, 100));
    EXPECT_EQ(ADC_Triggered(), 0);
    ASSERT_EQ(ADC_ForceTrig(), RC_OK);
    EXPECT_TRUE(PollUntil([] { return ADC_Ready() == 1; }));
    EXPECT_LT(Peak(Volts1()), 0.1);
}

TEST_F(FlatInput, ForcedTriggerStillTakesThePostTriggerSamples) {
    // 500 samples after the force at 1 kHz: half a second.
    double frequency = 1000;
    ASSERT_EQ(SetSampleFrequencyF(&frequency), RC_OK);
    ASSERT_EQ(SetPostSamples(500), RC_OK);
    ASSERT_EQ(SetTriggerLevel(1, 1.0), RC_OK);
    ASSERT_EQ(ADC_Start(), RC_OK);
    ASSERT_EQ(ADC_ForceTrig(), RC_OK);
    EXPECT_FALSE(PollUntil([] { return ADC_Ready() == 1; }, 350)) << "complete too soon";
    EXPECT_TRUE(PollUntil([] { return ADC_Ready() == 1; }, 2000));
}

class TwoInputs : public Measurement {
    std::string Inputs() const override { return "ch1=sine:1000:1,ch2=dc:0"; }
};

TEST_F(TwoInputs, UnderAndOneComparatorIsNotATrigger) {
    ASSERT_EQ(SetTriggerSource(tsAnd), RC_OK);
    ASSERT_EQ(SetTriggerLevel(2, 0.5), RC_OK);  // channel 2 stays at 0 V
    ASSERT_EQ(ADC_Start(), RC_OK);
    EXPECT_FALSE(PollUntil([] { return ADC_Ready() == 1; }, 50));
    EXPECT_EQ(ADC_Triggered(), 2) << "channel 1 fired, and the run still waits";
}

TEST_F(Measurement, AnUnreadBlockRunIsReadOutEvenAfterTheTimerMeasured) {
    CountReadouts();
    ASSERT_EQ(ADC_Start(), RC_OK);
    ASSERT_EQ(DoMeasure(-1), RC_OK);
    ASSERT_TRUE(PollUntil([this] { return readouts_ >= 2; }));
    ASSERT_EQ(DoMeasure(0), RC_OK);
    EXPECT_EQ(ADC_Running(), 1);
    std::size_t before = TracedOperations();
    Volts1();
    EXPECT_GT(TracedOperations(), before + kLength) << "the data export read the instrument";
    before = TracedOperations();
    Volts1();
    EXPECT_EQ(TracedOperations(), before);
}

TEST_F(Measurement, TriggerBitsFollowTheSource) {
    Acquire();
    EXPECT_EQ(ADC_Triggered(), 2) << "channel 1 source: its bit only";
    ASSERT_EQ(SetTriggerSource(tsCh2), RC_OK);
    EXPECT_EQ(ADC_Triggered() & ~4, 0);
    ASSERT_EQ(SetTriggerSource(tsExternal), RC_OK);
    EXPECT_EQ(ADC_Triggered() & ~4, 0) << "the external source waits on channel 2's comparator";
    ASSERT_EQ(SetTriggerSource(tsOr), RC_OK);
    EXPECT_NE(ADC_Triggered() & 2, 0) << "every other source sees both comparators";
}

TEST_F(Measurement, TimerMeasuresContinuouslyOrOnce) {
    CountReadouts();
    ASSERT_EQ(DoMeasure(-1), RC_OK);
    EXPECT_EQ(Instrument().amAcquisitionMode, amContinuous);
    ASSERT_TRUE(PollUntil([this] { return readouts_ >= 3; }));
    ASSERT_EQ(DoMeasure(0), RC_OK);
    const int stopped = readouts_;
    PollUntil([] { return false; }, 100);
    EXPECT_EQ(readouts_, stopped);
    // The timer's records are copied without a fetch.
    const std::size_t before = TracedOperations();
    EXPECT_NEAR(Peak(Volts1()), 1.0, 0.1);
    EXPECT_EQ(TracedOperations(), before);
    // Any other non-zero mode measures once, then holds.
    ASSERT_EQ(DoMeasure(5), RC_OK);
    WaitForHold();
    PollUntil([] { return false; }, 100);
    EXPECT_EQ(readouts_, stopped + 1);
}

TEST_F(Measurement, AutoRangingKeepsTheVoltsScaleRight) {
    // 1 V clips the 0.2 V range; each one-shot run steps the range up until it fits, and
    // the bridge refreshes the scale without any range export being called.
    double range = 0.2;
    ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    ASSERT_EQ(SetAutoRanging(1, 1), RC_OK);
    for (int run = 0; run < 8; ++run) {
        ASSERT_EQ(DoMeasure(1), RC_OK);
        WaitForHold();
    }
    EXPECT_EQ(Instrument().GetChannelSensitivity(1), 2.0L) << "smallest range holding 1 V";
    EXPECT_EQ(zarvo::api::Lib().VoltScale[1], CountVolts(2.0));
    EXPECT_NEAR(Peak(Volts1()), 1.0, 0.1);
}

TEST_F(Measurement, BlockRunsUseTheModeAndTriggerTheApplicationSet) {
    // Every range relay is open in mNone; back in mCh12 the relays must close again although
    // nothing else changed.
    ASSERT_EQ(SetMeasureMode(mNone), RC_OK);
    ASSERT_EQ(ADC_Start(), RC_OK);
    ASSERT_EQ(ADC_ForceTrig(), RC_OK);  // no input reaches the comparators
    ASSERT_TRUE(PollUntil([] { return ADC_Ready() == 1; }));
    Volts1();
    ASSERT_EQ(SetMeasureMode(mCh12), RC_OK);
    Acquire();
    EXPECT_NEAR(Peak(Volts1()), 1.0, 0.1);
    // A single call with a time-out of 0 records at once; the block run after it still
    // waits for a level the 1 V sine never reaches.
    ASSERT_EQ(SetTriggerLevel(1, 1.5), RC_OK);
    ASSERT_EQ(SetTriggerTimeOut(0), RC_OK);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    ASSERT_EQ(ADC_Start(), RC_OK);
    EXPECT_FALSE(PollUntil([] { return ADC_Ready() == 1; }, 100));
}

// Channel 1 and 2 at different levels, recorded without a trigger.
class DoubleRateSwitch : public Measurement {
protected:
    std::string Inputs() const override { return "ch1=dc:0.5,ch2=dc:-0.3"; }
    void SetUp() override {
        Measurement::SetUp();
        double range = 2.0;
        ASSERT_EQ(SetSensitivity(2, &range), RC_OK);
        ASSERT_EQ(SetTriggerSource(tsNoTrig), RC_OK);
    }
    static void SetRate(double rate) { ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK); }
    static int FarFrom(const std::vector<double>& v, double level) {
        return static_cast<int>(std::count_if(
            v.begin(), v.end(), [=](double x) { return std::fabs(x - level) > 0.05; }));
    }
};

TEST_F(DoubleRateSwitch, ABlockRunIsReadOutAsItWasArmed) {
    std::vector<double> ch1(kLength), ch2(kLength);
    ASSERT_EQ(SetMeasureMode(mCh1), RC_OK);
    SetRate(25e6);
    ASSERT_EQ(ADC_Start(), RC_OK);
    SetRate(50e6);
    ASSERT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
    EXPECT_EQ(FarFrom(ch1, 0.5), 0) << "armed without interleaving: channel 1 only";
    // Armed interleaved: both converters took channel 1, none took channel 2.
    ASSERT_EQ(ADC_Start(), RC_OK);
    ASSERT_EQ(SetMeasureMode(mCh12), RC_OK);
    std::vector<uint16_t> before(kLength), raw1(kLength), raw2(kLength);
    std::copy_n(Instrument().FChannelData2.get(), kLength, before.begin());
    ASSERT_EQ(ADC_GetData(raw1.data(), raw2.data()), RC_OK);
    ASSERT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);
    EXPECT_EQ(FarFrom(ch1, 0.5), 0);
    EXPECT_EQ(raw2, before) << "channel 2 was not recorded by that run";
}

TEST_F(DoubleRateSwitch, TheTimersFirstRecordAfterASwitchHasTheNewSettings) {
    // The first record read out after `switched` is set, in volts.
    bool switched = false;
    std::vector<double> first1, first2;
    auto bridge = Instrument().OnMeasurementReady;
    Instrument().OnMeasurementReady = [&](zarvo::TZarvo& z) {
        if (switched && first1.empty()) {
            for (int i = 0; i < kLength; ++i) {
                first1.push_back((z.FChannelData1[i] - 32768) * CountVolts(2.0));
                first2.push_back((z.FChannelData2[i] - 32768) * CountVolts(2.0));
            }
        }
        bridge(z);
    };
    ASSERT_EQ(SetMeasureMode(mCh1), RC_OK);
    SetRate(25e6);
    ASSERT_EQ(DoMeasure(-1), RC_OK);
    PollUntil([] { return false; }, 50);
    SetRate(50e6);
    switched = true;
    ASSERT_TRUE(PollUntil([&] { return !first1.empty(); }));
    EXPECT_EQ(FarFrom(first1, 0.5), 0) << "into double rate";
    first1.clear();
    first2.clear();
    ASSERT_EQ(SetMeasureMode(mCh12), RC_OK);
    ASSERT_TRUE(PollUntil([&] { return !first1.empty(); }));
    EXPECT_EQ(FarFrom(first1, 0.5), 0) << "out of double rate";
    EXPECT_EQ(FarFrom(first2, -0.3), 0) << "out of double rate";
    ASSERT_EQ(DoMeasure(0), RC_OK);
}

TEST_F(Measurement, FamilyFunctionsOnlyOnTheirTypes) {
    int32_t mode = 5;
    uint16_t digital = 7;
    EXPECT_EQ(GetOneDigitalValue(0, &digital), RC_UNAVAILABLE);
    Instrument().FDigitalInputCount = 8;
    ASSERT_EQ(GetOneDigitalValue(0, &digital), RC_OK);
    EXPECT_EQ(digital, 0);
    EXPECT_EQ(SetTransferMode(tmStream), RC_UNAVAILABLE);
    EXPECT_EQ(GetTransferMode(&mode), RC_UNAVAILABLE);
    EXPECT_EQ(SetDataReadyCallback(&mode), RC_UNAVAILABLE);
    EXPECT_EQ(SetDataReadyEvent(&mode), RC_UNAVAILABLE);
    EXPECT_EQ(mode, 5);
    Instrument().FInstrumentType = 23;
    EXPECT_EQ(SetDataReadyEvent(&mode), RC_OK);
    EXPECT_EQ(Instrument().FDataReadyEvent, &mode);
    // Stream mode: the record reads 0 V and the timer measures continuously.
    ASSERT_EQ(SetTransferMode(tmStream), RC_OK);
    Instrument().FChannelData1[0] = 1;
    ASSERT_EQ(ADC_Start(), RC_OK);
    EXPECT_EQ(Instrument().FChannelData1[0], 0x8000);
    EXPECT_EQ(Instrument().amAcquisitionMode, amContinuous);
    ASSERT_EQ(ADC_Abort(), RC_OK);
    EXPECT_FALSE(Instrument().bEnableMeasurements);
    // A mode stored without validation makes start and abort do nothing.
    ASSERT_EQ(SetTransferMode(9), RC_OK);
    ASSERT_EQ(GetTransferMode(&mode), RC_OK);
    EXPECT_EQ(mode, 9);
    const std::size_t before = TracedOperations();
    EXPECT_EQ(ADC_Start(), RC_OK);
    EXPECT_EQ(TracedOperations(), before);
    EXPECT_FALSE(Instrument().bEnableMeasurements);
}

}  // namespace
