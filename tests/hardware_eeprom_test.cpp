// SPDX-License-Identifier: MIT
// The serial EEPROM protocol and the calibration record, read through the instrument bus from
// an independent model of a two-wire memory.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "hardware/calibration_date.h"
#include "instrument/zarvo.h"
#include "support/eeprom_bus_device.h"
#include "support/fake_platform.h"

using namespace zarvo;
using namespace zarvo::testing;
using Kind = EepromEvent::Kind;

namespace {

constexpr std::uint16_t kBase = 0x378;
constexpr double kJan1st1980 = 29221.0;  // days from 1899-12-30

class EepromTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.port.SetInner(&device);
        z = std::make_unique<TZarvo>(platform);
        z->nHardwareAddress = kBase;
        platform.port.Clear();
        device.events.clear();
        device.lineWrites.clear();
    }

    // The word addresses the host set, in order (the byte after each write control byte).
    std::vector<int> AddressesRead() const {
        std::vector<int> addresses;
        for (std::size_t i = 0; i + 1 < device.events.size(); ++i) {
            if (device.events[i] == EepromEvent{Kind::ByteIn, 0xA0} &&
                device.events[i + 1].kind == Kind::ByteIn) {
                addresses.push_back(device.events[i + 1].value);
            }
        }
        return addresses;
    }

    FakePlatform platform;
    EepromPort device{kBase};
    std::unique_ptr<TZarvo> z;
};

TEST_F(EepromTest, SerialNumberIsLowByteFirst) {
    device.memory[6] = 0x34;
    device.memory[7] = 0x12;
    EXPECT_EQ(z->ReadSerialNumber(), 0x1234);
    EXPECT_EQ(AddressesRead(), (std::vector<int>{6, 7}));
}

TEST_F(EepromTest, EveryByteOfTheMemoryReadsBack) {
    for (int a = 0; a < 256; ++a) device.memory[a] = static_cast<std::uint8_t>(a * 37 + 11);
    for (int a = 0; a < 256; a += 15) {
        EXPECT_EQ(z->EepromRead(static_cast<std::uint8_t>(a)), device.memory[a]) << a;
    }
    EXPECT_EQ(device.storedBytes, 0) << "the record must never be written";
}

TEST_F(EepromTest, OneByteReadIsAWriteTransferThenASeparateReadTransfer) {
    device.memory[0x42] = 0x5A;
    EXPECT_EQ(z->EepromRead(0x42), 0x5A);
    const std::vector<EepromEvent> expected{
        {Kind::Start},         {Kind::ByteIn, 0xA0}, {Kind::ByteIn, 0x42},
        {Kind::Stop},          {Kind::Start},        {Kind::ByteIn, 0xA1},
        {Kind::ByteOut, 0x5A}, {Kind::HostNack},     {Kind::Stop}};
    EXPECT_EQ(device.events, expected);

    // 88 line changes of 18 port writes and 30 samples of 22 writes and one status read.
    EXPECT_EQ(device.lineWrites.size(), 118u);
    int writes = 0;
    int reads = 0;
    for (const PortOp& op : platform.port.ops) (op.write ? writes : reads)++;
    EXPECT_EQ(writes, 88 * 18 + 30 * 22);
    EXPECT_EQ(reads, 30);
    // Lines left with clock and data high, the host driving.
    EXPECT_EQ(z->FEepromLines, 0x0F);
}

TEST_F(EepromTest, LineBytesFollowTheTwoWireProtocol) {
    z->EepromRead(0x81);
    // Built from the protocol: host-driven changes 0x0C | clock | data << 1, samples 0x08 |
    // clock.
    std::vector<std::uint8_t> expected;
    auto set = [&](int d, int c) {
        expected.push_back(static_cast<std::uint8_t>(0x0C | c | d << 1));
    };
    auto sample = [&](int c) { expected.push_back(static_cast<std::uint8_t>(0x08 | c)); };
    auto writeByte = [&](int v) {
        for (int bit = 7; bit >= 0; --bit) {
            const int d = (v >> bit) & 1;
            set(d, 0), set(d, 1), set(d, 0);
        }
        sample(0), sample(1), set(0, 0);
    };
    auto start = [&](int control) { set(1, 1), set(0, 1), set(0, 0), writeByte(control); };
    auto stop = [&] { set(0, 1), set(1, 1); };
    start(0xA0), writeByte(0x81), stop(), start(0xA1);
    for (int bit = 0; bit < 8; ++bit) sample(0), sample(1), sample(0);
    set(1, 0), set(1, 1), set(1, 0), stop();
    EXPECT_EQ(device.lineWrites, expected);
}

