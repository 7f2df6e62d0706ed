// SPDX-License-Identifier: MIT
// DLL.dll as the Windows loader presents it to applications: module name, names and ordinals.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "dll_support.h"

namespace zarvo_test {
namespace {

TEST(DllExports, LoadsWithNothingButSystemDlls) {
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr) << "LoadLibrary(DLL.dll) failed: " << GetLastError();
    // The compiler's runtime DLLs are not in the wine prefix or beside the program; the DLL
    // must not have pulled them in.
    for (const char* runtime :
         {"libstdc++-6.dll", "libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"}) {
        EXPECT_EQ(GetModuleHandleA(runtime), nullptr) << runtime;
    }
}

TEST(DllExports, EveryOrdinalResolvesToTheExportOfItsName) {
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    for (const ExportEntry& e : kExports) {
        SCOPED_TRACE(e.name);
        FARPROC byName = dll.Proc(e.name);
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(dll.Ordinal(e.ordinal), byName) << "ordinal " << e.ordinal;
    }
}

TEST(DllExports, EmptySlotsAndOrdinalsOutsideTheTableDoNotResolve) {
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    for (int ordinal : kEmptyOrdinals) {
        EXPECT_EQ(dll.Ordinal(ordinal), nullptr) << "ordinal " << ordinal;
    }
    EXPECT_EQ(dll.Ordinal(kLastOrdinal + 1), nullptr);
    // The stdcall decoration must not leak into the names.
    EXPECT_EQ(dll.Proc("InitInstrument@4"), nullptr);
    EXPECT_EQ(dll.Proc("_InitInstrument@4"), nullptr);
    EXPECT_EQ(dll.Proc("DllMain"), nullptr);
}

// The export directory read straight from the loaded image.
TEST(DllExports, ExportDirectoryNamesTheModuleAndOnlyTheApi) {
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    const auto* base = reinterpret_cast<const unsigned char*>(dll.Module());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);

    EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "DLL.dll");
    EXPECT_EQ(exports->Base, static_cast<DWORD>(kFirstOrdinal));
    ASSERT_EQ(exports->NumberOfFunctions, static_cast<DWORD>(kLastOrdinal));
    ASSERT_EQ(exports->NumberOfNames, static_cast<DWORD>(kExportCount));

    const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    for (int ordinal : kEmptyOrdinals) {
        EXPECT_EQ(functions[ordinal - kFirstOrdinal], 0u) << "slot " << ordinal;
    }

    std::set<std::string> expected;
    for (const ExportEntry& e : kExports) expected.insert(e.name);
    std::set<std::string> named;
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* nameOrdinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const char* name = reinterpret_cast<const char*>(base + names[i]);
        named.insert(name);
        // The name's slot holds the same ordinal as the table.
        for (const ExportEntry& e : kExports) {
            if (std::strcmp(e.name, name) == 0) {
                EXPECT_EQ(nameOrdinals[i] + exports->Base, static_cast<DWORD>(e.ordinal)) << name;
            }
        }
    }
    EXPECT_EQ(named, expected);
}

}  // namespace
}  // namespace zarvo_test
