// SPDX-License-Identifier: MIT
// Whole measurements against the simulated instrument: the component is started up by
// detection on the simulated port and measures what the simulator feeds its inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sim/sim_instrument.h"
#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

using sim::SignalSpec;

class MeasureSimTest : public ::testing::Test {
protected:
    void Start(const sim::SimConfig& config) {
        fp.family = PlatformFamily::Other;
        fp.portAddresses = {{"LPT1", 0x378}};
        dev = std::make_unique<sim::SimInstrument>(
            config, [this] { return std::int64_t{fp.clock} * 1'000'000; });
        fp.port.SetInner(dev.get());
        fp.port.recording = false;
        z = std::make_unique<TZarvo>(fp);
        ASSERT_TRUE(z->StartInstrument());
        for (int ch = 1; ch <= 4; ++ch) z->FAutoRanging[ch] = false;
    }
    // A channel 1 record: sensitivity, rate, length and post-trigger part.
    void Record(double volts, long double rate, int length, int post) {
        z->Set_mMeasureMode(mCh1);
        z->SetChannelSensitivity(1, volts);
        z->Set_rSampleFreq(rate);
        z->Set_lRecordLength(length);
        z->Set_lPostSamples(post);
    }
    // Converter code of sample i of channel 1.
    double Code(int i) const { return z->FChannelData1[i] / 256.0; }
    // RMS distance of the post-trigger part from a sine of the given amplitude in codes.
    double SineDeviation(double codes, double samplesPerPeriod) const {
        double sum = 0;
        const int pre = z->lPreSamples;
        for (int i = pre; i < pre + z->lPostSamples; ++i) {
            const double ideal =
                128 + codes * std::sin(2 * std::numbers::pi * (i - pre) / samplesPerPeriod);
            sum += (Code(i) - ideal) * (Code(i) - ideal);
        }
        return std::sqrt(sum / z->lPostSamples);
    }
    int ReadoutsIn(int steps) {
        int readouts = 0;
        z->OnMeasurementReady = [&](TZarvo&) { ++readouts; };
        for (int i = 0; i < steps; ++i) z->MeasureStep();
        return readouts;
    }

    FakePlatform fp;
    std::unique_ptr<sim::SimInstrument> dev;
    std::unique_ptr<TZarvo> z;
};

TEST_F(MeasureSimTest, SineRecordHasItsAmplitudePeriodAndTriggerPoint) {
    Start(sim::SimConfig{});  // channel 1: 1 kHz, 1 V sine
    Record(2.0, 1e6L, 1000, 500);
    z->RunSynchronous();
    ASSERT_TRUE(z->FRunDone);
    const int pre = z->lPreSamples;
    ASSERT_EQ(pre, 500);
    double high = 0;
    for (int i = pre; i < 1000; ++i) high = std::max(high, Code(i));
    EXPECT_NEAR(high, 128 + 64, 2) << "1 V on the 2 V range is half the full scale";
    // One period is 1000 samples; a wrong rate or trigger point leaves the sine.
    EXPECT_LT(SineDeviation(64, 1000), 1.5);
    EXPECT_GT(SineDeviation(64, 900), SineDeviation(64, 1000) + 3);
    EXPECT_NEAR(Code(pre), 128, 2) << "the trigger point is at lPreSamples";
    EXPECT_LT(Code(pre - 10), Code(pre));
    EXPECT_GT(Code(pre + 10), Code(pre)) << "rising through the level";
}

