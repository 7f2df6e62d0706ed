// SPDX-License-Identifier: MIT
// Statistics and averaging on the station, against the simulated instrument's noisy sine,
// with settings changed between the records as a person at the page changes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "tools/station/station.h"

namespace zarvo::station {
namespace {

using json = nlohmann::json;

constexpr std::size_t kCh1 = 0;
const std::size_t kFreq = *analysis::FigureNamed("freq");
const std::size_t kMax = *analysis::FigureNamed("max");

class NoisySine : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ZARVO_SIM", "ch1=sine:1000:1,noise=0.05", 1);
        ASSERT_TRUE(station_.Open());
        ASSERT_EQ(station_.Apply({{"ch2.on", false}, {"rate", 1e6}, {"length", 2000}}).outcome,
                  Outcome::Applied);
    }
    void Take(int records) {
        for (int i = 0; i < records; ++i) station_.Step();
    }
    Station station_{Station::Mode::Synchronous};
};

// The RMS of what is left of channel 1 once the best-fitting 1 kHz sine is taken away: the
// noise, whatever the phase at the trigger.
double NoiseRms(const TakenRecord& record) {
    const std::vector<double> v = record.traces.at(0).Volts();
    double ss = 0, cc = 0, sc = 0, vs = 0, vc = 0;
    std::vector<double> s(v.size()), c(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double phase = 2 * std::numbers::pi * 1000 * static_cast<double>(i) / record.rate;
        s[i] = std::sin(phase);
        c[i] = std::cos(phase);
        ss += s[i] * s[i];
        cc += c[i] * c[i];
        sc += s[i] * c[i];
        vs += v[i] * s[i];
        vc += v[i] * c[i];
    }
    const double det = ss * cc - sc * sc;
    const double a = (vs * cc - vc * sc) / det;
    const double b = (vc * ss - vs * sc) / det;
    double squares = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double r = v[i] - a * s[i] - b * c[i];
        squares += r * r;
    }
    return std::sqrt(squares / static_cast<double>(v.size()));
}

TEST_F(NoisySine, FiftyRecordsGiveTheFrequencysStatisticsAndASettingChangeResetsThem) {
    Take(50);
    const analysis::Running freq = station_.Figures().Of(kCh1, kFreq);
    EXPECT_EQ(freq.count, 50u);
    EXPECT_NEAR(freq.mean, 1000, 5);
    EXPECT_LT(freq.Std(), 10);
    EXPECT_LE(freq.min, freq.mean);
    EXPECT_GE(freq.max, freq.mean);
    EXPECT_GT(freq.max, freq.min);  // the noise moves it
    const auto latest = station_.Latest();
    ASSERT_TRUE(latest && latest->statistics);
    EXPECT_EQ((*latest->statistics)["traces"]["ch1"]["freq"]["count"], 50);

    // The range moves: the statistics start again, and say why.
    ASSERT_EQ(station_.Apply({{"ch1.range", 4}}).outcome, Outcome::Applied);
    EXPECT_EQ(station_.Figures().Records(), 0u);
    EXPECT_NE(station_.Figures().Texts()["note"].get<std::string>(), "");
    Take(3);
    EXPECT_EQ(station_.Figures().Of(kCh1, kMax).count, 3u);
    // Stop and Run again are not a change of settings; the Reset button is.
    ASSERT_EQ(station_.Apply({{"acquire", "stop"}}).outcome, Outcome::Applied);
    ASSERT_EQ(station_.Apply({{"acquire", "run"}}).outcome, Outcome::Applied);
    EXPECT_EQ(station_.Figures().Records(), 3u);
    station_.ResetStatistics();
    EXPECT_EQ(station_.Figures().Of(kCh1, kMax).count, 0u);
    // The trend starts again with them, in the columns of the figures log.
    Take(2);
    const std::string csv = station_.Figures().TrendCsv();
    EXPECT_EQ(csv.rfind("time,ch1_min_V,ch1_max_V,", 0), 0u) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
}

TEST_F(NoisySine, AveragingSixteenLeavesAThirdOfTheNoiseAndStartsAgainOnAChange) {
    Take(1);
    const double single = NoiseRms(*station_.Latest());
    EXPECT_GT(single, 0.04);  // the noise is there to average away
    ASSERT_EQ(station_.Apply({{"average", 16}}).outcome, Outcome::Applied);
    Take(5);
    EXPECT_EQ(station_.Latest()->averaged, 5);
    EXPECT_EQ(station_.Latest()->averageOf, 16);
    Take(20);
    const auto averaged = station_.Latest();
    EXPECT_EQ(averaged->averaged, 16);
    EXPECT_LE(NoiseRms(*averaged), single / 3);
    // The figures counted are those of the averaged records: the peak sits near 1 V.
    EXPECT_NEAR(station_.Figures().Of(kCh1, kMax).mean, 1.0, 0.05);

    // A longer record is another average: it starts from one record.
    ASSERT_EQ(station_.Apply({{"length", 3000}}).outcome, Outcome::Applied);
    Take(1);
    EXPECT_EQ(station_.Latest()->averaged, 1);
    EXPECT_EQ(station_.Latest()->size(), 3000u);
    ASSERT_EQ(station_.Apply({{"average", 1}}).outcome, Outcome::Applied);
    Take(1);
    EXPECT_EQ(station_.Latest()->averaged, 0);
    EXPECT_EQ(station_.Apply({{"average", 300}}).outcome, Outcome::Refused);
}

}  // namespace
}  // namespace zarvo::station
