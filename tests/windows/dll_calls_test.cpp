// SPDX-License-Identifier: MIT
// Calling every export of DLL.dll the way applications call it: results before the library is
// started, the width of byte and word arguments, and on 32-bit Windows the stdcall contract
// (the callee removes exactly its arguments, doubles come back on the floating-point stack).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "dll_support.h"

namespace zarvo_test {
namespace {

bool IsExport(const ExportEntry& e, const char* name) {
    return std::strcmp(e.name, name) == 0;
}

// Exports that zero their output before any check (so even a refused call leaves 0 there).
bool ZeroesOutputFirst(const ExportEntry& e) {
    return IsExport(e, "GetFuncGenOutputOn") || IsExport(e, "GetFuncGenEnable");
}

constexpr unsigned char kUntouched = 0xA5;

TEST(DllCalls, EveryExportBeforeInitReturnsItsGuardValueAndWritesNothing) {
    UseSimulatedInstrument("");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    for (const ExportEntry& e : kExports) {
        if (IsExport(e, "InitInstrument")) continue;  // it would start the library
        SCOPED_TRACE(e.name);
        ArgBuffers buffers(kUntouched);
        const std::vector<Arg> args = DefaultArgs(e, buffers);
        const CallResult r = CallExport(dll.Proc(e.name), e, args);
        ASSERT_TRUE(r.called) << "no caller for argument shape " << e.args;
        if (e.result == 'd') {
            EXPECT_EQ(r.real, static_cast<double>(e.beforeInit));
        } else if (e.result == 's') {
            EXPECT_EQ(r.integer, static_cast<std::uint32_t>(e.beforeInit));
        } else {
            EXPECT_EQ(static_cast<std::int32_t>(r.integer), e.beforeInit);
        }
        // A refused call leaves the caller's memory alone.
        for (const auto& b : buffers.bytes) {
            const std::size_t changed =
                b.size() - static_cast<std::size_t>(std::count(b.begin(), b.end(), kUntouched));
            if (ZeroesOutputFirst(e)) {
                EXPECT_LE(changed, 2u);
            } else {
                EXPECT_EQ(changed, 0u);
            }
        }
    }
}

TEST(DllCalls, ExitInstrumentWithoutInstanceIsHarmlessAndRepeatable) {
    UseSimulatedInstrument("");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    auto exitInstrument = ZT_EXPORT(dll, ExitInstrument);
    EXPECT_EQ(exitInstrument(), RC_OK);
    EXPECT_EQ(exitInstrument(), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, GetRecordLength)(), 0);
}

// Only the low 8 bits of a byte argument and the low 16 bits of a word argument count; the
// rest of the 32-bit slot is whatever the caller's compiler left there.
TEST(DllCalls, ByteAndWordArgumentsReadOnlyTheirLowBits) {
    UseSimulatedInstrument("1");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    ASSERT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);

    using U = std::uint32_t;
    auto setSensitivity = dll.Get<std::uint16_t(ZARVO_CALL*)(U, double*)>("SetSensitivity");
    auto getSensitivity = dll.Get<std::uint16_t(ZARVO_CALL*)(U, double*)>("GetSensitivity");
    double range = 2.0;
    EXPECT_EQ(setSensitivity(0xFFFFFF01u, &range), RC_OK);  // channel 1
    EXPECT_DOUBLE_EQ(range, 2.0);
    double read = 0;
    EXPECT_EQ(getSensitivity(0x12345601u, &read), RC_OK);
    EXPECT_DOUBLE_EQ(read, 2.0);
    EXPECT_EQ(getSensitivity(0x00000100u, &read), RC_BAD_CHANNEL);  // channel 0

    auto setCoupling = dll.Get<std::uint16_t(ZARVO_CALL*)(U, U)>("SetCoupling");
    auto getCoupling = dll.Get<std::uint16_t(ZARVO_CALL*)(U, std::uint8_t*)>("GetCoupling");
    EXPECT_EQ(setCoupling(0xABCDEF02u, 0x77777701u), RC_OK);  // channel 2, code 1
    std::uint8_t coupling = 0;
    EXPECT_EQ(getCoupling(2, &coupling), RC_OK);
    EXPECT_EQ(coupling, 1);
    EXPECT_EQ(setCoupling(2, 0x00000102u), RC_BAD_VALUE);  // code 2 in the low byte

    auto getDataCh = dll.Get<std::uint16_t(ZARVO_CALL*)(U, std::uint16_t*)>("ADC_GetDataCh");
    std::vector<std::uint16_t> samples(32768);
    EXPECT_EQ(getDataCh(0xFFFF0002u, samples.data()), RC_OK);           // channel 2
    EXPECT_EQ(getDataCh(0x00020000u, samples.data()), RC_BAD_CHANNEL);  // channel 0

    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
}

