// SPDX-License-Identifier: MIT
// Numbers for people: SI prefixes, unknown frequencies, 1-2-5 axes and divisions.
#include "tools/core/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace zarvo::core {
namespace {

TEST(Format, SiPrefixesAndSignificantDigits) {
    EXPECT_EQ(FormatSi(0.0123, "V", 3), "12.3 mV");
    EXPECT_EQ(FormatSi(1000.0, "Hz", 4), "1 kHz");
    EXPECT_EQ(FormatSi(-0.00025, "s", 3), "-250 \xC2\xB5s");
    EXPECT_EQ(FormatSi(0.99996, "V", 4), "1 V");  // rounding carries into the next prefix
    EXPECT_EQ(FormatSi(1234567.0, "Hz", 3), "1.23 MHz");
    EXPECT_EQ(FormatSi(0.0, "V"), "0 V");
    EXPECT_EQ(FormatSi(std::numeric_limits<double>::quiet_NaN(), "V"), "-");
}

TEST(Format, UnknownFrequencyIsADashInTextAndEmptyInCsv) {
    for (double unknown : {0.0, -1.0, std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(FormatFrequency(unknown), "-");
        EXPECT_EQ(CsvFrequency(unknown), "");
    }
    EXPECT_EQ(FormatFrequency(999.7, 3), "1 kHz");
    EXPECT_EQ(CsvFrequency(1000.5), "1000.5");
}

bool Is125(double step) {
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    return std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
           std::fabs(mantissa - 5) < 1e-6;
}

TEST(Format, AxesHaveRoundStepsFourToTenTicksAndNoDuplicates) {
    // Time spans from nanoseconds to seconds, with and without pre-trigger time, and voltage
    // spans from millivolts to the 80 V range.
    const double spans[][2] = {{0, 3e-9},       {-2e-9, 7e-9},    {0, 9.99e-4}, {-1e-4, 8.99e-4},
                               {0, 0.032760},   {-0.5, 2.7},      {0, 1.0},     {0, 13.1},
                               {-0.004, 0.004}, {0.0011, 0.0049}, {-0.2, 0.2},  {-80, 80},
                               {-8, 8},         {-0.31, 0.07},    {0, 0},       {2.5, 2.5}};
    for (const auto& span : spans) {
        SCOPED_TRACE(std::to_string(span[0]) + " .. " + std::to_string(span[1]));
        const Axis axis = MakeAxis(span[0], span[1], "s");
        EXPECT_TRUE(Is125(axis.step)) << axis.step;
        EXPECT_GE(axis.ticks.size(), 4U);
        EXPECT_LE(axis.ticks.size(), 10U);
        std::set<std::string> labels;
        for (double tick : axis.ticks) {
            if (span[1] > span[0]) {
                EXPECT_GE(tick, span[0] - 1e-12);
                EXPECT_LE(tick, span[1] + 1e-12);
            }
            const double k = tick / axis.step;
            EXPECT_NEAR(k, std::round(k), 1e-6);
            labels.insert(axis.Label(tick));
        }
        EXPECT_EQ(labels.size(), axis.ticks.size());  // every label tells its tick apart
    }
}

TEST(Format, AxisLabelsUseTheScaledUnit) {
    const Axis time = MakeAxis(-1e-4, 8.99e-4, "s");
    EXPECT_EQ(time.unit, "\xC2\xB5s");
    EXPECT_EQ(time.Label(time.ticks.front()), "-100");
    const Axis volts = MakeAxis(-0.004, 0.004, "V");
    EXPECT_EQ(volts.unit, "mV");
    EXPECT_EQ(volts.Label(0.001), "1");
    EXPECT_EQ(MakeAxis(0, 1, "V").Label(0.5), "0.5");
}

TEST(Format, DivisionsFollowTheOneTwoFiveSeries) {
    EXPECT_DOUBLE_EQ(PerDivision(16.0, kVoltDivisions), 2.0);   // +-8 V range
    EXPECT_DOUBLE_EQ(PerDivision(0.4, kVoltDivisions), 0.05);   // +-200 mV range
    EXPECT_DOUBLE_EQ(PerDivision(1e-3, kTimeDivisions), 1e-4);  // 1000 samples at 1 MHz
    EXPECT_DOUBLE_EQ(PerDivision(1.1e-3, kTimeDivisions), 2e-4);
    EXPECT_DOUBLE_EQ(Step125(0.3), 0.5);
    EXPECT_DOUBLE_EQ(Step125(6), 10);
}

}  // namespace
}  // namespace zarvo::core
