// The tool's building blocks: figures of a record, CSV and SVG output, status words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "tools/analysis/auto_setup.h"
#include "tools/core/record.h"
#include "tools/analysis/stats.h"
#include "tools/core/status.h"
#include "zarvo.h"

namespace zarvo::cli {
namespace {

std::vector<double> Sine(double hz, double amplitude, double offset, double rate, int n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        v[static_cast<std::size_t>(i)] =
            offset + amplitude * std::sin(2 * std::numbers::pi * hz * i / rate);
    }
    return v;
}

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
    const double periods = 2000 * 1234 / c.rate;
    EXPECT_GE(periods, 2.0);
    EXPECT_LE(periods, 5.0);
    EXPECT_EQ(c.triggerChannel, 1);
    EXPECT_NEAR(c.triggerLevel, 0.0, 1e-12);
    EXPECT_NEAR(c.triggerHysteresis, 0.34, 1e-9);
    EXPECT_NE(c.text.find("1.234 kHz on channel 1"), std::string::npos) << c.text;

    // The larger of two periodic swings takes the trigger, at the middle of its swing.
    in.channels = {{1, 2, Probed(-1, 1, 1000), false}, {2, 8, Probed(0, 6, 500), false}};
    c = ChooseSetup(in);
    EXPECT_EQ(c.triggerChannel, 2);
    EXPECT_NEAR(c.triggerLevel, 3.0, 1e-12);
    EXPECT_NEAR(2000 * 500 / c.rate, 3.0, 0.1);

    // Seen in less than two periods at this rate: no period to go by, the rate stays.
    in.channels = {{1, 2, Probed(-1, 1, 100), false}};
    c = ChooseSetup(in);
    EXPECT_EQ(c.rate, 50e3);
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

Record TwoChannelRecord() {
    Record r;
    r.sampleRate = 1000.0;
    r.preSamples = 2;
    r.traces.push_back(Trace{1, 2.0, {0.0, 0.5, 1.0, -0.5, -1.0}});
    r.traces.push_back(Trace{2, 8.0, {1.0, 2.0, 3.0, 4.0, 5.0}});
    return r;
}

TEST(Record, CsvHasTimeFromTheTriggerAndOneColumnPerChannel) {
    std::ostringstream out;
    WriteCsv(out, TwoChannelRecord());
    EXPECT_EQ(out.str(),
              "time_s,ch1_V,ch2_V\n"
              "-0.002,0,1\n"
              "-0.001,0.5,2\n"
              "0,1,3\n"
              "0.001,-0.5,4\n"
              "0.002,-1,5\n");
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Record, SvgHasRoundTicksAndMarksTheTrigger) {
    Record record = TwoChannelRecord();
    record.trigger = TriggerInfo{"ch1", false, 1, 0.5};
    std::ostringstream out;
    WriteSvg(out, record);
    const std::string svg = out.str();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    // -2 .. 2 ms at 0.5 ms steps; -8 .. 8 V at 2 V steps.
    for (const char* tick : {">-2.0<", ">-0.5<", ">0.0<", ">1.5<", ">2.0<", ">-8<", ">6<"}) {
        EXPECT_EQ(Count(svg, tick), 1u) << tick;
    }
    EXPECT_NE(svg.find("time (ms), trigger at 0"), std::string::npos);
    EXPECT_NE(svg.find("voltage (V)"), std::string::npos);
    EXPECT_NE(svg.find(">trigger<"), std::string::npos);
    EXPECT_NE(svg.find(">level 500 mV<"), std::string::npos);
    EXPECT_NE(svg.find(">trigger: ch1 rising at 500 mV<"), std::string::npos);
    EXPECT_EQ(Count(svg, "<polyline"), 2u);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);

    std::ostringstream screen;
    WriteSvg(screen, record, PlotOptions{true});
    for (const char* label : {">channel 1: 500 mV/div (2 V range)<",
                              ">channel 2: 2 V/div (8 V range)<", ">time 500 \xC2\xB5s/div"}) {
        EXPECT_NE(screen.str().find(label), std::string::npos) << label;
    }
}