TEST_F(EepromTest, SampleLatchesRegisterZeroAndReadsTheInvertedBusyLine) {
    platform.port.SetInner(nullptr);
    std::uint8_t status = 0x00;
    platform.port.reader = [&](std::uint16_t port) {
        return port == kBase + 1 ? status : std::uint8_t{0xFF};
    };
    EXPECT_TRUE(z->EepromSampleData(true)) << "BUSY bit clear: data line high";
    EXPECT_EQ(z->FEepromLines, 0x09);
    const std::vector<PortOp> tail(platform.port.ops.end() - 5, platform.port.ops.end());
    const std::vector<PortOp> expected{{true, kBase + 2, 0x04},
                                       {true, kBase, 0x00},
                                       {true, kBase + 2, 0x06},
                                       {true, kBase + 2, 0x04},
                                       {false, kBase + 1, 0x00}};
    EXPECT_EQ(tail, expected);
    status = 0x80;
    EXPECT_FALSE(z->EepromSampleData(false)) << "BUSY bit set: data line low";
    EXPECT_EQ(z->FEepromLines, 0x08);
}

TEST_F(EepromTest, WithoutPortAccessEveryByteIsZeroAndNothingIsWritten) {
    WriteIdentity(device.memory, 3, 0x4321);
    device.memory[0x10] = 0xFF;
    z->FPortAccess = false;
    EXPECT_EQ(z->EepromRead(1), 0x00);
    EXPECT_EQ(z->EepromRead(0x10), 0x00);
    EXPECT_EQ(z->ReadSerialNumber(), 0);
    EXPECT_FALSE(z->EepromSampleData(true));
    EXPECT_TRUE(platform.port.ops.empty());
}

struct DateCase {
    const char* name;
    std::uint8_t yearLow, yearHigh, month, day, hour, minute;
    double expected;
};

void PrintTo(const DateCase& c, std::ostream* os) {
    *os << c.name;
}

class CalibrationDateTest : public EepromTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(CalibrationDateTest, StoredDateBecomesADateTimeValue) {
    const DateCase& c = GetParam();
    device.memory[10] = c.yearLow;
    device.memory[11] = c.yearHigh;
    device.memory[12] = c.month;
    device.memory[13] = c.day;
    device.memory[14] = c.hour;
    device.memory[15] = c.minute;
    EXPECT_NEAR(z->ReadCalibrationDate(), c.expected, 1e-9);
    EXPECT_EQ(AddressesRead(), (std::vector<int>{10, 11, 12, 13, 14, 15}));
}

