// PLACEHOLDER: deleted when the simulated instrument lands.
#include "sim/sim.h"
namespace zarvo::sim {
std::unique_ptr<Platform> CreateSimPlatform(const std::string&, std::unique_ptr<Platform> host) {
    return host;
}
}  // namespace zarvo::sim
