// SPDX-License-Identifier: MIT
// The time base: how a record fills the screen's ten divisions.
#include "tools/analysis/time_base.h"

#include <gtest/gtest.h>

namespace zarvo::analysis {
namespace {

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
}  // namespace zarvo::analysis
