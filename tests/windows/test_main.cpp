// SPDX-License-Identifier: MIT
// Entry point of the Windows test programs. All cases of a program run in this one process:
// starting a Windows program under wine costs seconds, and far more on a machine that
// emulates 32-bit code.
//
// The simulated instrument claims its parallel port through a lock file in the temporary
// folder, as a real port is held by one process of the machine at a time. Each program gets a
// temporary folder of its own, so that programs running side by side never find each other's
// port busy.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string MakePrivateTemporaryFolder() {
    char base[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(MAX_PATH + 1, base);
    if (n == 0 || n > MAX_PATH) return {};
    std::string folder = std::string(base, n) + "zarvo-test-" +
                         std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(GetTickCount());
    if (!CreateDirectoryA(folder.c_str(), nullptr)) return {};
    // GetTempPath, which the library and the tests use, reads TMP first, then TEMP.
    if (!SetEnvironmentVariableA("TMP", folder.c_str()) ||
        !SetEnvironmentVariableA("TEMP", folder.c_str())) {
        return {};
    }
    return folder;
}

// A crash is a failed run, reported at once. Without this, wine starts its debugger on an
// unhandled exception; under emulation that takes minutes and holds the program's output open,
// so the test runner waits until its time-out instead of reporting the failure.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p\n",
                 exception->ExceptionRecord->ExceptionCode,
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((folder + "\\" + entry.cFileName).c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ReportCrash);
    ::testing::InitGoogleTest(&argc, argv);
    const std::string folder = MakePrivateTemporaryFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "cannot make a temporary folder of this program's own (error %lu)\n",
                     GetLastError());
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    RemoveFolder(folder);
    return result;
}
