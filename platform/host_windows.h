// SPDX-License-Identifier: MIT
// The pieces of the Windows host platform: direct port instructions, hidden windows owned by
// the calling thread, the window timer and the device-change receiver.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/platform.h"

namespace zarvo::win {

// Byte-wide port access by the x86 in and out instructions, executed by this process.
//
// On the NT family the processor refuses these instructions unless a port-access driver has
// given the process I/O permission, and the refusal is an exception that ends the program.
// So the instructions run only once access is known to be allowed; until then a write is
// dropped and a read gives 0xFF, as an undriven bus reads, and a caller that forgot to check
// the driver finds nothing instead of crashing the application.
class DirectPort final : public PortBackend {
public:
    void SetAllowed(bool allowed) { allowed_ = allowed; }
    bool Allowed() const { return allowed_; }

    void Out(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t In(std::uint16_t port) override;

private:
    bool allowed_ = false;
};

// A window that is never shown and exists only to receive messages. Its messages are
// delivered by the message loop of the thread that created it, and it must be destroyed on
// that thread. Creation can fail (no desktop for a top-level window); Valid() says so.
class HiddenWindow {
public:
    // Returns true when it handled the message and set result; false passes it on to the
    // default window procedure.
    using Handler =
        std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    // messageOnly: a message-only window (parent HWND_MESSAGE), which is always possible but
    // receives no broadcasts; otherwise a hidden top-level window.
    HiddenWindow(bool messageOnly, Handler handler);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    bool Valid() const { return hwnd_ != nullptr; }
    HWND Handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    HWND hwnd_ = nullptr;
};

// The component's periodic timer: a window timer on a message-only window of the calling
// thread, so ticks arrive only while that thread dispatches messages and never while it runs
// anything else. A tick that comes while the previous one is still running (its handler
// showed a message box, which dispatches messages) is dropped.
std::unique_ptr<Timer> CreateWindowTimer(TimerHandler handler);

// The hidden window that receives device-change messages: 0x0219 (WM_DEVICECHANGE) is
// accepted and ignored; 0x040D (WM_USER + 13, a device arrived) calls onArrived. Production
// uses a top-level window, because device-change broadcasts only reach top-level windows;
// tests may ask for a message-only one.
class DeviceMessageReceiver final : public DeviceReceiver {
public:
    DeviceMessageReceiver(std::function<void()> onArrived, bool messageOnly);

    bool Valid() const { return window_.Valid(); }
    HWND Handle() const { return window_.Handle(); }

private:
    bool OnMessage(UINT message, LRESULT& result);

    std::function<void()> onArrived_;
    HiddenWindow window_;  // last: destroyed first, before the callback it calls
};

// The production receiver, or nullptr when the window cannot be made (no desktop).
std::unique_ptr<DeviceReceiver> CreateDeviceMessageReceiver(std::function<void()> onArrived);

// Message numbers the receiver reacts to.
inline constexpr UINT kDeviceChangeMessage = 0x0219;
inline constexpr UINT kDeviceArrivedMessage = WM_USER + 13;  // 0x040D

}  // namespace zarvo::win
