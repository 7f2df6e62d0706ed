// SPDX-License-Identifier: MIT
// Block mode (Start, FetchData, status) and the synchronous single-call measurement.
#include <gtest/gtest.h>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

class MeasureBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachInstrument(z);
        dev.readRegister = [this](std::uint8_t reg) { return reg == 2 ? status() : 0; };
        fp.port.SetInner(&dev);
        fp.port.Clear();
    }
    FakePlatform fp;
    TZarvo z{fp};
    ScriptedBus dev{kTestBase};
    std::function<std::uint8_t()> status = [] { return std::uint8_t{0}; };
};

TEST_F(MeasureBlockTest, StartProgramsTheWholeFrontEndWhenSettingsChanged) {
    z.FRange[1] = 6;  // 8 V
    z.FDcLevel[1] = 4;
    z.FCalOffset[1][6] = 512 + 64;  // +0.15625 V
    z.FCalDac1[6] = 700;
    z.FCalDac2[6] = 2000;  // beyond the DAC: its end code
    z.FSettingsDirty = true;
    z.Start();
    const std::vector<BankEvent> w = DecodeBankWrites(fp.port.ops, kTestBase);
    const FrontEndWords sent = DecodeFrontEnd(w);
    // 4 V of 8 V -> 0.285 V plus the offset: 0.44125 V -> code 692.736 -> 693.
    const std::vector<std::uint32_t> dacs{0x9000 + 693, 0x9400 + 512, 0x9800 + 700, 0x9C00 + 1023};
    ASSERT_EQ(sent.dacWords.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(sent.dacWords[k] >> 1, dacs[k]) << k;
    EXPECT_EQ(sent.relays, std::vector<std::uint16_t>{z.RelayWord()});
    EXPECT_EQ(w.back(), (BankEvent{0, 3, 0x0F})) << "armed after the front end";
    EXPECT_FALSE(z.FSettingsDirty);
    EXPECT_TRUE(z.IsRunning());
    EXPECT_EQ(z.FChannelSpan[1], 16.0L);

    fp.port.Clear();
    z.Start();  // nothing changed: no front-end transfer
    const FrontEndWords again = DecodeFrontEnd(DecodeBankWrites(fp.port.ops, kTestBase));
    EXPECT_TRUE(again.dacWords.empty());
    EXPECT_TRUE(again.relays.empty());
}

TEST_F(MeasureBlockTest, StartAppliesAutoRangeRequestsWithinTheValidRanges) {
    const struct {
        int range, step, expected;
    } cases[] = {{9, +1, 9}, {1, -1, 1}, {4, +1, 5}, {4, -1, 3}};
    for (const auto& c : cases) {
        z.FRange[1] = static_cast<std::uint16_t>(c.range);
        z.FRangeStep[1] = c.step;
        z.nCalculations = 2;
        z.Start();
        EXPECT_EQ(z.FRange[1], c.expected);
        EXPECT_EQ(z.FGainCode[1], z.FRangeGainCode[c.expected]);
        EXPECT_EQ(z.nCalculations, 2);
    }
}

TEST_F(MeasureBlockTest, FetchReadsTheRecordAndClearsThePendingFlag) {
    dev.readSample = [](std::uint8_t, long pos) { return static_cast<std::uint8_t>(pos); };
    status = [] { return std::uint8_t{1}; };
    z.Start();
    EXPECT_EQ(z.GetReady(), 1);
    z.FetchData();
    EXPECT_FALSE(z.IsRunning());
    EXPECT_EQ(z.FChannelData2[300], 300 % 256 << 8);

    z.FInstrumentFound = false;
    z.FDataPending = true;
    fp.port.Clear();
    z.FetchData();
    z.Start();
    EXPECT_TRUE(z.IsRunning());
    EXPECT_TRUE(fp.port.ops.empty());
}

TEST_F(MeasureBlockTest, SynchronousRunWaitsForTheTriggerAtTheTimerPace) {
    // The trigger comes 100 ms after the start; the time-out (1 s) must not pre-empt it.
    const std::uint32_t start = fp.clock;
    bool forced = false;
    std::uint8_t index = 0;
    dev.onWrite = [&](std::uint8_t, std::uint8_t reg, std::uint8_t value) {
        if (reg == 0) index = value;
        // The immediate source before the trigger came (the readout's seek uses it after).
        if (reg == 1 && index == 7 && value == 2 && fp.clock - start < 100) forced = true;
    };
    z.FSettingsDirty = false;
    z.FArmed = true;
    status = [&] { return static_cast<std::uint8_t>(fp.clock - start >= 100 ? 0x03 : 0x00); };
    int readouts = 0;
    z.OnMeasurementReady = [&](TZarvo&) { ++readouts; };
    z.RunSynchronous();
    EXPECT_TRUE(z.FRunDone);
    EXPECT_EQ(readouts, 1);
    EXPECT_FALSE(forced) << "the trigger was forced before it came";
    EXPECT_GE(fp.clock - start, 100u);

    z.FInstrumentFound = false;
    z.RunSynchronous();  // returns at once: nothing could complete
    EXPECT_FALSE(z.FRunDone);
}

}  // namespace
}  // namespace zarvo::testing
