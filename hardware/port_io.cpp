// SPDX-License-Identifier: MIT
// The millisecond busy-wait and the check that this process may reach the parallel port.
//
// The byte primitives themselves (PortOut, PortIn) are inline in the component: one call into
// the platform's port backend each, with the address cut to its low 16 bits.
#include "instrument/zarvo.h"

namespace zarvo {

void TZarvo::DelayMs(std::uint32_t ms) {
    // The tick counter wraps every 49.7 days; the unsigned difference stays right across the
    // wrap, so a wait started just before it ends on time. The loop neither sleeps nor yields:
    // the callers (port probe, relay settling) need the time to have passed, not the CPU back.
    const std::uint32_t start = FPlatform.TickMs();
    while (static_cast<std::uint32_t>(FPlatform.TickMs() - start) < ms) {
    }
}

bool TZarvo::CheckPortDriver() {
    // The consumer family executes port instructions for any application; every other
    // family needs something granted first (a driver, a privilege or a device).
    if (FPlatform.Family() == PlatformFamily::Consumer) return true;
    if (FPlatform.PortDriverAvailable()) return true;
    const std::string message = FPlatform.MissingPortAccessMessage();
    FPlatform.ShowMessage(message.empty() ? kPortDriverMessage : message);
    return false;
}

}  // namespace zarvo
