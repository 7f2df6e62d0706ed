// SPDX-License-Identifier: MIT
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "sim/sim.h"

namespace zarvo {

std::unique_ptr<Platform> CreatePlatform() {
    const char* sim = std::getenv("ZARVO_SIM");
    if (sim != nullptr && *sim != '\0') return sim::CreateSimPlatform(sim, CreateHostPlatform());
    return CreateHostPlatform();
}

}  // namespace zarvo
