// SPDX-License-Identifier: MIT
// The tool over many records: monitor's statistics at the end and capture's average.
#include <numbers>

#include "tools/cli/tests/tool_run.h"

namespace {

// A suite of its own: the fixture of this file is not the one of tool_test.cpp.
class OverRecords : public Tool {};

// The RMS of channel 1 less the clean 1 kHz sine of 1 V that starts at the trigger point.
double NoiseRms(const std::vector<std::vector<double>>& columns) {
    double squares = 0;
    for (std::size_t i = 0; i < columns[1].size(); ++i) {
        const double clean = std::sin(2 * std::numbers::pi * 1000 * columns[0][i]);
        squares += (columns[1][i] - clean) * (columns[1][i] - clean);
    }
    return std::sqrt(squares / static_cast<double>(columns[1].size()));
}

TEST_F(OverRecords, MonitorStatsPrintsEachFiguresStatisticsAtTheEnd) {
    const ToolRun run = Zarvo(
        "--simulate=ch1=sine:1000:1,noise=0.05 monitor --count 20 -n 2000 -r 1e6 --range1 2 "
        "--stats");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::size_t table = run.out.find("statistics over 20 records\n");
    ASSERT_NE(table, std::string::npos) << run.out;
    EXPECT_GT(table, run.out.find("record 20"));  // after the last record
    const std::size_t freq = run.out.find("ch1 freq: count 20  mean ", table);
    ASSERT_NE(freq, std::string::npos) << run.out;
    // "mean 1 kHz" or "mean 999.8 Hz": within half a percent.
    const std::string mean = run.out.substr(freq + 25, run.out.find("  min", freq) - freq - 25);
    const double hz = std::stod(mean) * (mean.find("kHz") != std::string::npos ? 1000 : 1);
    EXPECT_NEAR(hz, 1000, 5) << mean;
    EXPECT_NE(run.out.find("ch1 pp: count 20", table), std::string::npos) << run.out;
    // Without --stats there is no table.
    const ToolRun plain = Zarvo("--simulate monitor --count 2 -n 2000");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out.find("statistics"), std::string::npos) << plain.out;
}

TEST_F(OverRecords, CaptureAverageWritesTheMeanOfNRecordsAndRefusesABadN) {
    const std::string one = Temp("one.csv");
    const std::string mean = Temp("mean.csv");
    const std::string sim = "--simulate=ch1=sine:1000:1,noise=0.05 capture -n 2000 -r 1e6 ";
    ASSERT_EQ(Zarvo(sim + "-o " + one).exitCode, 0);
    const ToolRun run = Zarvo(sim + "--average 16 -o " + mean);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const double single = NoiseRms(ReadCsv(Slurp(one), "time_s,ch1_V"));
    const double averaged = NoiseRms(ReadCsv(Slurp(mean), "time_s,ch1_V"));
    EXPECT_GT(single, 0.04);
    EXPECT_LE(averaged, single / 3) << single;
    std::remove(one.c_str());
    std::remove(mean.c_str());

    for (const char* n : {"1", "257"}) {
        // No instrument to open: the option is refused before the tool looks for one.
        const ToolRun bad = Zarvo(std::string("capture --average ") + n + " -o " + mean);
        EXPECT_EQ(bad.exitCode, 2) << n;
        EXPECT_NE(bad.err.find("--average takes 2 to 256 records"), std::string::npos) << bad.err;
    }
}

}  // namespace