#if defined(__i386__)

// Calls a function with the given 32-bit stack slots pushed as a caller of any convention
// would, and reports what the call left behind: the stack pointer's change (0 when the callee
// removed exactly its arguments, as stdcall requires) and whether a value was left on the
// floating-point stack (popped into `real`).
struct Probe {
    std::uint32_t eax;         // 0
    std::uint32_t edx;         // 4
    std::int32_t stackChange;  // 8
    std::uint16_t fpuBefore;   // 12: status word, TOP in bits 11..13
    std::uint16_t fpuAfter;    // 14
    double real;               // 16
    std::uint32_t realPopped;  // 24
};
static_assert(offsetof(Probe, stackChange) == 8 && offsetof(Probe, fpuBefore) == 12 &&
              offsetof(Probe, fpuAfter) == 14 && offsetof(Probe, real) == 16 &&
              offsetof(Probe, realPopped) == 24);

extern "C" void ZtProbeCall(void* function, const std::uint32_t* slots, std::uint32_t count,
                            Probe* probe);

asm(R"(
    .text
    .globl _ZtProbeCall
_ZtProbeCall:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  20(%ebp), %edi
    movl  12(%ebp), %esi
    movl  16(%ebp), %ecx
    fnstsw %ax
    movw  %ax, 12(%edi)
    movl  %esp, %ebx
1:  testl %ecx, %ecx
    jz    2f
    pushl -4(%esi,%ecx,4)
    decl  %ecx
    jmp   1b
2:  call  *8(%ebp)
    movl  %eax, 0(%edi)
    movl  %edx, 4(%edi)
    movl  %esp, %eax
    subl  %ebx, %eax
    movl  %eax, 8(%edi)
    fnstsw %ax
    movw  %ax, 14(%edi)
    movl  $0, 24(%edi)
    xorw  12(%edi), %ax
    andw  $0x3800, %ax
    jz    3f
    fstpl 16(%edi)
    movl  $1, 24(%edi)
3:  movl  %ebx, %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

std::vector<std::uint32_t> StackSlots(const std::vector<Arg>& args) {
    std::vector<std::uint32_t> slots;
    for (const Arg& a : args) {
        if (a.kind == 'p') {
            slots.push_back(
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(a.pointer)));
        } else if (a.kind == 'd') {
            std::uint32_t halves[2];
            std::memcpy(halves, &a.real, sizeof(halves));
            slots.push_back(halves[0]);
            slots.push_back(halves[1]);
        } else {
            slots.push_back(a.integer);
        }
    }
    return slots;
}

void ExpectStdcall(const Dll& dll, bool skipLifecycle) {
    for (const ExportEntry& e : kExports) {
        if (skipLifecycle && (IsExport(e, "InitInstrument") || IsExport(e, "ExitInstrument"))) {
            continue;
        }
        SCOPED_TRACE(e.name);
        ArgBuffers buffers;
        const std::vector<std::uint32_t> slots = StackSlots(DefaultArgs(e, buffers));
        Probe probe{};
        ZtProbeCall(reinterpret_cast<void*>(dll.Proc(e.name)), slots.data(),
                    static_cast<std::uint32_t>(slots.size()), &probe);
        EXPECT_EQ(probe.stackChange, 0) << "pushed " << 4 * slots.size() << " bytes of arguments";
        if (e.result == 'd') {
            EXPECT_EQ(probe.realPopped, 1u) << "no double on the floating-point stack";
            EXPECT_TRUE(std::isfinite(probe.real));
        } else {
            EXPECT_EQ(probe.realPopped, 0u) << "left a value on the floating-point stack";
        }
    }
}

TEST(DllCalls, EveryExportRemovesExactlyItsArgumentsBeforeInit) {
    UseSimulatedInstrument("");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    ExpectStdcall(dll, false);
}

TEST(DllCalls, EveryExportRemovesExactlyItsArgumentsWithAnInstrument) {
    UseSimulatedInstrument("1");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    ASSERT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    ExpectStdcall(dll, true);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
}

TEST(DllCalls, DoubleResultsArriveOnTheFloatingPointStack) {
    UseSimulatedInstrument("1");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    ASSERT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    Probe probe{};
    ZtProbeCall(reinterpret_cast<void*>(dll.Proc("GetMaxSampleFrequencyF")), nullptr, 0, &probe);
    ASSERT_EQ(probe.realPopped, 1u);
    EXPECT_EQ(probe.real, 25e6);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
}

#endif  // __i386__

}  // namespace
}  // namespace zarvo_test
