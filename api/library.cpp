// SPDX-License-Identifier: MIT
#include "api/library.h"

#include "include/zarvo.h"

namespace zarvo::api {

namespace {
// Made on first use and freed by the unload hook, not by the C++ runtime: it must outlive every
// other static that might still call an export while the process ends. An export called after
// the unload hook (a late static of the application) gets a fresh, empty state.
LibraryState* g_state = nullptr;
}  // namespace

LibraryState& Lib() {
    if (g_state == nullptr) g_state = new LibraryState();
    return *g_state;
}

void LibraryLoad() {
    LibraryState& lib = Lib();
    lib.DeviceReceiver.reset();
    lib.EventHandler.reset();
    lib.Instrument.reset();
    lib.platform.reset();
    lib = LibraryState{};
}

void LibraryUnload() {
    ExitInstrument();
    // An unloaded library's memory would otherwise stay allocated for good, once per load.
    delete g_state;
    g_state = nullptr;
}

TZarvo* FoundInstrument() {
    TZarvo* z = Lib().Instrument.get();
    return (z != nullptr && z->FInstrumentFound) ? z : nullptr;
}

CallScope::CallScope() : platform_(Lib().platform.get()) {
    if (platform_ != nullptr) platform_->BeginCall();
}

CallScope::~CallScope() {
    // The export may have destroyed the platform (ExitInstrument).
    if (platform_ != nullptr && Lib().platform.get() == platform_) platform_->EndCall();
}

double ScaleOf(const TZarvo& z, int ch) {
    return static_cast<double>(z.GetChannelSensitivity(ch)) / 32768.0;
}

#if !defined(_WIN32)
// Load and unload hooks of the shared object (Windows runs them from DllMain).
__attribute__((constructor)) static void OnLibraryLoad() {
    LibraryLoad();
}
__attribute__((destructor)) static void OnLibraryUnload() {
    LibraryUnload();
}
#endif

}  // namespace zarvo::api
