// SPDX-License-Identifier: MIT
// One block-mode acquisition: the arm, the polls of the run-complete bit, the forced trigger
// and the limit after which the instrument is taken for unresponsive.
#include "tools/core/block_acquisition.h"

#include <thread>

#include "zarvo.h"

namespace zarvo::core {

BlockResult AcquireBlock(const BlockAcquisition& how) {
    using Clock = std::chrono::steady_clock;
    BlockResult result;
    result.status = ADC_Start();
    if (result.status != RC_OK) {
        result.end = BlockResult::End::StartRefused;
        return result;
    }
    const Clock::time_point start = Clock::now();
    const auto msSince = [&] {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    // Where the limit counts from: the force, or the arm for a record that runs free.
    double limitFrom = 0;
    while (ADC_Ready() == 0) {
        if (how.watchTrigger && result.triggerSeenMs < 0 && ADC_Triggered() != 0) {
            result.triggerSeenMs = msSince();
        }
        if (how.abandon && how.abandon()) {
            ADC_Abort();
            result.end = BlockResult::End::Abandoned;
            return result;
        }
        const Clock::duration waited = Clock::now() - start;
        const double waitedMs = std::chrono::duration<double, std::milli>(waited).count();
        if (!how.freeRunning && !result.forced &&
            ((how.forceNow && how.forceNow()) ||
             (how.timeoutMs >= 0 && waitedMs >= how.timeoutMs))) {
            result.status = ADC_ForceTrig();
            if (result.status != RC_OK) {
                result.end = BlockResult::End::ForceRefused;
                return result;
            }
            result.forced = true;
            limitFrom = waitedMs;
        }
        // Once triggered the instrument takes its post-trigger samples and reports the run
        // complete; well past their time it is not going to.
        if ((how.freeRunning || result.forced) &&
            waitedMs - limitFrom > how.recordMs + how.marginMs) {
            ADC_Abort();
            result.end = BlockResult::End::Unresponsive;
            return result;
        }
        if (how.onPoll) how.onPoll(waited);
        std::this_thread::sleep_for(how.pollInterval);
    }
    if (result.triggerSeenMs < 0) result.triggerSeenMs = msSince();
    return result;
}

}  // namespace zarvo::core
