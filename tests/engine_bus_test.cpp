// SPDX-License-Identifier: MIT
// The instrument bus and the front-end serial devices: exact port sequences and the words
// the relay register and the DAC receive.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace zarvo::testing {
namespace {

constexpr std::uint16_t D = kTestBase, S = kTestBase + 1, C = kTestBase + 2;
PortOp W(std::uint16_t port, std::uint8_t v) {
    return {true, port, v};
}

class EngineBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttachInstrument(z);
        fp.port.Clear();
    }
    FakePlatform fp;
    TZarvo z{fp};
};

TEST_F(EngineBusTest, SelectAndWriteFollowTheLatchSequences) {
    z.SelectDevice(0x10);
    z.WriteRegister(7, 0xA5);
    const std::vector<PortOp> expected{W(C, 4),    W(D, 0x10), W(C, 5), W(C, 4),  // select
                                       W(C, 4),    W(D, 7),    W(C, 6), W(C, 4),
                                       W(D, 0xA5), W(C, 0),    W(C, 4)};
    EXPECT_EQ(fp.port.ops, expected);
}

TEST_F(EngineBusTest, ReadAssemblesTheNibblesFromStatusBits3To6Only) {
    for (const std::uint8_t status : {0xFF, 0x00}) {
        fp.port.Clear();
        fp.port.reader = [status](std::uint16_t) { return status; };
        EXPECT_EQ(z.ReadRegister(2), status);
        const std::vector<PortOp> expected{W(D, 2), W(C, 6),
                                           W(C, 4), W(C, 0x0C),
                                           W(C, 4), W(C, 6),
                                           W(D, 1), {false, S, status},
                                           W(D, 0), {false, S, status},
                                           W(C, 4)};
        EXPECT_EQ(fp.port.ops, expected);
    }
    ScriptedBus dev(kTestBase);
    dev.readRegister = [](std::uint8_t reg) { return static_cast<std::uint8_t>(0xA0 + reg); };
    fp.port.SetInner(&dev);
    EXPECT_EQ(z.ReadRegister(5), 0xA5);  // high half first, bits 0-2 and 7 floating high
}

TEST_F(EngineBusTest, AddressesKeepTheirLow16BitsWhateverTheStoredBase) {
    z.nHardwareAddress = 0x10000 + kTestBase;
    z.SelectDevice(0);
    EXPECT_EQ(fp.port.ops.front(), W(C, 4));
    z.nHardwareAddress = std::numeric_limits<std::int32_t>::max();
    z.FInstrumentFound = true;
    z.ReadAcquisition();  // no overflow on the way to the port
    EXPECT_EQ(fp.port.ops.back().port, 0x0001);
}

TEST_F(EngineBusTest, WithoutPortAccessNothingReachesThePort) {
    z.FPortAccess = false;
    fp.port.reader = [](std::uint16_t) { return std::uint8_t{0xFF}; };
    z.SelectDevice(0);
    z.WriteRegister(1, 2);
    z.WriteRunCount(0x1234);
    z.WriteFrontEndDac(0, 0.5);
    EXPECT_EQ(z.ReadRegister(2), 0);
    EXPECT_TRUE(fp.port.ops.empty());
}

TEST_F(EngineBusTest, BankWriteOfBank2Sub4Is14PortWrites) {
    z.BankWrite(2, 4, 2);
    const std::vector<PortOp> expected{W(C, 4), W(D, 6), W(C, 6), W(C, 4), W(D, 4),
                                       W(C, 0), W(C, 4), W(C, 4), W(D, 7), W(C, 6),
                                       W(C, 4), W(D, 2), W(C, 0), W(C, 4)};
    EXPECT_EQ(fp.port.ops, expected);
    fp.port.Clear();
    z.BankWrite(3, 0, 0);  // no such bank
    z.BankWrite(-1, 0, 0);
    EXPECT_TRUE(fp.port.ops.empty());
}

TEST_F(EngineBusTest, RunCountGoesLowByteFirstIntoTheControlBank) {
    z.WriteRunCount(0x8000);
    EXPECT_EQ(DecodeBus(fp.port.ops, D).front().kind, BusEvent::Kind::Write);
    EXPECT_EQ(DecodeBankWrites(fp.port.ops, D),
              (std::vector<BankEvent>{{0, 0, 0x00}, {0, 1, 0x80}}));
}

