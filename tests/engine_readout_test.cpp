// SPDX-License-Identifier: MIT
// Readout of the acquisition memory against a scripted bus: record location, port framing and
// cost per position, interleave, running average and auto-range requests.
#include <gtest/gtest.h>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

class EngineReadoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachInstrument(z);
        dev.readRegister = [this](std::uint8_t reg) -> std::uint8_t {
            if (reg == 0) return static_cast<std::uint8_t>(end & 0xFF);
            if (reg == 1) return static_cast<std::uint8_t>(end >> 8);
            return 1;  // runs complete at once
        };
        dev.readSample = [this](std::uint8_t reg, long pos) { return sample(reg, pos); };
        fp.port.SetInner(&dev);
    }
    // Seek count written by the readout: the first run count after the stop command.
    int SeekStart() const {
        const auto w = DecodeBankWrites(fp.port.ops, kTestBase);
        int low = -1;
        for (const BankEvent& e : w) {
            if (e.bank == 0 && e.sub == 0) low = e.value;
            if (e.bank == 0 && e.sub == 1 && low >= 0) return low | (e.value << 8);
        }
        return -1;
    }
    std::size_t OpsFor(int pre, int post) {
        z.lPreSamples = pre;
        z.lPostSamples = post;
        fp.port.Clear();
        dev.position = 0;
        z.ReadAcquisition();
        return fp.port.ops.size();
    }

    FakePlatform fp;
    TZarvo z{fp};
    ScriptedBus dev{kTestBase};
    int end = 0x100;
    std::function<std::uint8_t(std::uint8_t, long)> sample = [](std::uint8_t, long) {
        return std::uint8_t{0x80};
    };
};

TEST_F(EngineReadoutTest, RecordStartWrapsAt0x7FFFBehindTheAddressCounter) {
    const struct {
        int end, pre, post;
        bool doubleRate;
        int start;
    } cases[] = {{0x0100, 256, 256, false, 32506},  // 256 - 517 + 0x7FFF
                 {0xFFFF, 256, 256, false, 32250},  // bit 15 of the counter is dropped
                 {0x1000, 100, 256, true, 3785},    // + 100 div 2 in double rate
                 {0x1000, 101, 256, true, 3784},
                 {0x0000, 0, 0, false, 32762}};
    for (const auto& c : cases) {
        end = c.end;
        z.FArmedDoubleRate = c.doubleRate;
        OpsFor(c.pre, c.post);
        EXPECT_EQ(SeekStart(), c.start) << c.end << " " << c.pre;
    }
}

TEST_F(EngineReadoutTest, SampleLoopCostsNinePortOperationsPerChannelPositionPlusFraming) {
    const std::pair<std::uint8_t, std::size_t> cases[] = {{1, 9}, {2, 9}, {3, 16}, {0, 2}};
    for (const auto& [select, perPosition] : cases) {
        z.FArmedChannels = select;
        const std::size_t small = OpsFor(100, 100);
        EXPECT_EQ(OpsFor(200, 200) - small, 200 * perPosition) << int{select};
    }
    z.FArmedDoubleRate = true;
    const std::size_t small = OpsFor(100, 100);
    EXPECT_EQ(OpsFor(200, 200) - small, 100 * 16u);

    // Framing: device 0, address register 0, bank 0 index := sample port, then the samples.
    z.FArmedDoubleRate = false;
    z.FArmedChannels = 1;
    OpsFor(1, 1);
    const auto& ops = fp.port.ops;
    const auto capture = std::find(ops.begin(), ops.end(), PortOp{true, kTestBase + 2, 0x0E});
    ASSERT_NE(capture, ops.end());
    ASSERT_GE(capture - ops.begin(), 12);
    const std::uint16_t D = kTestBase, C = kTestBase + 2;
    const std::vector<PortOp> framing{{true, C, 4}, {true, D, 0}, {true, C, 5}, {true, C, 4},
                                      {true, D, 0}, {true, C, 6}, {true, C, 4}, {true, D, 5},
                                      {true, C, 0}, {true, C, 4}};
    EXPECT_EQ(std::vector<PortOp>(capture - 12, capture - 2), framing);
}

TEST_F(EngineReadoutTest, NormalModeStoresEachChannelByPosition) {
    sample = [](std::uint8_t reg, long pos) {
        return static_cast<std::uint8_t>(reg == 4 ? pos : 200 - pos);
    };
    z.FArmedChannels = 3;
    OpsFor(50, 50);
    for (int i = 0; i <= 100; ++i) {
        ASSERT_EQ(z.FChannelData1[i], i << 8) << i;
        ASSERT_EQ(z.FChannelData2[i], (200 - i) << 8) << i;
    }
}

