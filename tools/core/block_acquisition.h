// SPDX-License-Identifier: MIT
// One block-mode acquisition: arm, wait for the record, force the trigger when it does not come,
// give up when the instrument does not complete it. Returns how it went; prints and throws nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace zarvo::core {

struct BlockAcquisition {
    // Milliseconds after the arm at which the trigger is forced; negative: never on time.
    double timeoutMs = -1;
    // Milliseconds of post-trigger samples at the sample rate: once triggered, the instrument
    // completes the record within them.
    double recordMs = 0;
    // Allowed on top of recordMs before the instrument is called unresponsive.
    double marginMs = 2000;
    // Pause between two polls of the run-complete bit.
    std::chrono::microseconds pollInterval{1000};
    // A free-running record (no trigger source) starts its post-trigger samples at the arm: it
    // is never forced, and the limit counts from the arm instead of from a force.
    bool freeRunning = false;
    // Poll the trigger bits too, to say when the trigger was first seen.
    bool watchTrigger = false;
    // Asked at each poll until the trigger is forced: true forces it now.
    std::function<bool()> forceNow;
    // Asked at each poll: true drops the run (ADC_Abort) and ends the wait.
    std::function<bool()> abandon;
    // Called at each poll that did not see the record complete, with the time since the arm.
    std::function<void(std::chrono::steady_clock::duration waited)> onPoll;
};

struct BlockResult {
    enum class End {
        Ready,         // the record is complete: a data export reads it out
        StartRefused,  // ADC_Start did not answer RC_OK (status)
        ForceRefused,  // ADC_ForceTrig did not answer RC_OK (status)
        Abandoned,     // abandon() said so
        Unresponsive,  // not complete within recordMs + marginMs of the force (or the arm)
    };
    End end = End::Ready;
    std::uint16_t status = 0;  // the refusing call's status
    bool forced = false;
    // Milliseconds from the arm to the first poll whose trigger bits were set (with
    // watchTrigger), else to the poll that saw the record complete: the trigger came no later.
    double triggerSeenMs = -1;
};

// Arms with the settings as they are and waits as `how` says. On giving up (abandoned or
// unresponsive) the run is dropped with ADC_Abort.
BlockResult AcquireBlock(const BlockAcquisition& how);

}  // namespace zarvo::core
