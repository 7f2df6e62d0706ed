// SPDX-License-Identifier: MIT
#include "platform/polled_timer.h"

#include <utility>

namespace zarvo {

PolledTimer::PolledTimer(TimerHandler handler, std::function<std::uint32_t()> tick)
    : handler_(std::move(handler)), tick_(std::move(tick)) {}

void PolledTimer::SetEnabled(bool enabled) {
    // Enabling starts a fresh interval, as a window timer does.
    if (enabled && !enabled_) lastTick_ = tick_();
    enabled_ = enabled;
}

bool PolledTimer::Poll() {
    if (!enabled_ || running_ || !handler_) return false;
    const std::uint32_t now = tick_();
    // Unsigned difference: right across a wrap of the tick counter.
    if (static_cast<std::uint32_t>(now - lastTick_) < intervalMs_) return false;
    lastTick_ = now;
    running_ = true;
    handler_();
    running_ = false;
    return true;
}

}  // namespace zarvo
