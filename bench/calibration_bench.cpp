// The driver's calibration read on the simulated instrument: the 108 random EEPROM reads of
// start-up (tables A and B of three channels, nine ranges, two bytes each), every line change
// a register write on the instrument bus. Reports the port operations of one whole read and of
// one byte.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "instrument/zarvo.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace zarvo {
namespace {

constexpr int kBytesRead = 3 * 2 * 9 * 2;

void CalibrationRead(benchmark::State& state) {
    testing::FakePlatform fp;
    sim::SimInstrument dev(sim::SimConfig{}, [&fp] { return std::int64_t{fp.clock} * 1'000'000; });
    fp.family = PlatformFamily::Other;
    fp.portAddresses = {{"LPT1", 0x378}};
    fp.port.SetInner(&dev);
    fp.port.recording = false;
    auto z = std::make_unique<TZarvo>(fp);
    if (!z->StartInstrument()) {
        state.SkipWithError("the simulated instrument was not detected");
        return;
    }
    fp.port.Clear();
    fp.port.recording = true;
    z->ReadCalibration();
    fp.port.recording = false;
    const auto ops = static_cast<double>(fp.port.ops.size());
    fp.port.Clear();
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
