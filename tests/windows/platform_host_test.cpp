// SPDX-License-Identifier: MIT
// The Windows host platform: tick, version family, the port-access driver and the direct port
// instructions, device claims, registered messages and the device-change window.
#include <gtest/gtest.h>

#include <string>

#include "platform/host_windows.h"
#include "platform/platform.h"

namespace zarvo {
namespace {

// ---- Port instructions, observed through the processor's refusal to run them.
//
// Without I/O permission (no port-access driver, as under wine) an in or out instruction
// raises a privileged-instruction exception before it does anything. The handler below reads
// which instruction it was and its operands, plays the port's part and resumes after it.

struct PortAccess {
    bool write;
    std::uint16_t port;
    std::uint8_t value;
};

std::vector<PortAccess> portAccesses;
std::uint8_t portReadValue = 0;

LONG CALLBACK EmulatePortInstruction(EXCEPTION_POINTERS* info) {
    // A processor refuses them as privileged instructions; a user-mode emulator of the
    // processor (32-bit programs on a kernel that runs none) reports an illegal instruction.
    const DWORD refusal = info->ExceptionRecord->ExceptionCode;
    if (refusal != EXCEPTION_PRIV_INSTRUCTION && refusal != EXCEPTION_ILLEGAL_INSTRUCTION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    CONTEXT* c = info->ContextRecord;
#if defined(__x86_64__)
    using Reg = DWORD64;
    Reg& ip = c->Rip;
    Reg& ax = c->Rax;
    const Reg dx = c->Rdx;
#else
    using Reg = DWORD;
    Reg& ip = c->Eip;
    Reg& ax = c->Eax;
    const Reg dx = c->Edx;
#endif
    const auto* code = reinterpret_cast<const std::uint8_t*>(ip);
    PortAccess access{};
    switch (code[0]) {
        case 0xEE:  // out dx, al
            access = {true, static_cast<std::uint16_t>(dx & 0xFFFF),
                      static_cast<std::uint8_t>(ax & 0xFF)};
            ip += 1;
            break;
        case 0xE6:  // out imm8, al
            access = {true, code[1], static_cast<std::uint8_t>(ax & 0xFF)};
            ip += 2;
            break;
        case 0xEC:  // in al, dx
            access = {false, static_cast<std::uint16_t>(dx & 0xFFFF), portReadValue};
            ip += 1;
            break;
        case 0xE4:  // in al, imm8
            access = {false, code[1], portReadValue};
            ip += 2;
            break;
        default:
            return EXCEPTION_CONTINUE_SEARCH;
    }
    if (!access.write) ax = (ax & ~Reg{0xFF}) | portReadValue;
    portAccesses.push_back(access);
    return EXCEPTION_CONTINUE_EXECUTION;
}

class PortInstructions : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform->PortDriverAvailable()) {
            GTEST_SKIP() << "this process may execute port instructions; nothing would fault";
        }
        portAccesses.clear();
        handler = AddVectoredExceptionHandler(1, EmulatePortInstruction);
        ASSERT_NE(handler, nullptr);
    }
    void TearDown() override {
        if (handler != nullptr) RemoveVectoredExceptionHandler(handler);
    }

    std::unique_ptr<Platform> platform = CreateHostPlatform();
    void* handler = nullptr;
};

TEST_F(PortInstructions, OutAndInAreSingleByteInstructionsAtTheGivenPort) {
    win::DirectPort port;
    port.SetAllowed(true);
    PortBackend& backend = port;
    backend.Out(0x378, 0x5A);
    backend.Out(0x37A, 0x04);
    portReadValue = 0xC3;
    EXPECT_EQ(backend.In(0x379), 0xC3);
    backend.Out(0xEC00, 0xAA);
    ASSERT_EQ(portAccesses.size(), 4u);
    EXPECT_TRUE(portAccesses[0].write);
    EXPECT_EQ(portAccesses[0].port, 0x378);
    EXPECT_EQ(portAccesses[0].value, 0x5A);
    EXPECT_EQ(portAccesses[1].port, 0x37A);
    EXPECT_EQ(portAccesses[1].value, 0x04);
    EXPECT_FALSE(portAccesses[2].write);
    EXPECT_EQ(portAccesses[2].port, 0x379);
    EXPECT_EQ(portAccesses[3].port, 0xEC00);
    EXPECT_EQ(portAccesses[3].value, 0xAA);
}

// Without the driver on the NT family, the host's port neither faults nor reaches the bus: a
// caller that skipped the driver check finds an empty bus instead of ending the program.
TEST_F(PortInstructions, HostPortWithoutDriverReadsAnEmptyBusAndNeverFaults) {
    ASSERT_EQ(platform->Family(), PlatformFamily::NT);
    platform->Port().Out(0x378, 0xAA);
    EXPECT_EQ(platform->Port().In(0x378), 0xFF);
    EXPECT_TRUE(portAccesses.empty());
}

// ---- Tick, family, devices, messages

