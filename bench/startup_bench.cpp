// SPDX-License-Identifier: MIT
// The whole start-up on the simulated instrument: port discovery, detection through the
// EEPROM marker, model and serial number, the memory fill, the 108-byte calibration read and
// the relay programming, then the shutdown. Busy-waits run on the test platform's clock,
// which advances with every reading, so the time measured is the driver's own work per port
// operation; the counters report how many port operations one start-up takes.
#include <benchmark/benchmark.h>

#include <string>

#include "hardware/port_discovery.h"
#include "instrument/zarvo.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace {

using namespace zarvo;

void Startup(benchmark::State& state, PlatformFamily family) {
    testing::FakePlatform platform;
    platform.family = family;
    sim::SimConfig config;  // an instrument on LPT1
    sim::SimInstrument instrument(
        config, [&platform] { return static_cast<std::int64_t>(platform.clock) * 1'000'000; });
    platform.port.SetInner(&instrument);
    for (int n = 1; n <= 3; ++n) {
        platform.portAddresses["LPT" + std::to_string(n)] = sim::LptBase(n);
    }

    std::size_t writes = 0;
    std::size_t reads = 0;
    bool found = true;
    for (auto _ : state) {
        ResetLptAddressTable();
        platform.port.Clear();
        TZarvo z(platform);
        found = z.StartInstrument() && found;
        z.StopInstrument();
        writes = 0;
        reads = 0;
        for (const PortOp& op : platform.port.ops) (op.write ? writes : reads)++;
    }
    if (!found) state.SkipWithError("the simulated instrument was not found");
    state.counters["port_ops"] = static_cast<double>(writes + reads);
    state.counters["port_writes"] = static_cast<double>(writes);
    state.counters["port_reads"] = static_cast<double>(reads);
    state.counters["port_ops_per_s"] = benchmark::Counter(
        static_cast<double>(writes + reads), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(Startup, recorded_addresses, PlatformFamily::Other)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Startup, nt_probing, PlatformFamily::NT)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
