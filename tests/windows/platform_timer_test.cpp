// SPDX-License-Identifier: MIT
// The component's timer on Windows: a window timer whose ticks arrive only while the thread
// that made it dispatches messages, never re-entered, and silent once disabled or destroyed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/host_windows.h"
#include "platform/platform.h"

namespace zarvo {
namespace {

void PumpMessagesFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

class WindowTimer : public ::testing::Test {
protected:
    std::unique_ptr<Timer> Make(int& ticks, std::uint32_t intervalMs) {
        auto timer = platform->CreateTimer([&ticks] { ++ticks; });
        timer->SetInterval(intervalMs);
        return timer;
    }

    std::unique_ptr<Platform> platform = CreateHostPlatform();
};

TEST_F(WindowTimer, TicksOnlyWhileMessagesAreDispatched) {
    int ticks = 0;
    auto timer = Make(ticks, 10);
    EXPECT_FALSE(timer->Enabled());
    timer->SetEnabled(true);
    EXPECT_TRUE(timer->Enabled());
    Sleep(150);
    EXPECT_EQ(ticks, 0) << "a tick ran outside the message loop";
    PumpMessagesFor(400);
    // 10 ms asked; the system delivers every 10 to 16 ms, and pending ticks coalesce.
    EXPECT_GE(ticks, 8);
    EXPECT_LE(ticks, 41);
}

TEST_F(WindowTimer, StartsDisabledAndStaysSilentUntilEnabled) {
    int ticks = 0;
    auto timer = Make(ticks, 10);
    PumpMessagesFor(150);
    EXPECT_EQ(ticks, 0);
}

TEST_F(WindowTimer, DisablingStopsTheTicksEvenOnesAlreadyDue) {
    int ticks = 0;
    auto timer = Make(ticks, 10);
    timer->SetEnabled(true);
    PumpMessagesFor(100);
    EXPECT_GT(ticks, 0);
    Sleep(50);  // due again, not yet dispatched
    timer->SetEnabled(false);
    const int atStop = ticks;
    PumpMessagesFor(200);
    EXPECT_EQ(ticks, atStop);
    timer->SetEnabled(true);  // and it can start again
    PumpMessagesFor(200);
    EXPECT_GT(ticks, atStop);
}

TEST_F(WindowTimer, ZeroIntervalDoesNotTick) {
    int ticks = 0;
    auto timer = Make(ticks, 0);
    timer->SetEnabled(true);
    PumpMessagesFor(150);
    EXPECT_EQ(ticks, 0);
    timer->SetInterval(10);
    PumpMessagesFor(150);
    EXPECT_GT(ticks, 0);
}

TEST_F(WindowTimer, LongerIntervalGivesFewerTicks) {
    int ticks = 0;
    auto timer = Make(ticks, 100);
    timer->SetEnabled(true);
    PumpMessagesFor(450);
    EXPECT_GE(ticks, 2);
    EXPECT_LE(ticks, 5);
}

// A handler that shows a message box dispatches messages while the box is up; the timer must
// not start a second tick inside the first.
TEST_F(WindowTimer, ATickIsNeverEnteredWhileThePreviousOneRuns) {
    int ticks = 0;
    int depth = 0;
    int deepest = 0;
    auto timer = platform->CreateTimer([&] {
        ++ticks;
        ++depth;
        deepest = std::max(deepest, depth);
        if (ticks == 1) PumpMessagesFor(150);
        --depth;
    });
    timer->SetInterval(10);
    timer->SetEnabled(true);
    PumpMessagesFor(400);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(deepest, 1);
}

TEST_F(WindowTimer, DestroyingARunningTimerEndsItsTicks) {
    int ticks = 0;
    auto timer = Make(ticks, 10);
    timer->SetEnabled(true);
    PumpMessagesFor(60);
    Sleep(30);  // a tick is due when the timer goes away
    timer.reset();
    const int atDestroy = ticks;
    PumpMessagesFor(150);
    EXPECT_EQ(ticks, atDestroy);
}

TEST_F(WindowTimer, TimersTickIndependentlyAndCanBeMadeAgain) {
    int ticksA = 0;
    int ticksB = 0;
    auto a = Make(ticksA, 10);
    auto b = Make(ticksB, 10);
    b->SetEnabled(true);
    PumpMessagesFor(150);
    EXPECT_EQ(ticksA, 0);
    EXPECT_GT(ticksB, 0);
    a.reset();
    b.reset();
    // With every timer gone, a new one still works.
    int ticksC = 0;
    auto c = Make(ticksC, 10);
    c->SetEnabled(true);
    PumpMessagesFor(150);
    EXPECT_GT(ticksC, 0);
}

}  // namespace
}  // namespace zarvo