struct RelayCase {
    TMeasureMode mode;
    int range1, range2;
    int coupling1, coupling2;
    bool doubleRate;
    std::uint16_t word;
};

class RelayWords : public EngineBusTest, public ::testing::WithParamInterface<RelayCase> {};

TEST_P(RelayWords, AreSummedAndSentAsTenBits) {
    const RelayCase& c = GetParam();
    z.mMeasureMode = c.mode;
    z.FRange[1] = static_cast<std::uint16_t>(c.range1);
    z.FRange[2] = static_cast<std::uint16_t>(c.range2);
    z.FCoupling[1] = static_cast<std::uint8_t>(c.coupling1);
    z.FCoupling[2] = static_cast<std::uint8_t>(c.coupling2);
    z.FDoubleRate = c.doubleRate;
    EXPECT_EQ(z.RelayWord(), c.word);
    const std::uint32_t before = fp.clock;
    z.WriteFrontEndRelays();
    EXPECT_GE(fp.clock - before, 10u) << "relays need 10 ms to settle";
    const FrontEndWords sent = DecodeFrontEnd(DecodeBankWrites(fp.port.ops, D));
    EXPECT_EQ(sent.relays, std::vector<std::uint16_t>{c.word});
}

INSTANTIATE_TEST_SUITE_P(Engine, RelayWords,
                         ::testing::Values(RelayCase{mCh12, 1, 4, 0, 0, false, 0x222},
                                           RelayCase{mCh12, 1, 4, 1, 1, false, 0x23A},
                                           RelayCase{mCh1, 1, 4, 0, 0, true,
                                                     0x122},  // 0x522: carry lost
                                           RelayCase{mCh12, 1, 4, 0, 0, true, 0x222},
                                           RelayCase{mXY, 9, 7, 0, 1, false, 0x28C},
                                           RelayCase{mNone, 1, 4, 1, 1, false, 0x018},
                                           RelayCase{mCh23, 9, 9, 0, 1, false, 0x008},
                                           RelayCase{mCh2, 0, 12, 2, 0, false, 0x000}));

TEST(EngineDacCodes, MapPlusMinus1p25VontoTenBitsWithTiesToEven) {
    const long double inf = std::numeric_limits<long double>::infinity();
    const struct {
        long double volts;
        std::uint16_t code;
    } cases[] = {{0, 512},
                 {1.25L, 1023},
                 {-1.25L, 0},
                 {0.001220703125L, 512},
                 {0.003662109375L, 514},
                 {0.5L, 717},
                 {1e300L, 1023},
                 {inf, 1023},
                 {-inf, 0},
                 {std::nanl(""), 0}};
    for (const auto& c : cases) EXPECT_EQ(TZarvo::DacCode(c.volts), c.code) << c.volts;
}

TEST_F(EngineBusTest, DacTransferIs36SerialWritesThenTheParkingIndex) {
    z.WriteFrontEndDac(2, 0);
    const std::vector<BankEvent> events = DecodeBankWrites(fp.port.ops, D);
    // The index write and 36 data writes (the first one merged with the index), parking.
    ASSERT_EQ(events.size(), 37u);
    EXPECT_EQ(events.front(), (BankEvent{1, 3, 0x48}));  // select raised first
    for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(events[i].sub, 3) << i;
    EXPECT_EQ(events[35], (BankEvent{1, 3, 0x40}));
    EXPECT_EQ(events.back(), (BankEvent{1, 8, -1}));
    const FrontEndWords sent = DecodeFrontEnd(events);
    ASSERT_EQ(sent.dacWords.size(), 1u);
    EXPECT_EQ(sent.dacClocks[0], 17);
    EXPECT_EQ(sent.dacWords[0] >> 1, 0x9A00u);  // the extra clock repeats bit 0
    fp.port.Clear();
    z.WriteFrontEndDac(4, 0);
    EXPECT_TRUE(fp.port.ops.empty());
}

}  // namespace
}  // namespace zarvo::testing