TEST(Record, LegendBoxesNeverOverlap) {
    const std::vector<std::string> labels = {
        "channel 1 (2 V range)", "channel 2: 200 mV/div (800 mV range)", "x",
        std::string(150, 'w'),   "trigger: ch1 rising at 500 mV",        "channel 2 (80 V range)"};
    for (double width : {120.0, 400.0, 790.0}) {
        const std::vector<LegendBox> boxes = LayoutLegend(labels, 80, 10, width);
        ASSERT_EQ(boxes.size(), labels.size());
        for (std::size_t a = 0; a < boxes.size(); ++a) {
            EXPECT_GT(boxes[a].width, 7.0 * static_cast<double>(labels[a].size()));
            for (std::size_t b = a + 1; b < boxes.size(); ++b) {
                const LegendBox& p = boxes[a];
                const LegendBox& q = boxes[b];
                const bool apart = p.x + p.width <= q.x || q.x + q.width <= p.x ||
                                   p.y + p.height <= q.y || q.y + q.height <= p.y;
                EXPECT_TRUE(apart) << width << ": '" << labels[a] << "' and '" << labels[b] << "'";
            }
        }
    }
}

TEST(Record, PreviewOfASmallSineInALargeRangeShowsBothPeaks) {
    Record record;
    record.sampleRate = 1e6;
    record.traces.push_back(Trace{1, 8.0, Sine(2000.0, 1.0, 0.0, 1e6, 1000)});
    record.traces.push_back(Trace{2, 8.0, std::vector<double>(1000, 0.25)});
    std::istringstream picture(Preview(record, 60, 12));
    std::vector<std::string> rows;
    for (std::string row; std::getline(picture, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 14u);  // 12 rows of trace, the time span, the key
    EXPECT_EQ(rows.front().rfind(" 1 V |", 0), 0u) << rows.front();
    EXPECT_EQ(rows[11].rfind("-1 V |", 0), 0u) << rows[11];
    EXPECT_GE(Count(rows.front(), "*"), 2u) << "both positive peaks at the top";
    EXPECT_GE(Count(rows[11], "*"), 2u) << "both negative peaks at the bottom";
    for (std::size_t r = 0; r < 12; ++r) EXPECT_EQ(rows[r].size(), 60u) << r;
    EXPECT_NE(rows[4].find('o'), std::string::npos) << "channel 2 at 0.25 V";
    EXPECT_NE(rows[12].find("0 s"), std::string::npos);
    EXPECT_NE(rows[12].find("999 \xC2\xB5s"), std::string::npos) << rows[12];
    EXPECT_TRUE(Preview(Record{}, 60, 12).empty());
}

TEST(Status, EveryCodeHasItsNameAndAMeaning) {
    const struct {
        std::uint16_t code;
        const char* name;
    } codes[] = {{RC_OK, "RC_OK"},
                 {RC_NO_INSTRUMENT, "RC_NO_INSTRUMENT"},
                 {RC_NOT_INITIALISED, "RC_NOT_INITIALISED"},
                 {RC_UNAVAILABLE, "RC_UNAVAILABLE"},
                 {RC_GENERATOR_ABSENT, "RC_GENERATOR_ABSENT"},
                 {RC_BAD_CHANNEL, "RC_BAD_CHANNEL"},
                 {RC_BAD_VALUE, "RC_BAD_VALUE"}};
    for (const auto& c : codes) {
        EXPECT_EQ(StatusName(c.code), c.name);
        EXPECT_FALSE(StatusMeaning(c.code).empty());
    }
    EXPECT_EQ(StatusName(3), "unknown status 3");
    EXPECT_NO_THROW(Check(RC_OK, "X"));
    try {
        Check(RC_BAD_CHANNEL, "SetCoupling");
        FAIL() << "Check must throw on a failing status";
    } catch (const ToolError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "SetCoupling failed: no such channel on this instrument (RC_BAD_CHANNEL)");
    }
}

}  // namespace
}  // namespace zarvo::cli
