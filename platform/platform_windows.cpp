// SPDX-License-Identifier: MIT
// The Windows host: direct port instructions, the system tick, the giveio port-access
// driver check, message boxes, device claims by name, the configuration-manager port lookup,
// registered window messages, and a window timer and device-change window on the thread that
// starts the instrument.
#include <utility>

#include "hardware/port_discovery.h"
#include "platform/host_windows.h"

namespace zarvo {

namespace {

// Caption of the library's message boxes.
constexpr const char* kMessageCaption = "Zarvo";

class WindowsPlatform final : public Platform {
public:
    // The consumer family lets every application execute port instructions; the NT family
    // only after the port-access driver has been opened.
    WindowsPlatform() { port_.SetAllowed(Family() != PlatformFamily::NT); }

    PortBackend& Port() override { return port_; }

    std::uint32_t TickMs() override { return GetTickCount(); }

    void SleepMs(std::uint32_t ms) override { Sleep(ms); }

    PlatformFamily Family() override {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof(info);
        if (!GetVersionExA(&info)) return PlatformFamily::Other;
        switch (info.dwPlatformId) {
            case VER_PLATFORM_WIN32_WINDOWS:
                return PlatformFamily::Consumer;
            case VER_PLATFORM_WIN32_NT:
                return PlatformFamily::NT;
            default:
                return PlatformFamily::Other;
        }
    }

    // The giveio driver grants I/O permission to the process that opens its device, for the
    // rest of the process's life; whether the open succeeds is all that is asked of it.
    bool PortDriverAvailable() override {
        HANDLE device = CreateFileA("\\\\.\\giveio", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) return false;
        CloseHandle(device);
        port_.SetAllowed(true);
        return true;
    }

    // Modal for the whole thread; returns when the user has dismissed it.
    void ShowMessage(const std::string& text) override {
        MessageBoxA(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_TASKMODAL);
    }

    // No access rights and no sharing: the open both tests that the device exists and holds
    // it against every other opener until it is closed.
    DeviceHandle OpenDevice(const std::string& name) override {
        HANDLE device = CreateFileA(name.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE || device == nullptr) return 0;
        return reinterpret_cast<DeviceHandle>(device);
    }

    void CloseDevice(DeviceHandle handle) override {
        if (handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
    }

    std::uint64_t FindPortAddress(const std::string& name) override {
        return FindPortAddressWindows(name);
    }

    std::uint32_t RegisterMessage(const std::string& name) override {
        return RegisterWindowMessageA(name.c_str());
    }

    std::unique_ptr<Timer> CreateTimer(TimerHandler handler) override {
        return win::CreateWindowTimer(std::move(handler));
    }

    std::unique_ptr<DeviceReceiver> CreateDeviceReceiver(std::function<void()> onArrived) override {
        return win::CreateDeviceMessageReceiver(std::move(onArrived));
    }

private:
    win::DirectPort port_;
};

}  // namespace

std::unique_ptr<Platform> CreateHostPlatform() {
    return std::make_unique<WindowsPlatform>();
}

}  // namespace zarvo
