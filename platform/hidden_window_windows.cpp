// SPDX-License-Identifier: MIT
#include <utility>

#include "platform/host_windows.h"

namespace zarvo::win {

namespace {

constexpr const char* kClassName = "ZarvoHiddenWindow";

// The module this code lives in (DLL.dll, or a program that links the core directly): window
// classes belong to a module.
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// The class is registered while at least one window of it exists and unregistered with the
// last one: Windows does not unregister a DLL's classes when the DLL is unloaded, and a class
// left behind would point at a window procedure that is gone after a reload. All windows are
// made and destroyed on the thread that calls the exports, so a plain count suffices.
int classUsers = 0;

bool AcquireClass(WNDPROC windowProc) {
    if (classUsers == 0) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = windowProc;
        wc.hInstance = ThisModule();
        wc.lpszClassName = kClassName;
        if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return false;
        }
    }
    ++classUsers;
    return true;
}

void ReleaseClass() {
    if (--classUsers == 0) UnregisterClassA(kClassName, ThisModule());
}

}  // namespace

HiddenWindow::HiddenWindow(bool messageOnly, Handler handler) : handler_(std::move(handler)) {
    if (!AcquireClass(&HiddenWindow::WindowProc)) return;
    const HWND parent = messageOnly ? HWND_MESSAGE : nullptr;
    hwnd_ = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 0, 0, parent, nullptr, ThisModule(),
                            nullptr);
    if (hwnd_ == nullptr) {
        ReleaseClass();
        return;
    }
    // The object is attached only now that the handle is known; messages sent during
    // creation go to the default procedure.
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HiddenWindow::~HiddenWindow() {
    if (hwnd_ == nullptr) return;
    // Detach first: whatever arrives while the window is torn down reaches no dead object.
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    ReleaseClass();
}

LRESULT CALLBACK HiddenWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HiddenWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr && self->handler_) {
        LRESULT result = 0;
        // No C++ exception may unwind through the system's message dispatch: a handler that
        // throws is abandoned there and the message goes to the default procedure.
        try {
            if (self->handler_(message, wParam, lParam, result)) return result;
        } catch (...) {
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace zarvo::win
