// SPDX-License-Identifier: MIT
// One block acquisition on the simulated instrument: a trigger that cannot come is forced after
// the time-out, and a wait that is given up drops the run.
#include "tools/core/block_acquisition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "zarvo.h"

namespace zarvo::core {
namespace {

TEST(BlockAcquisition, ForcesAfterTheTimeOutAndGivesUpWhenAsked) {
    setenv("ZARVO_SIM", "ch1=sine:1000:0.5", 1);
    ASSERT_EQ(InitInstrument(0), RC_OK);
    double range = 2;
    ASSERT_EQ(SetSensitivity(1, &range), RC_OK);
    ASSERT_EQ(SetTriggerSource(tsCh1), RC_OK);
    ASSERT_EQ(SetTriggerLevel(1, 1.5), RC_OK);  // above the 0.5 V sine: it never comes
    const std::int32_t length = GetRecordLength();
    ASSERT_GT(length, 0);

    BlockAcquisition how;
    how.timeoutMs = 50;
    how.recordMs = GetPostSamples() / GetSampleFrequencyF() * 1000;
    how.watchTrigger = true;
    const auto start = std::chrono::steady_clock::now();
    const BlockResult forced = AcquireBlock(how);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(forced.end, BlockResult::End::Ready);
    EXPECT_TRUE(forced.forced);
    std::vector<double> ch1(static_cast<std::size_t>(length)), ch2(ch1.size());
    EXPECT_EQ(ADC_GetDataVolt(ch1.data(), ch2.data()), RC_OK);

    how.abandon = [] { return true; };
    const BlockResult abandoned = AcquireBlock(how);
    EXPECT_EQ(abandoned.end, BlockResult::End::Abandoned);
    EXPECT_FALSE(abandoned.forced);
    ExitInstrument();
}

}  // namespace
}  // namespace zarvo::core
