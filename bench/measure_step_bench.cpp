// One idle step of the measurement state machine: armed, waiting for a trigger that does not
// come (a level the input never reaches, no time-out), so the step reads the trigger and ready
// status and returns. This is what every 6 ms timer tick costs while the instrument waits.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "instrument/zarvo.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace zarvo {
namespace {

void IdleMeasureStep(benchmark::State& state) {
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
    z->SetChannelTrigLevel(1, 255);  // the 1 V sine on the 8 V range never gets there
    z->Set_rTrigTimeOut(-1);         // and nothing forces the trigger
    z->Set_amAcquisitionMode(amContinuous);
    // The first steps program the front end and arm.
    for (int i = 0; i < 3; ++i) z->MeasureStep();
    fp.port.Clear();
    fp.port.recording = true;
    z->MeasureStep();
    fp.port.recording = false;
    const auto ops = static_cast<double>(fp.port.ops.size());
    fp.port.Clear();
    for (auto _ : state) z->MeasureStep();
    if (!z->FArmed || z->FRunDone) state.SkipWithError("the step did not stay armed and idle");
    state.counters["port_ops"] = ops;
}
BENCHMARK(IdleMeasureStep);

}  // namespace
}  // namespace zarvo

BENCHMARK_MAIN();
