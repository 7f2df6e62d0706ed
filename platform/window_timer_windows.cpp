// SPDX-License-Identifier: MIT
#include <utility>

#include "platform/host_windows.h"

namespace zarvo::win {

namespace {

constexpr UINT_PTR kTimerId = 1;
// As the framework timer this replaces: one second until someone sets the interval.
constexpr std::uint32_t kDefaultIntervalMs = 1000;

class WindowTimer final : public Timer {
public:
    explicit WindowTimer(TimerHandler handler)
        : handler_(std::move(handler)),
          window_(true, [this](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
              if (message != WM_TIMER || wParam != kTimerId) return false;
              Tick();
              result = 0;
              return true;
          }) {}

    ~WindowTimer() override {
        if (window_.Valid()) KillTimer(window_.Handle(), kTimerId);
    }

    void SetEnabled(bool enabled) override {
        if (enabled == enabled_) return;
        enabled_ = enabled;
        Apply();
    }

    bool Enabled() const override { return enabled_; }

    // A new interval restarts the period, as with any window timer that is set again.
    void SetInterval(std::uint32_t ms) override {
        if (ms == intervalMs_) return;
        intervalMs_ = ms;
        Apply();
    }

private:
    // The system timer runs only while enabled with a non-zero interval.
    void Apply() {
        if (!window_.Valid()) return;
        if (enabled_ && intervalMs_ > 0) {
            SetTimer(window_.Handle(), kTimerId, intervalMs_, nullptr);
        } else {
            KillTimer(window_.Handle(), kTimerId);
        }
    }

    void Tick() {
        // A WM_TIMER already queued when the timer was switched off is not a tick.
        if (!enabled_ || running_ || !handler_) return;
        running_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{running_};
        handler_();
    }

    TimerHandler handler_;
    std::uint32_t intervalMs_ = kDefaultIntervalMs;
    bool enabled_ = false;
    bool running_ = false;
    HiddenWindow window_;  // last: destroyed first, before the state its messages use
};

}  // namespace

std::unique_ptr<Timer> CreateWindowTimer(TimerHandler handler) {
    // Without its window (the system is out of window resources) the timer never ticks.
    return std::make_unique<WindowTimer>(std::move(handler));
}

}  // namespace zarvo::win
