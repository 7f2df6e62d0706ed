// SPDX-License-Identifier: MIT
// The figures' statistics over records and the running average of the last N records.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "tools/analysis/figure_statistics.h"
#include "tools/analysis/record_average.h"

namespace zarvo::analysis {
namespace {

TEST(FigureStatistics, CountMeanExtremesAndSpreadOfWhatTheRecordsShowed) {
    FigureStatistics statistics;
    const std::size_t freq = *FigureNamed("freq");
    const std::size_t max = *FigureNamed("max");
    // Frequencies 990, 1000, 1010 Hz, then a record that showed none (0 Hz), on channel 2.
    for (double hz : {990.0, 1000.0, 1010.0, 0.0}) {
        RecordFigures figures;
        Stats s;
        s.frequency = hz;
        s.max = hz / 1000;
        figures[1] = s;
        statistics.Add(figures);
    }
    EXPECT_EQ(statistics.Records(), 4u);
    const Running& f = statistics.Of(1, freq);
    EXPECT_EQ(f.count, 3u);
    EXPECT_DOUBLE_EQ(f.mean, 1000);
    EXPECT_EQ(f.min, 990);
    EXPECT_EQ(f.max, 1010);
    EXPECT_NEAR(f.Std(), 10, 1e-9);  // sample deviation: sqrt(200 / 2)
    EXPECT_EQ(statistics.Of(1, max).count, 4u);
    EXPECT_EQ(statistics.Of(0, max).count, 0u);  // channel 1 was off
    const auto texts = statistics.Texts();
    EXPECT_EQ(texts["traces"]["ch2"]["freq"]["mean"], "1 kHz");
    EXPECT_FALSE(texts["traces"].contains("ch1"));
    EXPECT_NE(statistics.Table().find("ch2 freq: count 3  mean 1 kHz"), std::string::npos);
    statistics.Reset();
    EXPECT_EQ(statistics.Of(1, freq).count, 0u);
    EXPECT_EQ(StatTraceNamed("CH2"), 1u);
    EXPECT_FALSE(FigureNamed("width"));
}

TEST(RecordAverager, TheMeanOfTheLastNRecordsSampleBySample) {
    RecordAverager averager;
    averager.Configure(3, 2, 4);
    std::vector<std::uint16_t> out(4);
    EXPECT_FALSE(averager.Mean(0, out));  // nothing held yet
    for (std::uint16_t level : {100, 200, 300, 700}) {
        const std::vector<std::uint16_t> a(4, level);
        const std::vector<std::uint16_t> b = {level, 0, 65535, 1};
        const std::array<std::span<const std::uint16_t>, 2> record = {a, b};
        ASSERT_TRUE(averager.Add(record));
    }
    // The first record has left the ring: (200 + 300 + 700) / 3.
    EXPECT_EQ(averager.Held(), 3);
    ASSERT_TRUE(averager.Mean(0, out));
    EXPECT_EQ(out, std::vector<std::uint16_t>(4, 400));
    ASSERT_TRUE(averager.Mean(1, out));
    EXPECT_EQ(out, (std::vector<std::uint16_t>{400, 0, 65535, 1}));
    // A record of another length is refused and changes nothing.
    const std::vector<std::uint16_t> shorter(3, 0);
    const std::array<std::span<const std::uint16_t>, 2> wrong = {shorter, shorter};
    EXPECT_FALSE(averager.Add(wrong));
    EXPECT_EQ(averager.Held(), 3);
    averager.Reset();
    EXPECT_EQ(averager.Held(), 0);
    EXPECT_TRUE(averager.Fits(3, 2, 4));
}

}  // namespace
}  // namespace zarvo::analysis
