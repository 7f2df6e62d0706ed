// SPDX-License-Identifier: MIT
// The analysis layer: the figures of a record and auto set-up's choices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "tools/analysis/auto_setup.h"
#include "tools/analysis/stats.h"
#include "tools/analysis/tests/sine.h"
#include "tools/analysis/time_base.h"

namespace zarvo::analysis {
namespace {

TEST(Stats, FiguresOfASineWithOffset) {
    const Stats s = Analyse(Sine(1000.0, 0.5, 0.25, 1e6, 10000), 1e6);
    EXPECT_NEAR(s.max, 0.75, 1e-3);
    EXPECT_NEAR(s.min, -0.25, 1e-3);
    EXPECT_NEAR(s.peakToPeak, 1.0, 2e-3);
    EXPECT_NEAR(s.mean, 0.25, 5e-3);
    EXPECT_NEAR(s.rms, std::sqrt(0.25 * 0.25 + 0.5 * 0.5 / 2), 5e-3);
    EXPECT_NEAR(s.frequency, 1000.0, 1.0);
}

TEST(Stats, NoiseAroundALevelIsNotAFrequency) {
    std::vector<double> v(1000, 0.5);
    for (std::size_t i = 0; i < v.size(); i += 2) v[i] += 0.01;  // ripple well inside the band
    v[500] = 1.5;                                                // one spike
    const Stats s = Analyse(v, 1e6);
    EXPECT_EQ(s.frequency, 0.0);
    EXPECT_TRUE(std::isnan(s.period));
    EXPECT_TRUE(std::isnan(s.dutyCycle));
    EXPECT_EQ(Analyse({}, 1e6).rms, 0.0);
    EXPECT_TRUE(std::isnan(Analyse({}, 1e6).riseTime));
}

TEST(Stats, DutyCycleAndEdgesOfAPulseTrain) {
    // Pulses of 100 samples period with three-sample ramps; the record starts inside a pulse,
    // so its first edge falls.
    std::vector<double> v;
    for (int i = 0; i < 1000; ++i) {
        const int phase = (i + 80) % 100;
        v.push_back(phase < 25 ? 1.0 : (phase < 27 ? 1.0 - (phase - 24) / 3.0 : 0.0));
        if (phase >= 97) v.back() = (phase - 96) / 3.0;
    }
    const Stats s = Analyse(v, 1e6);
    EXPECT_NEAR(s.period, 100e-6, 1e-6);
    EXPECT_NEAR(s.dutyCycle, 28.0, 1.0);  // samples at or above 0.5: 28 of every 100
    // 10 % to 90 % of a ramp of three samples: 0.8 x 3 samples.
    EXPECT_NEAR(s.riseTime, 2.4e-6, 0.1e-6);
    EXPECT_NEAR(s.fallTime, 2.4e-6, 0.1e-6);
}

// Figures as a probe record of a signal between lo and hi, with a period or none (0 Hz).
Stats Probed(double lo, double hi, double hz) {
    Stats s;
    s.min = lo;
    s.max = hi;
    s.mean = (lo + hi) / 2;
    s.peakToPeak = hi - lo;
    s.frequency = hz;
    return s;
}

TEST(AutoSetup, RangeHoldsThePeaksWithMarginAndGoesUpWhenClipped) {
    const std::vector<double> ranges = {0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};
    const struct {
        double lo, hi, probedOn;
        bool clipped;
        double range;
    } cases[] = {
        {-1.7, 1.7, 80, false, 2},  // within 90 % of 2 V
        {-1.9, 0.5, 80, false, 4},  // the larger peak counts
        {0, 0, 80, false, 0.2},     // nothing seen: the smallest, probed again
        {-0.8, 0.8, 0.8, true, 2},  // clipped: one range up, whatever it read
        {-90, 90, 80, true, 80},    // nothing larger
    };
    for (const auto& c : cases) {
        const ProbeChannel probe{1, c.probedOn, Probed(c.lo, c.hi, 0), c.clipped};
        EXPECT_EQ(RangeFor(probe, ranges), c.range) << c.lo << " .. " << c.hi;
    }
}

TEST(AutoSetup, RateShowsTwoToFivePeriodsOfTheStrongestSignalTriggeredAtItsMiddle) {
    AutoInput in;
    in.ranges = {0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};
    in.length = 2000;
    in.probeRate = 250e3;
    in.keptRate = 50e3;
    // The instrument's counter divides 5 MHz by a whole number.
    in.takeRate = [](double wanted) { return 5e6 / std::max(1.0, std::round(5e6 / wanted)); };
    in.channels = {{1, 2, Probed(-1.7, 1.7, 1234), false}, {2, 0.2, Probed(0, 0.01, 0), false}};
    AutoChoice c = ChooseSetup(in);
    ASSERT_EQ(c.ranges.size(), 2u);
    EXPECT_EQ(c.ranges[0].range, 2.0);
    EXPECT_EQ(c.ranges[1].range, 0.2);
    // The record fills ten divisions of 200 µs: 2.5 periods at 1 MHz x 2000 samples.
    const double periods = static_cast<double>(c.length) * 1234 / c.rate;
    EXPECT_GE(periods, 2.0);
    EXPECT_LE(periods, 5.0);
    EXPECT_EQ(TimePerDivision(c.rate, c.length), 200e-6);
    EXPECT_EQ(c.triggerChannel, 1);
    EXPECT_NEAR(c.triggerLevel, 0.0, 1e-12);
    EXPECT_NEAR(c.triggerHysteresis, 0.34, 1e-9);
    EXPECT_NE(c.text.find("1.234 kHz on channel 1: 200 \xC2\xB5s/div (1 MHz, 2000 samples)"),
              std::string::npos)
        << c.text;
    // With 1000 samples set: 500 kHz, not the 416.7 kHz that three periods would ask for.
    in.length = 1000;
    c = ChooseSetup(in);
    EXPECT_EQ(c.rate, 500e3);
    EXPECT_EQ(c.length, 1000);
    in.length = 2000;

    // The larger of two periodic swings takes the trigger, at the middle of its swing.
    in.channels = {{1, 2, Probed(-1, 1, 1000), false}, {2, 8, Probed(0, 6, 500), false}};
    c = ChooseSetup(in);
    EXPECT_EQ(c.triggerChannel, 2);
    EXPECT_NEAR(c.triggerLevel, 3.0, 1e-12);
    // 500 µs/div (2.5 periods) as 500 kHz x 2500: 400 kHz x 2000 is no rate of the clock.
    EXPECT_EQ(c.rate, 500e3);
    EXPECT_EQ(c.length, 2500);

    // Seen in less than two periods at this rate: no period to go by, about the span it had
    // (40 ms) on a 1-2-5 screen of 5 ms/div.
    in.channels = {{1, 2, Probed(-1, 1, 100), false}};
    c = ChooseSetup(in);
    EXPECT_EQ(c.rate, 40e3);
    EXPECT_EQ(c.length, 2000);
    EXPECT_EQ(c.frequency, 0.0);
    EXPECT_NE(c.text.find("no period"), std::string::npos) << c.text;

    // Faster than five periods at the highest rate: the highest rate.
    in.probeRate = 25e6;
    in.channels = {{1, 2, Probed(-1, 1, 1e6), false}};
    c = ChooseSetup(in);
    EXPECT_EQ(c.rate, 5e6);
}

TEST(AutoSetup, AFlatRecordKeepsTheLevelOnTheSmallestRangeAndTriggersAtIt) {
    AutoInput in;
    in.ranges = {0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};
    in.length = 1000;
    in.probeRate = 25e6;
    in.keptRate = 50e3;
    in.takeRate = [](double wanted) { return wanted; };
    in.channels = {{1, 2, Probed(0.5, 0.5, 0), false}, {2, 2, Probed(0, 0, 0), false}};
    const AutoChoice c = ChooseSetup(in);
    EXPECT_FALSE(c.signal);
    EXPECT_EQ(c.ranges[0].range, 0.8);
    EXPECT_EQ(c.ranges[1].range, 0.2);
    EXPECT_EQ(c.rate, 50e3);
    EXPECT_EQ(c.triggerChannel, 1);
    EXPECT_EQ(c.triggerLevel, 0.5);
    EXPECT_NE(c.text.find("no signal on channel 1 or 2"), std::string::npos) << c.text;
}

}  // namespace
}  // namespace zarvo::analysis
