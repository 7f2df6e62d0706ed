// SPDX-License-Identifier: MIT
// Starting and stopping the library through DLL.dll, including the load and unload hooks that
// the DLL's entry point runs.
#include <gtest/gtest.h>

#include "dll_support.h"

namespace zarvo_test {
namespace {

TEST(DllLifecycle, WithoutAnInstrumentInitFailsAndStaysFailedUntilExit) {
    // The real ports: under wine there is no port-access driver and no parallel port, so the
    // driver message is shown (it returns at once without a display) and nothing is found.
    UseSimulatedInstrument("");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    auto init = ZT_EXPORT(dll, InitInstrument);
    auto exitInstrument = ZT_EXPORT(dll, ExitInstrument);
    EXPECT_EQ(init(0x378), RC_NO_INSTRUMENT);
    EXPECT_EQ(init(0), RC_NO_INSTRUMENT);  // failed: returns at once
    EXPECT_EQ(ZT_EXPORT(dll, GetRecordLength)(), 0);
    EXPECT_EQ(exitInstrument(), RC_OK);
    EXPECT_EQ(exitInstrument(), RC_OK);
}

TEST(DllLifecycle, ExitAfterAFailedStartLetsTheNextInitDetectAgain) {
    UseSimulatedInstrument("lpt=0");  // a machine with no instrument on any port
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    auto init = ZT_EXPORT(dll, InitInstrument);
    auto exitInstrument = ZT_EXPORT(dll, ExitInstrument);
    EXPECT_EQ(init(0), RC_NO_INSTRUMENT);
    UseSimulatedInstrument("1");
    EXPECT_EQ(init(0), RC_NO_INSTRUMENT) << "a failed instance must not detect again";
    EXPECT_EQ(exitInstrument(), RC_OK);
    EXPECT_EQ(init(0), RC_OK) << "after ExitInstrument the next start detects again";
    EXPECT_EQ(ZT_EXPORT(dll, GetRecordLength)(), 512);
    EXPECT_EQ(exitInstrument(), RC_OK);
}

TEST(DllLifecycle, AfterAStartedInstrumentIsClosedOnlyAReloadStartsAgain) {
    UseSimulatedInstrument("1");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0x1234), RC_OK);  // running: at once
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_NO_INSTRUMENT);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_NO_INSTRUMENT);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);

    // Unloading and loading the library runs its load hook again: a fresh start.
    dll.Unload();
    dll.Load();
    ASSERT_NE(dll.Module(), nullptr);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
}

// The simulated instrument's port is claimed exclusively while in use. If unloading a running
// library did not shut the instrument down, the claim would outlive the library and the next
// start would find the port taken.
TEST(DllLifecycle, UnloadingWhileRunningReleasesTheInstrument) {
    UseSimulatedInstrument("1");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    ASSERT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    dll.Unload();  // no ExitInstrument
    dll.Load();
    ASSERT_NE(dll.Module(), nullptr);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    std::int32_t serial = 0;
    EXPECT_EQ(ZT_EXPORT(dll, GetSerialNumber)(&serial), RC_OK);
    EXPECT_EQ(serial, 12345);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
}

// After ExitInstrument the unload hook finds nothing to shut down; unloading after that and
// loading again must still give a working library.
TEST(DllLifecycle, UnloadAfterExitIsHarmless) {
    UseSimulatedInstrument("1");
    Dll dll;
    ASSERT_NE(dll.Module(), nullptr);
    ASSERT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
    dll.Unload();
    dll.Load();
    ASSERT_NE(dll.Module(), nullptr);
    EXPECT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, ExitInstrument)(), RC_OK);
}

}  // namespace
}  // namespace zarvo_test
