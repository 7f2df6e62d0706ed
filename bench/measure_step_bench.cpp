// SPDX-License-Identifier: MIT
// One idle step of the measurement state machine: armed, waiting for a trigger that does not
// come (a level the input never reaches, no time-out), so the step reads the trigger and ready
// status and returns. This is what every 6 ms timer tick costs while the instrument waits.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "support/sim_rig.h"

namespace zarvo {
namespace {

void IdleMeasureStep(benchmark::State& state) {
    testing::SimRig rig;
    TZarvo* z = rig.z.get();
    if (!z->StartInstrument()) {
        state.SkipWithError("the simulated instrument was not detected");
        return;
    }
    z->SetChannelTrigLevel(1, 255);  // the 1 V sine on the 8 V range never gets there
    z->Set_rTrigTimeOut(-1);         // and nothing forces the trigger
    z->Set_amAcquisitionMode(amContinuous);
    // The first steps program the front end and arm.
    for (int i = 0; i < 3; ++i) z->MeasureStep();
    const auto ops = static_cast<double>(rig.CountPortOps([z] { z->MeasureStep(); }));
    for (auto _ : state) z->MeasureStep();
    if (!z->FArmed || z->FRunDone) state.SkipWithError("the step did not stay armed and idle");
    state.counters["port_ops"] = ops;
}
BENCHMARK(IdleMeasureStep);

}  // namespace
}  // namespace zarvo

BENCHMARK_MAIN();
