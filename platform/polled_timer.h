// SPDX-License-Identifier: MIT
// A timer for hosts without a message loop: nothing runs in the background; the owner calls
// Poll() on entry to every export, and at most one tick runs per call, once the interval has
// passed since the previous tick (pending ticks coalesce, as window timer messages do).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"

namespace zarvo {

class PolledTimer final : public Timer {
public:
    PolledTimer(TimerHandler handler, std::function<std::uint32_t()> tick);

    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetInterval(std::uint32_t ms) override { intervalMs_ = ms; }

    // Runs the handler when enabled and due; returns whether it ran.
    bool Poll();

private:
    TimerHandler handler_;
    std::function<std::uint32_t()> tick_;
    std::uint32_t intervalMs_ = 1000;
    std::uint32_t lastTick_ = 0;
    bool enabled_ = false;
    bool running_ = false;
};

}  // namespace zarvo
