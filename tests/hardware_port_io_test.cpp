// SPDX-License-Identifier: MIT
// Port primitives, the millisecond busy-wait and the port-access check.
#include <gtest/gtest.h>

#include <memory>

#include "instrument/zarvo.h"
#include "support/fake_platform.h"

using namespace zarvo;
using namespace zarvo::testing;

namespace {

struct DelayCase {
    const char* name;
    std::uint32_t startTick;
    std::uint32_t tickStep;
    std::uint32_t ms;
};

void PrintTo(const DelayCase& c, std::ostream* os) {
    *os << c.name;
}

class DelayTest : public ::testing::TestWithParam<DelayCase> {};

TEST_P(DelayTest, WaitsAtLeastTheTimeAndNotMuchLonger) {
    const DelayCase& c = GetParam();
    FakePlatform platform;
    TZarvo z(platform);
    platform.clock = c.startTick;
    platform.tickStep = c.tickStep;
    z.DelayMs(c.ms);
    // The clock moves by tickStep per reading; the first reading is the start.
    const std::uint32_t elapsed = platform.clock - c.startTick - c.tickStep;
    EXPECT_GE(elapsed, c.ms);
    EXPECT_LT(elapsed, c.ms + c.tickStep) << "the wait went on past its end";
}

INSTANTIATE_TEST_SUITE_P(Waits, DelayTest,
                         ::testing::Values(DelayCase{"Plain", 1000, 1, 100},
                                           // Started 50 ms before the 32-bit tick counter wraps.
                                           DelayCase{"AcrossTheWrap", 0xFFFFFFFFu - 50, 1, 100},
                                           DelayCase{"EndingExactlyAtTheWrap", 0xFFFFFFFFu - 99, 1,
                                                     100},
                                           DelayCase{"CoarseTicks", 0xFFFFFFF0u, 16, 100},
                                           DelayCase{"Long", 5, 1000, 60000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Delay, ZeroReturnsAfterOneMoreReading) {
    FakePlatform platform;
    TZarvo z(platform);
    platform.clock = 7;
    z.DelayMs(0);
    EXPECT_EQ(platform.clock, 9u) << "two readings: the start and one more";
}

TEST(PortPrimitives, AddressKeepsOnlyItsLow16Bits) {
    FakePlatform platform;
    TZarvo z(platform);
    platform.port.Clear();
    platform.port.reader = [](std::uint16_t port) {
        return static_cast<std::uint8_t>(port & 0xFF);
    };
    z.PortOut(0x12340378, 0x55);
    z.PortOut(-1, 0x66);
    EXPECT_EQ(z.PortIn(0x7FFF0379), 0x79);
    const std::vector<PortOp> expected{
        {true, 0x0378, 0x55}, {true, 0xFFFF, 0x66}, {false, 0x0379, 0x79}};
    EXPECT_EQ(platform.port.ops, expected);
}

struct DriverCase {
    const char* name;
    PlatformFamily family;
    bool driverAvailable;
    bool expectedAccess;
    int expectedChecks;
    int expectedMessages;
};

void PrintTo(const DriverCase& c, std::ostream* os) {
    *os << c.name;
}

class DriverCheckTest : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverCheckTest, ConstructionChecksPortAccessOnce) {
    const DriverCase& c = GetParam();
    FakePlatform platform;
    platform.family = c.family;
    platform.driverAvailable = c.driverAvailable;
    TZarvo z(platform);
    EXPECT_EQ(z.FPortAccess, c.expectedAccess);
    EXPECT_EQ(platform.driverChecks, c.expectedChecks);
    ASSERT_EQ(static_cast<int>(platform.messages.size()), c.expectedMessages);
    if (c.expectedMessages > 0) {
        EXPECT_EQ(platform.messages[0], kPortDriverMessage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Families, DriverCheckTest,
    ::testing::Values(DriverCase{"ConsumerNeedsNoDriver", PlatformFamily::Consumer, false, true, 0,
                                 0},
                      DriverCase{"NtWithDriver", PlatformFamily::NT, true, true, 1, 0},
                      DriverCase{"NtWithoutDriver", PlatformFamily::NT, false, false, 1, 1},
                      DriverCase{"OtherWithAccess", PlatformFamily::Other, true, true, 1, 0},
                      DriverCase{"OtherWithoutAccess", PlatformFamily::Other, false, false, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DriverCheck, MessageIsThreeLinesWithoutAFullStop) {
    const std::string text = kPortDriverMessage;
    EXPECT_EQ(text,
              "Windows NT / 2000 / XP requires an extra NT-driver for the parallel port and ISA "
              "bus.\nIt was not detected on this computer.\nHardware will not be available");
}

TEST(DriverCheck, EveryConstructionChecksAgain) {
    FakePlatform platform;
    platform.driverAvailable = false;
    auto first = std::make_unique<TZarvo>(platform);
    first.reset();
    platform.driverAvailable = true;
    TZarvo second(platform);
    EXPECT_TRUE(second.FPortAccess) << "a driver installed later counts for a new instance";
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.driverChecks, 2);
}

}  // namespace
