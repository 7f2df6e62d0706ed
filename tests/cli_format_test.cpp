// Numbers for people: SI prefixes, unknown frequencies, 1-2-5 axes and divisions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "tools/format.h"
#include "tools/time_base.h"

namespace zarvo::cli {
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

// The knob's and Auto's time bases: a rate the clock makes and a length that span ten divisions
// exactly, the length as near the one set as may be.
TEST(TimeBase, FillsTenDivisionsWithARateTheClockMakes) {
    const TimeBaseLimits limits;
    const struct {
        double perDiv;
        std::int64_t wanted;
        double rate;
        std::int64_t length;
    } cases[] = {
        {200e-6, 1000, 500e3, 1000},     // 5 MHz / 10
        {500e-6, 1500, 250e3, 1250},     // 300 kHz is no rate of the clock
        {10e-6, 1000, 12.5e6, 1250},     // 10 MHz neither: the nearer length at an oscillator tap
        {240e-6, 1000, 5e6 / 12, 1000},  // typed, not of the 1-2-5 series, still exact
        {100e-9, 1000, 25e6, 25},        // the fastest rate: the record is as long as it can be
        {2, 1000, 50, 1000},             // 50 kHz / 1000
    };
    for (const auto& c : cases) {
        const TimeBase base = FillDivisions(c.perDiv, c.wanted, limits);
        EXPECT_DOUBLE_EQ(base.rate, c.rate) << c.perDiv;
        EXPECT_EQ(base.length, c.length) << c.perDiv;
        EXPECT_TRUE(Fills(base, c.perDiv)) << c.perDiv;
        EXPECT_EQ(TimePerDivision(base.rate, base.length), c.perDiv) << "read back as it is";
    }
    // 10 ns/div: five samples at 50 MHz with channel 1 alone; otherwise nothing exact, the
    // nearest (three samples at 25 MHz, 12 ns/div).
    TimeBaseLimits single = limits;
    single.maxRate = 50e6;
    EXPECT_EQ(FillDivisions(10e-9, 1000, single).length, 5);
    const TimeBase nearest = FillDivisions(10e-9, 1000, limits);
    EXPECT_FALSE(Fills(nearest, 10e-9, 0.01));
    EXPECT_EQ(TimePerDivision(nearest.rate, nearest.length), 12e-9);
    // A length that must stay: the rate for it, exact where the clock makes one.
    TimeBaseLimits fixed = limits;
    fixed.minLength = fixed.maxLength = 1234;
    EXPECT_EQ(FillDivisions(200e-6, 1000, fixed).length, 1234);
    EXPECT_FALSE(Fills(FillDivisions(200e-6, 1000, fixed), 200e-6, 0.001));
    EXPECT_DOUBLE_EQ(TimePerDivision(5e6 / 12, 1000), 240e-6);
    EXPECT_EQ(FillDivisions(1e-4, 1000, TimeBaseLimits{2000, 1000}).rate, 0.0) << "no length";
}

}  // namespace
}  // namespace zarvo::cli
