// SPDX-License-Identifier: MIT
// A machine for benchmarks and tests of the driver on the simulated instrument: the fake
// platform with the instrument on LPT1 behind its port, signal time following the fake clock,
// and the component built on it (not yet started).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "instrument/zarvo.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace zarvo::testing {

struct SimRig {
    explicit SimRig(const sim::SimConfig& config = sim::SimConfig{})
        : dev(config, [this] { return std::int64_t{fp.clock} * 1'000'000; }) {
        fp.family = PlatformFamily::Other;
        fp.portAddresses = {{"LPT1", 0x378}};
        fp.port.SetInner(&dev);
        fp.port.recording = false;
        z = std::make_unique<TZarvo>(fp);
    }

    // The port operations one call of `work` makes.
    template <typename Work>
    std::size_t CountPortOps(Work&& work) {
        fp.port.Clear();
        fp.port.recording = true;
        work();
        fp.port.recording = false;
        const std::size_t ops = fp.port.ops.size();
        fp.port.Clear();
        return ops;
    }

    FakePlatform fp;
    sim::SimInstrument dev;
    std::unique_ptr<TZarvo> z;
};

}  // namespace zarvo::testing
