// SPDX-License-Identifier: MIT
// The timer-driven measurement step against a scripted bus: time-out counted in steps,
// triggered flag and hold, dip trigger, averaging counters, auto ranging, the timer.
#include <gtest/gtest.h>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

class MeasureStepTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachInstrument(z);
        for (int ch = 1; ch <= 4; ++ch) z.FAutoRanging[ch] = false;
        dev.readRegister = [this](std::uint8_t reg) { return reg == 2 ? status : 0; };
        dev.readSample = [](std::uint8_t, long) { return std::uint8_t{0x80}; };
        fp.port.SetInner(&dev);
    }
    std::vector<BankEvent> Step() {
        fp.port.Clear();
        z.MeasureStep();
        return DataWrites(DecodeBankWrites(fp.port.ops, kTestBase));
    }
    // The step at which a trigger is forced (the step ends with the immediate source).
    int StepsUntilForced(int maxSteps) {
        for (int n = 1; n <= maxSteps; ++n) {
            const auto w = Step();
            if (!w.empty() && w.back() == BankEvent{0, 7, 2}) return n;
        }
        return -1;
    }

    FakePlatform fp;
    TZarvo z{fp};
    ScriptedBus dev{kTestBase};
    std::uint8_t status = 0;
};

TEST_F(MeasureStepTest, TimeOutIsCountedInStepsFromTheLastReadoutOrForce) {
    const struct {
        long double timeOut;
        int forcedAt;
    } cases[] = {{0, 2}, {0.05L, 3}, {1.0L, 22}, {-1, -1}, {2e6L, -1}, {1999999.0L, -1}};
    for (const auto& c : cases) {
        z.rTrigTimeOut = c.timeOut;
        z.FPollCount = 0;
        z.FArmed = false;
        EXPECT_EQ(StepsUntilForced(c.forcedAt < 0 ? 400 : c.forcedAt), c.forcedAt) << c.timeOut;
        if (c.forcedAt > 0) {
            EXPECT_EQ(z.FPollCount, 0);
            EXPECT_TRUE(z.FSettingsDirty) << "the front end is reprogrammed before the next arm";
            EXPECT_FALSE(z.FTriggered);
        }
    }
    z.rTrigTimeOut = 0;
    z.FArmed = false;
    Step();
    EXPECT_EQ(z.FActiveTrigSource, tsNoTrig) << "a zero time-out records without a trigger";
}

TEST_F(MeasureStepTest, AveragingCounterRunsContinuouslyOrEndsTheOneShotRun) {
    status = 1;  // every armed acquisition completes at once
    z.nAverageNumber = 4;
    int readouts = 0;
    z.OnMeasurementReady = [&](TZarvo&) { ++readouts; };
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i) {
        seen.push_back(z.nCalculations);
        Step();
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 1, 2}));
    EXPECT_EQ(readouts, 6);

    z.Set_amAcquisitionMode(amOneShot);
    EXPECT_EQ(z.nCalculations, 1);
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        seen.push_back(z.nCalculations);
        Step();
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(z.amAcquisitionMode, amHold);
    EXPECT_FALSE(z.FSettingsDirty);

    z.nAverageNumber = 1;
    z.Set_amAcquisitionMode(amOneShot);
    Step();
    EXPECT_EQ(z.amAcquisitionMode, amHold);
}

TEST_F(MeasureStepTest, AutoRangeStepsStayWithinTheRangesAndRespectTheDcLevel) {
    const struct {
        int range, step;
        long double dcLevel;
        TMeasureMode mode;
        int expected;
    } cases[] = {{1, -1, 0, mCh12, 1}, {9, +1, 0, mCh12, 9}, {5, -1, 6, mCh12, 5},
                 {6, -1, 0, mCh1, 5},  {3, +1, 0, mXY, 4},   {3, +1, 0, mCh2, 3}};
    for (const auto& c : cases) {
        z.mMeasureMode = c.mode;
        z.FAutoRanging[1] = true;
        z.FRange[1] = static_cast<std::uint16_t>(c.range);
        z.FChannelSpan[1] = z.FRangeSpanTable[c.range];
        z.FDcLevel[1] = c.dcLevel;
        z.FRangeStep[1] = c.step;
        z.FSettingsDirty = false;
        z.FArmed = false;
        z.nCalculations = 3;
        Step();
        EXPECT_EQ(z.FRange[1], c.expected) << c.range << " " << c.step;
        EXPECT_EQ(z.FGainCode[1], z.FRangeGainCode[c.expected]);
        EXPECT_EQ(z.FChannelSpan[1], z.FRangeSpanTable[c.expected]);
        EXPECT_EQ(z.nCalculations, c.mode == mCh2 ? 3 : 1);
        EXPECT_EQ(z.FRangeStep[1], 0) << "a step without data clears the request";
    }
}

