// SPDX-License-Identifier: MIT
// Loading DLL.dll as an application does, and calling any export from its table entry.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "export_table.h"
#include "zarvo.h"

namespace zarvo_test {

// Converts a looked-up address to a typed function pointer (through the one function pointer
// type that converts to every other without a warning).
template <class F>
F As(FARPROC address) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
}

class Dll {
public:
    Dll() { Load(); }
    ~Dll() { Unload(); }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    // Every case of a program runs in the same process, and each must start from a freshly
    // loaded library, as an application that loads it does: the previous case's Dll must
    // have unloaded it completely.
    void Load() {
        if (module_ != nullptr) return;
        EXPECT_EQ(GetModuleHandleA("DLL.dll"), nullptr)
            << "DLL.dll is still loaded: this case would not start from a fresh library";
        module_ = LoadLibraryA("DLL.dll");
    }
    void Unload() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }
    HMODULE Module() const { return module_; }

    FARPROC Proc(const char* name) const { return GetProcAddress(module_, name); }
    FARPROC Ordinal(int ordinal) const {
        return GetProcAddress(module_, MAKEINTRESOURCEA(ordinal));
    }
    template <class F>
    F Get(const char* name) const {
        return As<F>(Proc(name));
    }

private:
    HMODULE module_ = nullptr;
};

// A typed pointer to an export, with the prototype of the public header.
#define ZT_EXPORT(dll, name) (dll).Get<decltype(&::name)>(#name)

// The simulated instrument for the next InitInstrument ("1" for its defaults); an empty text
// removes it, so that the real ports are used.
inline void UseSimulatedInstrument(const std::string& config) {
    std::string assignment = "ZARVO_SIM=" + config;
    _putenv(assignment.c_str());
}

// One argument: b, w and i travel as a 32-bit integer, p as a pointer, d as a double.
struct Arg {
    char kind;
    std::uint32_t integer = 0;
    void* pointer = nullptr;
    double real = 0;
};

// Room behind every pointer argument for the largest thing an export writes there: a full
// record of doubles.
inline constexpr std::size_t kArgBufferBytes = 32768 * sizeof(double);

struct ArgBuffers {
    explicit ArgBuffers(unsigned char fill = 0) {
        for (auto& b : bytes) b.assign(kArgBufferBytes, fill);
    }
    std::vector<unsigned char> bytes[4];
};

// Arguments that are valid for every export: channel or value 1 in the low bits of byte and
// word slots (the rest of the slot filled with garbage the export must ignore), 1 for 32-bit
// integers, 1.0 for doubles, and a separate buffer for each pointer.
inline std::vector<Arg> DefaultArgs(const ExportEntry& entry, ArgBuffers& buffers) {
    std::vector<Arg> args;
    int pointers = 0;
    for (const char* k = entry.args; *k != '\0'; ++k) {
        Arg a{*k};
        switch (*k) {
            case 'b':
                a.integer = 0xA5A5A501u;
                break;
            case 'w':
                a.integer = 0xA5A50001u;
                break;
            case 'i':
                a.integer = 1;
                break;
            case 'p':
                a.pointer = buffers.bytes[pointers++].data();
                break;
            case 'd':
                a.real = 1.0;
                break;
        }
        args.push_back(a);
    }
    return args;
}

struct CallResult {
    bool called = false;        // false: the table has a shape this helper does not know
    std::uint32_t integer = 0;  // the integer result, a status masked to 16 bits
    double real = 0;            // the double result
};

// Calls an export through a pointer of its exact calling convention and argument shape.
inline CallResult CallExport(FARPROC address, const ExportEntry& entry, const std::vector<Arg>& a) {
    using U = std::uint32_t;
    using P = void*;
    using D = double;
    CallResult r;
    if (entry.result == 'd') {
        if (std::string(entry.args).empty()) {
            r.real = As<D(ZARVO_CALL*)()>(address)();
            r.called = true;
        }
        return r;
    }
    // Byte, word and 32-bit integer arguments all take one integer slot.
    std::string shape;
    for (const char* k = entry.args; *k != '\0'; ++k) {
        shape += (*k == 'b' || *k == 'w' || *k == 'i') ? 'u' : *k;
    }
    r.called = true;
    if (shape.empty()) {
        r.integer = As<U(ZARVO_CALL*)()>(address)();
    } else if (shape == "u") {
        r.integer = As<U(ZARVO_CALL*)(U)>(address)(a[0].integer);
    } else if (shape == "p") {
        r.integer = As<U(ZARVO_CALL*)(P)>(address)(a[0].pointer);
    } else if (shape == "d") {
        r.integer = As<U(ZARVO_CALL*)(D)>(address)(a[0].real);
    } else if (shape == "uu") {
        r.integer = As<U(ZARVO_CALL*)(U, U)>(address)(a[0].integer, a[1].integer);
    } else if (shape == "ud") {
        r.integer = As<U(ZARVO_CALL*)(U, D)>(address)(a[0].integer, a[1].real);
    } else if (shape == "up") {
        r.integer = As<U(ZARVO_CALL*)(U, P)>(address)(a[0].integer, a[1].pointer);
    } else if (shape == "pp") {
        r.integer = As<U(ZARVO_CALL*)(P, P)>(address)(a[0].pointer, a[1].pointer);
    } else if (shape == "upu") {
        r.integer = As<U(ZARVO_CALL*)(U, P, U)>(address)(a[0].integer, a[1].pointer, a[2].integer);
    } else if (shape == "upp") {
        r.integer = As<U(ZARVO_CALL*)(U, P, P)>(address)(a[0].integer, a[1].pointer, a[2].pointer);
    } else if (shape == "uup") {
        r.integer = As<U(ZARVO_CALL*)(U, U, P)>(address)(a[0].integer, a[1].integer, a[2].pointer);
    } else if (shape == "uuuu") {
        r.integer = As<U(ZARVO_CALL*)(U, U, U, U)>(address)(a[0].integer, a[1].integer,
                                                            a[2].integer, a[3].integer);
    } else {
        r.called = false;
    }
    if (entry.result == 's') r.integer &= 0xFFFFu;
    return r;
}

}  // namespace zarvo_test