TEST_F(EngineReadoutTest, DoubleRateInterleavesConverter2BeforeConverter1) {
    // Converter 2 samples first within a position: a correct interleave counts up by one.
    sample = [](std::uint8_t reg, long pos) {
        return static_cast<std::uint8_t>(2 * pos + (reg == 4 ? 1 : 0));
    };
    z.FArmedDoubleRate = true;
    z.lRecordLength = 200;
    OpsFor(100, 100);
    EXPECT_EQ(z.FRawBuffer1[49], 0) << "raw buffers fill from pre div 2";
    EXPECT_EQ(z.FRawBuffer1[50], 1 << 8);
    EXPECT_EQ(z.FChannelData1[0], 0);
    for (int i = 1; i <= 202; ++i) ASSERT_EQ(z.FChannelData1[i], ((i + 1) & 0xFF) << 8) << i;

    // A record shorter than its post-trigger part: the raw indices start at 0.
    z.lRecordLength = 100;
    OpsFor(-156, 256);
    EXPECT_EQ(z.FRawBuffer2[0], 0);
    for (int i = 1; i <= 102; ++i) ASSERT_EQ(z.FChannelData1[i], (i + 1) << 8) << i;
}

TEST_F(EngineReadoutTest, AutoRangeRequestsFromClippingAndTheMiddleBand) {
    const struct {
        std::uint8_t odd;  // one sample with this value, the rest mid-scale
        int range, step;
    } cases[] = {{0x55, 3, -1}, {0xAB, 1, 0}, {0xFE, 3, +1}, {0xFE, 9, 0},
                 {0x02, 5, +1}, {0x54, 3, 0}, {0xAC, 3, 0},  {0xFD, 8, 0}};
    z.FArmedChannels = 1;
    for (const auto& c : cases) {
        sample = [&c](std::uint8_t, long pos) { return pos == 7 ? c.odd : std::uint8_t{0x80}; };
        z.FRange[1] = static_cast<std::uint16_t>(c.range);
        z.FRange[2] = 5;
        OpsFor(20, 20);
        EXPECT_EQ(z.FRangeStep[1], c.step) << int{c.odd} << " range " << c.range;
        EXPECT_EQ(z.FRangeStep[2], 0) << "channel 2 was not read";
    }
    z.FArmedDoubleRate = true;  // both converters on channel 1: channel 2 is not recorded
    OpsFor(20, 20);
    EXPECT_EQ(z.FRangeStep[2], 0) << "an unrecorded channel asks for no step";
}

TEST_F(EngineReadoutTest, RunningAverageInSinglePrecisionWithTiesToEven) {
    z.mMeasureMode = mCh1;
    z.FArmedChannels = 3;
    z.nAverageNumber = 4;
    const struct {
        std::uint8_t in;
        int n;
        float sum, newSum;
        std::uint16_t out;
    } cases[] = {{0x10, 1, 999.0f, 4096.0f, 4096},
                 {0x01, 2, 257.0f, 256.5f, 256},
                 {0x01, 2, 259.0f, 257.5f, 258},
                 {0x03, 3, 0.0f, 256.0f, 256},
                 {0x04, 0, 5.0f, 1024.0f, 1024}};
    for (const auto& c : cases) {
        sample = [&c](std::uint8_t, long) { return c.in; };
        z.nCalculations = c.n;
        for (int i = 0; i <= 20; ++i) z.FSumBuffer1[i] = z.FSumBuffer2[i] = c.sum;
        OpsFor(10, 10);
        EXPECT_EQ(z.FSumBuffer1[20], c.newSum) << c.n;
        EXPECT_EQ(z.FChannelData1[20], c.out) << c.n;
        EXPECT_EQ(z.FSumBuffer2[20], c.sum) << "mCh1 averages channel 1 only";
        EXPECT_EQ(z.FChannelData2[20], c.in << 8);
    }
    z.nAverageNumber = 1;
    sample = [](std::uint8_t, long) { return std::uint8_t{0x33}; };
    OpsFor(10, 10);
    EXPECT_EQ(z.FChannelData1[20], 0x3300);
    EXPECT_EQ(z.FSumBuffer1[20], 1024.0f);
}

TEST_F(EngineReadoutTest, WithoutInstrumentOrPortAccessNothingIsTouched) {
    z.FRangeStep[1] = 7;
    z.FChannelData1[0] = 0x1234;
    for (int pass = 0; pass < 2; ++pass) {
        z.FInstrumentFound = pass == 1;
        z.FPortAccess = pass == 0;
        EXPECT_EQ(OpsFor(10, 10), 0u);
        EXPECT_EQ(z.FRangeStep[1], 7);
        EXPECT_EQ(z.FChannelData1[0], 0x1234);
    }
}

}  // namespace
}  // namespace zarvo::testing
