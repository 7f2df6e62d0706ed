// SPDX-License-Identifier: MIT
// Decoding a full two-channel record (32,760 samples per channel) of each simulated bus:
// thresholding both lines and reading the frames, as the tool, the view and Python do for
// every record shown.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "sim/signal.h"
#include "sim/sim_config.h"
#include "tools/analysis/decode/decode.h"

namespace {

constexpr std::size_t kSamples = 32760;

struct Bench {
    std::vector<double> ch[2];
    double rate = 0;
};

// The simulated lines sampled as the instrument would (no quantisation: the decoders see
// volts either way), with a little noise so that the thresholds have work to do.
Bench Sampled(const std::string& keys, double rate) {
    std::string error;
    const auto config = zarvo::sim::ParseSimConfig(keys, &error);
    Bench b;
    b.rate = rate;
    if (!config) return b;
    const zarvo::sim::InputSignal* inputs[2] = {&config->ch1, &config->ch2};
    for (int c = 0; c < 2; ++c) {
        const auto wave = zarvo::sim::Waveform::FromInput(*inputs[c], {});
        b.ch[c].resize(kSamples);
        for (std::size_t i = 0; i < kSamples; ++i) {
            const auto t =
                static_cast<std::int64_t>(std::llround(static_cast<double>(i) * 1e9 / rate));
            b.ch[c][i] = wave.At(t) + 0.02 * std::sin(static_cast<double>(i) * 0.7);
        }
    }
    return b;
}

void Decode(benchmark::State& state, const char* keys, double rate, const char* setting) {
    const Bench b = Sampled(keys, rate);
    const auto setup = zarvo::analysis::decode::ParseBusSetup(setting, nullptr);
    zarvo::analysis::decode::Record record;
    record.volts[0] = b.ch[0].data();
    record.volts[1] = b.ch[1].data();
    record.count = kSamples;
    record.rate = b.rate;
    std::size_t frames = 0;
    for (auto _ : state) {
        const auto result = zarvo::analysis::decode::Decode(*setup, record);
        frames = result.frames.size();
        benchmark::DoNotOptimize(result.frames.data());
    }
    state.counters["frames"] = static_cast<double>(frames);
}

BENCHMARK_CAPTURE(Decode, uart_found_baud, "ch1=uart:115200:48656C6C6F0D0A", 2.5e6, "uart")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Decode, i2c, "bus=i2c:100000:50:A55A01", 2.5e6, "i2c")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Decode, spi, "bus=spi:1000000:DEADBEEF", 25e6, "spi")
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