INSTANTIATE_TEST_SUITE_P(Dates, CalibrationDateTest,
                         ::testing::Values(
                             // 2001-03-15 is day 36965; 14:30 is 870 of 1440 minutes.
                             DateCase{"Valid", 0xD1, 0x07, 3, 15, 14, 30, 36965.0 + 870.0 / 1440.0},
                             DateCase{"LeapDay2000", 0xD0, 0x07, 2, 29, 0, 0, 36585.0},
                             DateCase{"February30", 0xD1, 0x07, 2, 30, 14, 30, kJan1st1980},
                             DateCase{"February29In1900", 0x6C, 0x07, 2, 29, 0, 0, kJan1st1980},
                             DateCase{"Minute60", 0xD1, 0x07, 3, 15, 14, 60, kJan1st1980},
                             DateCase{"Hour24", 0xD1, 0x07, 3, 15, 24, 0, kJan1st1980},
                             DateCase{"Month13", 0xD1, 0x07, 13, 1, 0, 0, kJan1st1980},
                             DateCase{"Year0", 0x00, 0x00, 1, 1, 0, 0, kJan1st1980},
                             DateCase{"Year10000", 0x10, 0x27, 1, 1, 0, 0, kJan1st1980},
                             DateCase{"ErasedRecord", 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                      kJan1st1980}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EepromTest, CalibrationTablesComeFromTheirAddressesInOrder) {
    // Each table entry gets a value naming its own address, so a misplaced read shows.
    std::vector<int> expectedAddresses;
    for (int k = 1; k <= 3; ++k) {
        for (int base : {54, 129}) {
            for (int r = 1; r <= 9; ++r) {
                const int a = base + 25 * (k - 1) + 2 * r;
                device.memory[a] = static_cast<std::uint8_t>(a);
                device.memory[a + 1] = static_cast<std::uint8_t>(k);
                expectedAddresses.push_back(a);
                expectedAddresses.push_back(a + 1);
            }
        }
    }
    z->FCalDac1.fill(-7);
    z->FCalDac2.fill(-7);
    z->FCalDac3.fill(-7);
    for (auto& row : z->FCalOffset) row.fill(-7);

    z->ReadCalibration();

    EXPECT_EQ(AddressesRead(), expectedAddresses);
    const std::array<std::int32_t, 13>* tableA[] = {nullptr, &z->FCalDac1, &z->FCalDac2,
                                                    &z->FCalDac3};
    for (int k = 1; k <= 3; ++k) {
        for (int r = 1; r <= 9; ++r) {
            const int a = 54 + 25 * (k - 1) + 2 * r;
            const int b = 129 + 25 * (k - 1) + 2 * r;
            EXPECT_EQ((*tableA[k])[r], a + 256 * k) << "table A channel " << k << " range " << r;
            EXPECT_EQ(z->FCalOffset[k][r], b + 256 * k)
                << "table B channel " << k << " range " << r;
        }
        for (int r = 10; r <= 12; ++r) {
            EXPECT_EQ((*tableA[k])[r], -7) << "entries past range 9 are not the record's";
            EXPECT_EQ(z->FCalOffset[k][r], -7);
        }
    }
    EXPECT_EQ(device.storedBytes, 0);
}

TEST_F(EepromTest, CentreValueIs512) {
    device.memory[56] = 0x00;
    device.memory[57] = 0x02;
    device.memory[131] = 0x00;
    device.memory[132] = 0x02;
    z->ReadCalibration();
    EXPECT_EQ(z->FCalDac1[1], 512);
    EXPECT_EQ(z->FCalOffset[1][1], 512);
}

// ---- The date-time helper used by the calibration-date export.

struct SplitCase {
    int year, month, day, hour, minute;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour << ':' << c.minute;
}

class CalendarRoundTrip : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CalendarRoundTrip, EncodedDateSplitsBackToTheSameDay) {
    const SplitCase& c = GetParam();
    const double value = EncodeCalendarDateTime(c.year, c.month, c.day, c.hour, c.minute);
    CalendarDate date;
    ASSERT_TRUE(SplitCalendarDate(value, date));
    EXPECT_EQ(date.year, c.year);
    EXPECT_EQ(date.month, c.month);
    EXPECT_EQ(date.day, c.day);
    // The time of day is the fraction's size, whichever side of day 0 the date lies.
    EXPECT_NEAR(std::fabs(value - std::trunc(value)), (c.hour * 60 + c.minute) / 1440.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, CalendarRoundTrip,
    ::testing::Values(SplitCase{2001, 3, 15, 14, 30}, SplitCase{1899, 12, 30, 0, 0},
                      SplitCase{1899, 12, 29, 6, 0}, SplitCase{1, 1, 1, 23, 59},
                      SplitCase{9999, 12, 31, 12, 0}, SplitCase{2000, 2, 29, 0, 1},
                      SplitCase{1980, 1, 1, 0, 0}));

TEST(CalendarDate, DaysBeforeDayZeroCountTheTimeBackwards) {
    EXPECT_DOUBLE_EQ(EncodeCalendarDateTime(1899, 12, 29, 6, 0), -1.25);
    EXPECT_DOUBLE_EQ(EncodeCalendarDateTime(1899, 12, 31, 6, 0), 1.25);
}

TEST(CalendarDate, ValuesOutsideTheCalendarDoNotSplit) {
    CalendarDate date{7, 7, 7};
    EXPECT_FALSE(SplitCalendarDate(std::nan(""), date));
    EXPECT_FALSE(SplitCalendarDate(INFINITY, date));
    EXPECT_FALSE(SplitCalendarDate(-1e300, date));
    EXPECT_FALSE(SplitCalendarDate(1e18, date));
    EXPECT_FALSE(SplitCalendarDate(EncodeCalendarDateTime(9999, 12, 31, 0, 0) + 1, date));
    EXPECT_FALSE(SplitCalendarDate(EncodeCalendarDateTime(1, 1, 1, 0, 0) - 1, date));
    EXPECT_EQ(date.year, 7) << "a refused value leaves the output alone";
}

}  // namespace
