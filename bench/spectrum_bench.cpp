// SPDX-License-Identifier: MIT
// The spectrum the live view serves and `zarvo capture --spectrum` writes: one channel's record
// through the window, the real FFT and the conversion to dBV, with the analyser's plan and
// buffers already made (they are kept from one record to the next of the same length).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "tools/analysis/spectrum.h"

namespace zarvo::analysis {
namespace {

// A 1 kHz sine of 1 V at 1 MHz on the 2 V range, as the 8-bit converter gives it in words.
std::vector<std::uint16_t> SineWords(std::size_t n, double scale) {
    std::vector<std::uint16_t> words(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = std::sin(2 * std::numbers::pi * 1e3 * static_cast<double>(i) / 1e6);
        const long code = std::lround(v / scale / 256) * 256;
        words[i] = static_cast<std::uint16_t>(0x8000 + code);
    }
    return words;
}

void Spectrum(benchmark::State& state, Window window) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const double scale = 2.0 / 32768;  // the 2 V range
    const std::vector<std::uint16_t> words = SineWords(n, scale);
    SpectrumAnalyser analyser;
    analysis::Spectrum out;
    analyser.Compute(words, scale, 1e6, window, out);  // the plan, made once per length
    for (auto _ : state) {
        analyser.Compute(words, scale, 1e6, window, out);
        benchmark::DoNotOptimize(out.dBV.data());
    }
    state.counters["fft_length"] = static_cast<double>(SpectrumAnalyser::FftLength(n));
    state.counters["peak_dBV"] = out.peak.dBV;
}

BENCHMARK_CAPTURE(Spectrum, hann, Window::Hann)
    ->Arg(32768)
    ->Arg(32760)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Spectrum, flattop, Window::FlatTop)->Arg(32760)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zarvo::analysis

BENCHMARK_MAIN();
