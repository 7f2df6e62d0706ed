// The tool's building blocks: figures of a record, CSV and SVG output, status words.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "tools/record.h"
#include "tools/stats.h"
#include "tools/status.h"
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
    EXPECT_EQ(Analyse(v, 1e6).frequency, 0.0);
    EXPECT_EQ(Analyse({}, 1e6).rms, 0.0);
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

TEST(Record, SvgMarksTheTriggerAndLabelsTheAxes) {
    std::ostringstream out;
    WriteSvg(out, TwoChannelRecord());
    const std::string svg = out.str();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("time (ms), trigger at 0"), std::string::npos);
    EXPECT_NE(svg.find("voltage (V)"), std::string::npos);
    EXPECT_NE(svg.find(">trigger<"), std::string::npos);
    // Two traces, and the document closes.
    std::size_t traces = 0;
    for (std::size_t at = svg.find("<polyline"); at != std::string::npos;
         at = svg.find("<polyline", at + 1)) {
        ++traces;
    }
    EXPECT_EQ(traces, 2u);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

TEST(Record, PreviewDrawsEachTraceInsideTheFrame) {
    const std::string picture = Preview(TwoChannelRecord(), 20, 9);
    std::istringstream rows(picture);
    std::string row;
    int count = 0;
    while (std::getline(rows, row)) {
        ++count;
        EXPECT_EQ(row.size(), 22u);
        EXPECT_EQ(row.front(), '|');
        EXPECT_EQ(row.back(), '|');
    }
    EXPECT_EQ(count, 9);
    EXPECT_NE(picture.find('*'), std::string::npos);
    EXPECT_NE(picture.find('o'), std::string::npos);
    EXPECT_TRUE(Preview(Record{}, 20, 9).empty());
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
