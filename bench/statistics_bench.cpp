// SPDX-License-Identifier: MIT
// What the station adds to each record for the screen over many records: the statistics of
// every figure (the accumulator alone, and with the figures of both channels and the math
// traces computed first) and the running average of the last N records of sample words.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

#include "tools/analysis/figure_statistics.h"
#include "tools/analysis/record_average.h"

namespace zarvo::analysis {
namespace {

// A 1 kHz sine of 1 V at 1 MHz with a little ripple, in volts.
std::vector<double> SineVolts(std::size_t n, double phase) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / 1e6;
        v[i] = std::sin(2 * std::numbers::pi * 1e3 * t + phase) + 0.01 * std::sin(0.7 * i);
    }
    return v;
}

core::Record TwoChannels(std::size_t n) {
    core::Record record;
    record.sampleRate = 1e6;
    record.traces = {core::Trace{1, 2, SineVolts(n, 0)}, core::Trace{2, 2, SineVolts(n, 1)}};
    return record;
}

void StatisticsAdd(benchmark::State& state) {
    std::vector<double> scratch;
    const RecordFigures figures = FiguresOf(TwoChannels(2000), scratch);
    FigureStatistics statistics;
    for (auto _ : state) {
        statistics.Add(figures);
        benchmark::DoNotOptimize(statistics.Of(0, 5).mean);
    }
}
BENCHMARK(StatisticsAdd)->Unit(benchmark::kMicrosecond);

void FiguresAndStatistics(benchmark::State& state) {
    const core::Record record = TwoChannels(static_cast<std::size_t>(state.range(0)));
    std::vector<double> scratch;
    FigureStatistics statistics;
    for (auto _ : state) {
        statistics.Add(FiguresOf(record, scratch));
        benchmark::DoNotOptimize(statistics.Of(0, 5).mean);
    }
}
BENCHMARK(FiguresAndStatistics)->Arg(1000)->Arg(32760)->Unit(benchmark::kMicrosecond);

void Averaging(benchmark::State& state) {
    const std::size_t n = 32760;
    const int depth = static_cast<int>(state.range(0));
    std::vector<std::uint16_t> words[2] = {std::vector<std::uint16_t>(n),
                                           std::vector<std::uint16_t>(n)};
    for (std::size_t i = 0; i < n; ++i) {
        words[0][i] = static_cast<std::uint16_t>(0x8000 + 256 * (i % 100));
        words[1][i] = static_cast<std::uint16_t>(0x8000 - 256 * (i % 50));
    }
    const std::array<std::span<const std::uint16_t>, 2> record = {words[0], words[1]};
    std::vector<std::uint16_t> mean(n);
    RecordAverager averager;
    averager.Configure(depth, 2, n);
    for (int i = 0; i < depth; ++i) averager.Add(record);  // full: each add replaces one
    for (auto _ : state) {
        averager.Add(record);
        averager.Mean(0, mean);
        averager.Mean(1, mean);
        benchmark::DoNotOptimize(mean.data());
    }
}
BENCHMARK(Averaging)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zarvo::analysis
BENCHMARK_MAIN();