TEST_F(MeasureStepTest, TriggeredFlagNeedsBothBitsUnderAndAndHolds250Ms) {
    int calls = 0;
    z.OnTriggered = [&](TZarvo& sender) {
        EXPECT_EQ(&sender, &z);
        ++calls;
    };
    z.FArmed = true;
    z.tsTriggerSource = tsAnd;
    for (const std::uint8_t bits : {0x02, 0x04}) {
        status = bits;
        Step();
        EXPECT_FALSE(z.FTriggered) << int{bits};
    }
    status = 0x06;
    Step();
    EXPECT_TRUE(z.FTriggered);
    const auto seen = static_cast<std::uint32_t>(z.FTriggerSeenTick);
    status = 0;
    fp.clock = seen + 250;
    Step();
    EXPECT_TRUE(z.FTriggered);
    fp.clock = seen + 251;
    Step();
    EXPECT_FALSE(z.FTriggered);
    EXPECT_EQ(calls, 5) << "called on every step, triggered or not";
}

TEST_F(MeasureStepTest, DipTriggerRearmsWhileTheConditionComesAndForcesWhenItStaysAway) {
    z.FTrigMode[1] = 2;
    z.FTrigDipMs = 100;
    z.rTrigTimeOut = 0;  // the step-counted time-out does not run beside the dip trigger
    z.FArmed = true;
    z.FDipStartTick = fp.clock;
    status = 0x02;
    fp.port.Clear();
    z.MeasureStep();
    std::vector<std::pair<int, int>> writes;
    for (const BusEvent& e : DecodeBus(fp.port.ops, kTestBase)) {
        if (e.kind == BusEvent::Kind::Write) writes.emplace_back(e.reg, e.value);
    }
    EXPECT_EQ(writes,
              (std::vector<std::pair<int, int>>{{4, 5}, {5, 0}, {4, 7}, {6, 5}, {7, 0}, {6, 7}}));
    status = 0;
    fp.clock += 90;
    EXPECT_EQ(StepsUntilForced(1), -1);
    fp.clock += 20;
    EXPECT_EQ(StepsUntilForced(1), 1);
    status = 0x02;
    fp.clock += 200;
    EXPECT_EQ(StepsUntilForced(1), 1) << "a late comparator does not restart the dip";
}

TEST_F(MeasureStepTest, SettingsChangedWhileArmedReachTheFrontEndAtTheNextStep) {
    status = 0;
    Step();  // programs the front end and arms
    Step();
    z.SetChannelSensitivity(1, 0.2);
    EXPECT_FALSE(z.FArmed) << "the run armed on the old range is abandoned";
    const FrontEndWords sent = DecodeFrontEnd(DecodeBankWrites((Step(), fp.port.ops), kTestBase));
    ASSERT_EQ(sent.relays.size(), 1u);
    EXPECT_EQ(sent.relays[0] & 0xE0, 0x20) << "channel 1 relays on the 0.2 V decade";
    status = 1;
    Step();
    EXPECT_FALSE(z.FSettingsDirty) << "without a change the readout clears the flag";
}

TEST_F(MeasureStepTest, TimerRunsStepsOnlyWhenEnabledAndNotHolding) {
    z.Set_bEnableMeasurements(true);
    EXPECT_TRUE(fp.timer->Enabled());
    z.FArmed = true;
    z.Set_bEnableMeasurements(true);
    EXPECT_TRUE(z.FArmed) << "an unchanged value leaves the timer alone";
    int settingsEvents = 0;
    z.OnSettingsChanged = [&](TZarvo&) { ++settingsEvents; };
    const struct {
        TAcquisitionMode mode;
        bool steps;
        int events;
    } cases[] = {{amHold, false, 0}, {amContinuous, true, 0}, {amOneShot, true, 1}};
    for (const auto& c : cases) {
        z.Set_amAcquisitionMode(c.mode);
        fp.port.Clear();
        fp.clock += 6;
        EXPECT_TRUE(fp.PollTimers());
        EXPECT_EQ(!fp.port.ops.empty(), c.steps) << int{c.mode};
        EXPECT_EQ(settingsEvents, c.events);
    }
    z.Set_bEnableMeasurements(false);
    fp.clock += 60;
    EXPECT_FALSE(fp.PollTimers());
    z.FInstrumentFound = false;
    fp.port.Clear();
    z.MeasureStep();
    EXPECT_TRUE(fp.port.ops.empty());
}

}  // namespace
}  // namespace zarvo::testing
