// SPDX-License-Identifier: MIT
// An instrument whose EEPROM holds random bytes, seen through the exported API. With the
// presence marker (eeprom=garbage) the instrument is recognised and the random model code,
// serial number, calibration date and calibration tables must be taken as they come: the
// identity reported as stored, an impossible date as the fallback date, and calibration values
// far off their centre must still give a front end that measures. Without the marker
// (eeprom=noise) no instrument is recognised and no port stays claimed.
#include <cmath>
#include <string>
#include <vector>

#include "sim/sim_config.h"
#include "sim/sim_instrument.h"
#include "support/fault_session.h"

namespace {

using zarvo::testing::FailedStartStatus;
using zarvo::testing::FaultSession;
using zarvo::testing::IsStatusCode;
using zarvo::testing::kFetchBoundMs;
using zarvo::testing::kInitBoundMs;
using zarvo::testing::SweepEveryExport;
using zarvo::testing::SweepResult;
using zarvo::testing::TimeCall;

constexpr std::uint16_t kLength = 500;

// The bytes the simulated EEPROM holds for a seed.
std::array<std::uint8_t, 256> Contents(zarvo::sim::EepromFault fault, std::uint32_t seed) {
    zarvo::sim::SimConfig config;
    config.eeprom = fault;
    config.eepromSeed = seed;
    return zarvo::sim::SimInstrument::FactoryEeprom(config);
}

int Word(const std::array<std::uint8_t, 256>& e, int address) {
    return e[static_cast<std::size_t>(address)] + 256 * e[static_cast<std::size_t>(address + 1)];
}

// What GetMaxRecordLength must report for the model code and serial number stored.
int32_t MaxRecordLength(const std::array<std::uint8_t, 256>& e) {
    const int model = e[5];
    if (model == 2) return 16384;
    if (model == 1 && Word(e, 6) <= 6426) return 16384;
    return 32760;
}

bool LeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// What GetCalibrationDate must report: day, month and year of the stored date, or 1 January
// 1980 when the stored date or time of day is impossible.
uint32_t PackedDate(const std::array<std::uint8_t, 256>& e) {
    const int year = Word(e, 10), month = e[12], day = e[13], hour = e[14], minute = e[15];
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool valid = year >= 1 && year <= 9999 && month >= 1 && month <= 12 && hour < 24 &&
                 minute < 60 && day >= 1;
    if (valid) valid = day <= kDays[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0);
    if (!valid) return (1u << 24) | (1u << 16) | 1980u;
    return (static_cast<uint32_t>(day) << 24) | (static_cast<uint32_t>(month) << 16) |
           static_cast<uint32_t>(year);
}

class Garbage : public FaultSession, public ::testing::WithParamInterface<std::uint32_t> {
protected:
    void SetUp() override {
        contents_ = Contents(zarvo::sim::EepromFault::Garbage, GetParam());
        ASSERT_EQ(Start("eeprom=garbage:" + std::to_string(GetParam())), RC_OK);
        EXPECT_LT(initMs_, kInitBoundMs);
        ASSERT_EQ(SetRecordLength(kLength), RC_OK);
        ASSERT_EQ(SetPostSamples(kLength / 2), RC_OK);
        ASSERT_EQ(SetTriggerTimeOut(kTimeOutMs), RC_OK);
    }
    std::array<std::uint8_t, 256> contents_{};
};

TEST_P(Garbage, TheIdentityIsReportedAsStored) {
    EXPECT_EQ(GetMaxRecordLength(), MaxRecordLength(contents_));
    int32_t serial = -1;
    ASSERT_EQ(GetSerialNumber(&serial), RC_OK);
    EXPECT_EQ(serial, Word(contents_, 6));
    uint32_t date = 0;
    ASSERT_EQ(GetCalibrationDate(&date), RC_OK);
    EXPECT_EQ(date, PackedDate(contents_));
}

TEST_P(Garbage, MeasurementsWorkWithCalibrationFarOffCentre) {
    for (const SweepResult& r : SweepEveryExport()) {
        EXPECT_TRUE(IsStatusCode(r.status)) << r.name << " answered " << r.status;
        EXPECT_LT(r.ms, kFetchBoundMs) << r.name;
    }
    const auto measured = TimeCall([] { return StartMeasurement(); });
    EXPECT_EQ(measured.result, RC_OK);
    EXPECT_LT(measured.ms, kFetchBoundMs);
    std::vector<double> ch1(kLength, NAN), ch2(kLength, NAN);
    ASSERT_EQ(GetMeasurement(ch1.data(), ch2.data()), RC_OK);
    double range = 0;
    ASSERT_EQ(GetSensitivity(1, &range), RC_OK);
    for (std::size_t i = 0; i < kLength; ++i) {
        // Whatever the front end made of the signal, each sample is a volt value in range.
        ASSERT_TRUE(std::isfinite(ch1[i]) && std::fabs(ch1[i]) <= range) << i << ": " << ch1[i];
        ASSERT_TRUE(std::isfinite(ch2[i])) << i;
    }
}

TEST_P(Garbage, ExitInstrumentGivesThePortBack) {
    EXPECT_FALSE(PortFree(1));
    EXPECT_EQ(ExitInstrument(), RC_OK);
    EXPECT_TRUE(PortFree(1));
}

INSTANTIATE_TEST_SUITE_P(Seeds, Garbage, ::testing::Values(1u, 2u, 3u, 77u, 4096u, 4294967295u));

class Noise : public FaultSession {};

TEST_F(Noise, NoInstrumentIsRecognisedAndNoPortIsKept) {
    for (const std::uint32_t seed : {1u, 5u}) {
        ASSERT_NE(Contents(zarvo::sim::EepromFault::Noise, seed)[1], 0xAA);
        EXPECT_EQ(Start("eeprom=noise:" + std::to_string(seed)), RC_NO_INSTRUMENT);
        EXPECT_LT(initMs_, kInitBoundMs);
        for (int n = 1; n <= 3; ++n) EXPECT_TRUE(PortFree(n)) << "LPT" << n;
        for (const SweepResult& r : SweepEveryExport()) {
            EXPECT_EQ(r.status, FailedStartStatus(r.name)) << r.name;
        }
        EXPECT_EQ(ExitInstrument(), RC_OK);
    }
}

}  // namespace
