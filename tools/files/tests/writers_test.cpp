// SPDX-License-Identifier: MIT
// The record writers: CSV rows from the trigger point, the SVG plot and its legend.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tools/files/csv_file.h"
#include "tools/files/svg_file.h"

namespace zarvo::files {
namespace {

core::Record TwoChannelRecord() {
    core::Record r;
    r.sampleRate = 1000.0;
    r.preSamples = 2;
    r.traces.push_back(core::Trace{1, 2.0, {0.0, 0.5, 1.0, -0.5, -1.0}});
    r.traces.push_back(core::Trace{2, 8.0, {1.0, 2.0, 3.0, 4.0, 5.0}});
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
    core::Record record = TwoChannelRecord();
    record.trigger = core::TriggerInfo{"ch1", false, 1, 0.5};
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
    // Five samples at 1.25 kHz span 4 ms: the graticule spans them at 400 µs/div.
    record.sampleRate = 1250;
    std::ostringstream record4ms;
    WriteSvg(record4ms, record, PlotOptions{true});
    EXPECT_NE(record4ms.str().find(">time 400 \xC2\xB5s/div"), std::string::npos);
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

}  // namespace
}  // namespace zarvo::files
