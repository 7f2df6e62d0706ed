#include "api/library.h"

#include "include/zarvo.h"

namespace zarvo::api {

LibraryState& Lib() {
    // Never destroyed: the unload hook empties it, and it must outlive every other static
    // that might still call an export while the process ends.
    static LibraryState* state = new LibraryState();
    return *state;
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