TEST(HostPlatform, TickIsTheSystemMillisecondCounter) {
    auto platform = CreateHostPlatform();
    const std::uint32_t before = platform->TickMs();
    EXPECT_LE(GetTickCount() - before, 1u);
    platform->SleepMs(60);
    const std::uint32_t elapsed = platform->TickMs() - before;
    EXPECT_GE(elapsed, 45u);
    EXPECT_LT(elapsed, 2000u);
}

TEST(HostPlatform, WineAndEveryCurrentWindowsAreOfTheNtFamily) {
    EXPECT_EQ(CreateHostPlatform()->Family(), PlatformFamily::NT);
}

TEST(HostPlatform, PortDriverIsAvailableExactlyWhenItsDeviceOpens) {
    HANDLE giveio = CreateFileA("\\\\.\\giveio", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool present = giveio != INVALID_HANDLE_VALUE;
    if (present) CloseHandle(giveio);
    auto platform = CreateHostPlatform();
    EXPECT_EQ(platform->PortDriverAvailable(), present);
    // Asking again gives the same answer: the check holds nothing open.
    EXPECT_EQ(platform->PortDriverAvailable(), present);
}

class DeviceClaim : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
        path = std::string(dir) + "zarvo_claim_test_" + std::to_string(GetCurrentProcessId());
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    void TearDown() override { DeleteFileA(path.c_str()); }

    std::string path;
    std::unique_ptr<Platform> platform = CreateHostPlatform();
};

// The claim is a handle held from OpenDevice to CloseDevice. (The device is opened without
// access rights and without sharing; that a parallel port then admits no second opener is
// its driver's doing, which a plain file, used here, does not imitate.)
TEST_F(DeviceClaim, OpenDeviceHoldsAHandleThatCloseDeviceReleases) {
    const DeviceHandle held = platform->OpenDevice(path);
    ASSERT_NE(held, 0);
    const auto handle = reinterpret_cast<HANDLE>(held);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(handle, &flags));
    // No access was asked for: the handle cannot read the file.
    char byte = 0;
    DWORD read = 0;
    EXPECT_FALSE(ReadFile(handle, &byte, 1, &read, nullptr));
    platform->CloseDevice(held);
    EXPECT_FALSE(GetHandleInformation(handle, &flags));
}

TEST_F(DeviceClaim, AnUnknownDeviceIsNotOpenedAndNotCreated) {
    const std::string missing = path + "_missing";
    EXPECT_EQ(platform->OpenDevice(missing), 0);
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
    platform->CloseDevice(0);  // closing nothing is harmless
}

TEST(HostPlatform, RegisteredMessagesAreTheSystemsPerName) {
    auto platform = CreateHostPlatform();
    const std::uint32_t ready = platform->RegisterMessage("Quelda: MeasurementReady");
    const std::uint32_t update = platform->RegisterMessage("Quelda: TransUpdate");
    EXPECT_GE(ready, 0xC000u);
    EXPECT_LE(ready, 0xFFFFu);
    EXPECT_NE(ready, update);
    EXPECT_EQ(platform->RegisterMessage("Quelda: MeasurementReady"), ready);
    EXPECT_EQ(RegisterWindowMessageA("Quelda: TransUpdate"), update);
}

// ---- The device-change window

TEST(DeviceReceiver, ArrivalCallsBackAndDeviceChangeIsAcceptedWithoutAction) {
    int arrivals = 0;
    win::DeviceMessageReceiver receiver([&] { ++arrivals; }, /*messageOnly=*/true);
    ASSERT_TRUE(receiver.Valid());
    SendMessageA(receiver.Handle(), win::kDeviceArrivedMessage, 0, 0);
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(SendMessageA(receiver.Handle(), win::kDeviceChangeMessage, 0x8000, 0), TRUE);
    EXPECT_EQ(arrivals, 1);
    SendMessageA(receiver.Handle(), WM_USER + 12, 0, 0);
    SendMessageA(receiver.Handle(), WM_USER + 14, 0, 0);
    EXPECT_EQ(arrivals, 1);
    SendMessageA(receiver.Handle(), win::kDeviceArrivedMessage, 0, 0);
    EXPECT_EQ(arrivals, 2);
}

// Device-change broadcasts reach only top-level windows, so that is what the platform makes;
// where no top-level window can exist (no display) it makes none and the library goes on.
TEST(DeviceReceiver, HostReceiverIsATopLevelWindowOrAbsent) {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    const bool topLevelPossible = probe != nullptr;
    if (probe != nullptr) DestroyWindow(probe);

    int arrivals = 0;
    auto receiver = CreateHostPlatform()->CreateDeviceReceiver([&] { ++arrivals; });
    if (!topLevelPossible) {
        EXPECT_EQ(receiver, nullptr);
        return;
    }
    ASSERT_NE(receiver, nullptr);
    auto* window = dynamic_cast<win::DeviceMessageReceiver*>(receiver.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetAncestor(window->Handle(), GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(window->Handle()));
    SendMessageA(window->Handle(), win::kDeviceArrivedMessage, 0, 0);
    EXPECT_EQ(arrivals, 1);
}

}  // namespace
}  // namespace zarvo
