// SPDX-License-Identifier: MIT
// The library lifecycle through the exports: Unstarted, Running, Failed, Closed and Dead, and
// the unload hook. Each test case runs in its own process, so each starts with the library
// freshly loaded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include "zarvo.h"

namespace {
// Allocations still allowed before one fails with std::bad_alloc; below 0, none fails.
long g_allocationsBeforeFailure = -1;
}  // namespace

void* operator new(std::size_t size) {
    if (g_allocationsBeforeFailure == 0) {
        g_allocationsBeforeFailure = -1;
        throw std::bad_alloc();
    }
    if (g_allocationsBeforeFailure > 0) --g_allocationsBeforeFailure;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
#include "support/malloc_delete.h"

namespace {

using InitFn = uint16_t (*)(uint32_t);
using ExitFn = uint16_t (*)();

// The simulated instrument, writing its port trace to a file so that tests can see whether a
// call touched the bus.
class Lifecycle : public ::testing::Test {
protected:
    void UseSimulator(const std::string& keys) {
        trace_ = ::testing::TempDir() + "lifecycle_trace_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
        std::remove(trace_.c_str());
        std::string value = "trace=" + trace_;
        if (!keys.empty()) value += "," + keys;
        setenv("ZARVO_SIM", value.c_str(), 1);
    }

    // Number of port operations traced so far.
    std::size_t TracedOperations() const {
        std::ifstream in(trace_);
        std::size_t lines = 0;
        std::string line;
        while (std::getline(in, line)) ++lines;
        return lines;
    }

    void TearDown() override {
        ExitInstrument();
        unsetenv("ZARVO_SIM");
        std::remove(trace_.c_str());
    }

    std::string trace_;
};

TEST_F(Lifecycle, BeforeInitEveryGuardedExportReportsNoInstrument) {
    uint16_t channels = 0;
    double volts = 0;
    EXPECT_EQ(GetNrChannels(&channels), RC_NO_INSTRUMENT);
    EXPECT_EQ(GetSensitivity(1, &volts), RC_NO_INSTRUMENT);
    EXPECT_EQ(ADC_Start(), RC_NO_INSTRUMENT);
    EXPECT_EQ(StartMeasurement(), RC_NO_INSTRUMENT);
    EXPECT_EQ(I2CSetSpeed(0), RC_NO_INSTRUMENT);
    EXPECT_EQ(ADC_Ready(), 0);
    EXPECT_EQ(GetRecordLength(), 0);
    EXPECT_EQ(GetSampleFrequencyF(), 0.0);
    EXPECT_EQ(GetTriggerTimeOut(), 1);
    EXPECT_EQ(GetSquareWaveGenFrequency(), 0);
    EXPECT_EQ(SetDAC1451(1, 2, 3, 4), RC_UNAVAILABLE);
    EXPECT_EQ(GetFuncGenAmplitudeRange(nullptr), RC_UNAVAILABLE);
    EXPECT_EQ(channels, 0);
}

TEST_F(Lifecycle, ExitWithoutInstanceIsHarmlessTwice) {
    EXPECT_EQ(ExitInstrument(), RC_OK);
    EXPECT_EQ(ExitInstrument(), RC_OK);
}

TEST_F(Lifecycle, RunningInitReturnsAtOnceWithoutDetectingAgain) {
    UseSimulator("");
    ASSERT_EQ(InitInstrument(0), RC_OK);
    const std::size_t afterStart = TracedOperations();
    EXPECT_GT(afterStart, 0u);
    EXPECT_EQ(InitInstrument(0x378), RC_OK);
    EXPECT_EQ(InitInstrument(0xFFFFFFFFu), RC_OK);
    EXPECT_EQ(TracedOperations(), afterStart);
    uint16_t channels = 0;
    EXPECT_EQ(GetNrChannels(&channels), RC_OK);
    EXPECT_EQ(channels, 2);
}

TEST_F(Lifecycle, FailedStartStaysFailedUntilExit) {
    UseSimulator("lpt=0");
    ASSERT_EQ(InitInstrument(0), RC_NO_INSTRUMENT);
    const std::size_t afterFirst = TracedOperations();
    EXPECT_EQ(InitInstrument(0), RC_NO_INSTRUMENT);
    EXPECT_EQ(TracedOperations(), afterFirst) << "a failed instance must not detect again";
    uint16_t channels = 0;
    EXPECT_EQ(GetNrChannels(&channels), RC_NO_INSTRUMENT);

    // Exit returns to Unstarted: the next Init looks for the instrument again and finds it.
    EXPECT_EQ(ExitInstrument(), RC_OK);
    UseSimulator("");
    EXPECT_EQ(InitInstrument(0), RC_OK);
}

TEST_F(Lifecycle, AfterAClosedRunTheLibraryStaysDeadUntilReloaded) {
    UseSimulator("");
    ASSERT_EQ(InitInstrument(0), RC_OK);
    EXPECT_EQ(ExitInstrument(), RC_OK);
    uint16_t channels = 0;
    EXPECT_EQ(GetNrChannels(&channels), RC_NO_INSTRUMENT);  // Closed

    int32_t transfer = 0;
    EXPECT_EQ(SetTransferMode(tmBlock), RC_NO_INSTRUMENT);
    EXPECT_EQ(InitInstrument(0), RC_NO_INSTRUMENT);  // Dead
    EXPECT_EQ(GetNrChannels(&channels), RC_NO_INSTRUMENT);
    // The new instance never found the instrument; its type is tested first.
    EXPECT_EQ(SetTransferMode(tmBlock), RC_UNAVAILABLE);
    EXPECT_EQ(GetTransferMode(&transfer), RC_UNAVAILABLE);
    EXPECT_EQ(InitInstrument(0), RC_NO_INSTRUMENT);
    EXPECT_EQ(ExitInstrument(), RC_OK);  // back to Closed
    EXPECT_EQ(InitInstrument(0), RC_NO_INSTRUMENT);
}

// Memory running out anywhere in InitInstrument: every allocation of a start-up is made to
// fail in turn. No exception reaches the caller, the port is given back, and the library is
// never started again, so the next call starts it.
TEST_F(Lifecycle, OutOfMemoryWhileStartingLeavesTheLibraryNeverStarted) {
    UseSimulator("time=virtual");
    for (long n = 0;; ++n) {
        g_allocationsBeforeFailure = n;
        uint16_t status = RC_OK;
        try {
            status = InitInstrument(0);
        } catch (...) {
            g_allocationsBeforeFailure = -1;
            FAIL() << "an exception left InitInstrument at allocation " << n;
        }
        const bool failed = g_allocationsBeforeFailure == -1;
        g_allocationsBeforeFailure = -1;
        if (!failed) {
            EXPECT_EQ(status, RC_OK) << "no allocation failed this time";
            break;
        }
        ASSERT_EQ(status, RC_NO_INSTRUMENT) << "allocation " << n;
        EXPECT_EQ(SetTransferMode(tmBlock), RC_NO_INSTRUMENT)
            << "allocation " << n << ": no instance is left behind";
        EXPECT_EQ(ExitInstrument(), RC_OK);
    }
    uint16_t channels = 0;
    EXPECT_EQ(GetNrChannels(&channels), RC_OK);
}

TEST_F(Lifecycle, PortArgumentHasNoEffect) {
    UseSimulator("lpt=2");
    EXPECT_EQ(InitInstrument(0x378), RC_OK);  // still found on LPT2 by the search
}

// The shared library as an application loads it: unloading a running library shuts the
// instrument down, which releases the claimed port for the next user.
class Unload : public Lifecycle {
protected:
    void Load() {
        handle_ = dlopen(ZARVO_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        init_ = reinterpret_cast<InitFn>(dlsym(handle_, "InitInstrument"));
        exit_ = reinterpret_cast<ExitFn>(dlsym(handle_, "ExitInstrument"));
        ASSERT_NE(init_, nullptr);
        ASSERT_NE(exit_, nullptr);
    }

    // Whether this process's own copy of the driver can claim the instrument's port now. That
    // copy reaches Running at most once per process, so a test asks only once for "free".
    bool PortIsFree() {
        const bool found = InitInstrument(0) == RC_OK;
        ExitInstrument();
        return found;
    }

    void* handle_ = nullptr;
    InitFn init_ = nullptr;
    ExitFn exit_ = nullptr;
};

TEST_F(Unload, UnloadingARunningLibraryReleasesTheInstrument) {
    UseSimulator("");
    Load();
    ASSERT_EQ(init_(0), RC_OK);
    // Failed attempts leave the test's own copy unstarted, so it can try again later.
    EXPECT_FALSE(PortIsFree()) << "the loaded library must hold the port while running";
    ASSERT_EQ(dlclose(handle_), 0);
    EXPECT_TRUE(PortIsFree()) << "unloading must have shut the instrument down";
}

TEST_F(Unload, ExitThenUnloadShutsDownOnlyOnce) {
    UseSimulator("");
    Load();
    ASSERT_EQ(init_(0), RC_OK);
    EXPECT_EQ(exit_(), RC_OK);
    ASSERT_EQ(dlclose(handle_), 0);  // the unload hook finds nothing left to shut down
    EXPECT_TRUE(PortIsFree());
}

TEST_F(Unload, ReloadingGivesAFreshLibrary) {
    UseSimulator("");
    Load();
    ASSERT_EQ(init_(0), RC_OK);
    EXPECT_EQ(exit_(), RC_OK);
    EXPECT_EQ(init_(0), RC_NO_INSTRUMENT);  // Dead in this load
    ASSERT_EQ(dlclose(handle_), 0);
    Load();
    EXPECT_EQ(init_(0), RC_OK);  // Unstarted again after the reload
    EXPECT_EQ(exit_(), RC_OK);
    ASSERT_EQ(dlclose(handle_), 0);
}

}  // namespace
