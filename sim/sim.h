// SPDX-License-Identifier: MIT
// The simulated instrument: a software device behind the port seam that answers on the
// parallel-port bus as the hardware does, and a platform that puts it on LPT1..LPT3.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "sim/sim_instrument.h"

namespace zarvo::sim {

// A platform whose ports reach the simulated instrument, configured by the ZARVO_SIM text
// ("1" for all defaults, or comma-separated key=value pairs). Ticks, sleeping, the timer and
// registered messages come from the host platform. A malformed configuration is reported on
// standard error (naming the key) and gives a machine where no instrument answers.
std::unique_ptr<Platform> CreateSimPlatform(const std::string& config,
                                            std::unique_ptr<Platform> host);

// The same with the signal time taken from `clock` (nanoseconds, monotonic) and the port
// claims kept in `claimDirectory` (empty: the temporary directory), for tests.
std::unique_ptr<Platform> CreateSimPlatform(const std::string& config,
                                            std::unique_ptr<Platform> host, SimClock clock,
                                            std::string claimDirectory = {});

}  // namespace zarvo::sim
