// SPDX-License-Identifier: MIT
// The entry point of DLL.dll: runs the library's load and unload hooks and nothing else.
#include <windows.h>
// winbase.h makes FillMemory a macro, which would rewrite the component's method of that name.
#undef FillMemory

#include "api/library.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            // The library keeps no per-thread state.
            DisableThreadLibraryCalls(module);
            zarvo::api::LibraryLoad();
            break;
        case DLL_PROCESS_DETACH:
            // Unloading while an instrument runs shuts it down here, once: the unload hook
            // does nothing when the application already called ExitInstrument.
            zarvo::api::LibraryUnload();
            break;
        default:
            break;
    }
    return TRUE;
}
