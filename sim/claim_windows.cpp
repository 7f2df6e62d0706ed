// SPDX-License-Identifier: MIT
#include <windows.h>

#include "sim/claim.h"

namespace zarvo::sim {

std::intptr_t LockFileExclusive(const std::string& path) {
    // Share mode 0: every other open of the file fails until this handle is closed, in this
    // process or another.
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    return reinterpret_cast<std::intptr_t>(h);
}

void UnlockFile(std::intptr_t lock) {
    if (lock == -1) return;
    ::CloseHandle(reinterpret_cast<HANDLE>(lock));
}

std::string TemporaryDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathA(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return ".\\";
    std::string dir(buffer, n);
    if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
    return dir;
}

std::string UserTag() {
    return {};
}  // the temporary directory is per user already

}  // namespace zarvo::sim