TEST_F(MeasureSimTest, DoubleRateInterleavesIntoASmoothWaveform) {
    sim::SimConfig config;
    config.ch1 = SignalSpec{SignalSpec::Kind::Sine, 1e6, 1.0, 0.0};
    Start(config);
    Record(2.0, 50e6L, 1000, 500);
    ASSERT_TRUE(z->FDoubleRate);
    z->RunSynchronous();
    // Judged from the trigger on: the trigger comes within a period of the arm, so the
    // memory before it still holds an older run.
    double worst = 0, high = 0, low = 255;
    for (int i = z->lPreSamples + 1; i < 1000; ++i) {
        worst = std::max(worst, std::fabs(Code(i + 1) - 2 * Code(i) + Code(i - 1)));
        high = std::max(high, Code(i));
        low = std::min(low, Code(i));
    }
    // At 50 MHz a 1 MHz sine moves up to 8 codes a sample; swapped converters would zig-zag.
    EXPECT_LE(worst, 3);
    EXPECT_NEAR(high, 192, 2);
    EXPECT_NEAR(low, 64, 2);
}

TEST_F(MeasureSimTest, TimeOutForcesTheTriggerAfterItsStepsOnly) {
    sim::SimConfig config;
    config.ch1 = SignalSpec{SignalSpec::Kind::Dc, 0, 0, 0.5};  // never crosses 0 V
    Start(config);
    Record(2.0, 1e6L, 1000, 500);
    z->Set_amAcquisitionMode(amContinuous);
    z->rTrigTimeOut = -1;
    EXPECT_EQ(ReadoutsIn(300), 0) << "without a time-out the trigger never comes";
    z->Set_rTrigTimeOut(1.0);  // 21 steps
    z->FPollCount = 0;
    int forcedAt = 0;
    fp.port.recording = true;
    for (int step = 1; step <= 30 && forcedAt == 0; ++step) {
        fp.port.Clear();
        z->MeasureStep();
        const auto w = DataWrites(DecodeBankWrites(fp.port.ops, kTestBase));
        if (!w.empty() && w.back() == BankEvent{0, 7, 2}) forcedAt = step;
    }
    EXPECT_EQ(forcedAt, 22);
    fp.port.recording = false;
    EXPECT_EQ(ReadoutsIn(2), 1);
    EXPECT_NEAR(Code(100), 128 + 32, 1) << "0.5 V recorded";
}

TEST_F(MeasureSimTest, AutoRangingSettlesOnTheFirstRangeThatLeavesTheMiddleBand) {
    sim::SimConfig config;
    config.ch1 = SignalSpec{SignalSpec::Kind::Sine, 1000, 1.5, 0};
    Start(config);
    Record(80.0, 1e6L, 2000, 1000);
    z->FAutoRanging[1] = true;
    z->rTrigTimeOut = 0;  // record at once
    std::vector<int> ranges;
    for (int i = 0; i < 40; ++i) {
        ReadoutsIn(1);
        if (ranges.empty() || ranges.back() != z->FRange[1]) ranges.push_back(z->FRange[1]);
    }
    // 1.5 V stays inside the middle band (a third of full scale) down to 8 V; at 4 V it
    // leaves it without clipping.
    EXPECT_EQ(ranges, (std::vector<int>{9, 8, 7, 6, 5}));
    EXPECT_EQ(dev->FullScaleVolts(1), 4.0);
}

TEST_F(MeasureSimTest, AveragingLowersTheNoise) {
    sim::SimConfig config;
    config.noise = 0.05;  // 3.2 codes RMS on the 2 V range
    Start(config);
    Record(2.0, 1e6L, 1000, 500);
    ASSERT_EQ(ReadoutsIn(20) > 0, true);
    const double single = SineDeviation(64, 1000);
    z->nAverageNumber = 8;
    z->nCalculations = 1;
    int readouts = 0;
    z->OnMeasurementReady = [&](TZarvo& sender) {
        ++readouts;
        EXPECT_EQ(sender.nCalculations, readouts % 8 + 1) << "the counter advanced";
    };
    while (readouts < 8) z->MeasureStep();
    const double averaged = SineDeviation(64, 1000);
    EXPECT_GT(single, 2.5);
    EXPECT_LT(averaged, single * 0.5);
}

}  // namespace
}  // namespace zarvo::testing
