// SPDX-License-Identifier: MIT
// The driver's calibration read on the simulated instrument: the 108 random EEPROM reads of
// start-up (tables A and B of three channels, nine ranges, two bytes each), every line change
// a register write on the instrument bus. Reports the port operations of one whole read and of
// one byte.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "support/sim_rig.h"

namespace zarvo {
namespace {

constexpr int kBytesRead = 3 * 2 * 9 * 2;

void CalibrationRead(benchmark::State& state) {
    testing::SimRig rig;
    TZarvo* z = rig.z.get();
    if (!z->StartInstrument()) {
        state.SkipWithError("the simulated instrument was not detected");
        return;
    }
    const auto ops = static_cast<double>(rig.CountPortOps([z] { z->ReadCalibration(); }));
    for (auto _ : state) {
        z->ReadCalibration();
        benchmark::DoNotOptimize(z->FCalOffset[1][1]);
    }
    if (z->FCalOffset[1][1] != 512) state.SkipWithError("the calibration read gave wrong values");
    state.counters["port_ops"] = ops;
    state.counters["port_ops_per_byte"] = ops / kBytesRead;
    state.counters["time_per_byte"] = benchmark::Counter(
        kBytesRead, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(CalibrationRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvo

BENCHMARK_MAIN();
