// SPDX-License-Identifier: MIT
// The trigger comparator of one channel: two level DACs (A and B, 0..255, where 127 is 0 V
// and 128 steps make a full scale) and a mode code that says what to watch for. A comparator
// is armed by a write of 0 to its channel's re-arm sub-register; from its arming until the
// next one it watches its input, and once the condition is met its fired bit stays set.
//
// Mode codes (the driver's trigger modes in brackets):
//   0x05  rising edge (mode 0): armed once the input is below level A, fires when it rises
//         to level B.
//   0x06  falling edge (mode 1): armed once the input is at or above level A, fires when it
//         falls below level B.
//   0x01  as 0x05, 0x00 as 0x06, but watching the external trigger input instead of the
//         channel (modes 0 and 1 with the external source). The external input is taken
//         with the channel's gain and without its DC level or coupling, so the levels mean
//         the same volts as on the channel.
//   0x09  either edge through the band between A and B (modes 2 and 3): rising from below
//         the lower level to the upper one, or falling from the upper level to below the
//         lower one. Used for the drop-out trigger, where every edge is activity.
//   0x10  level low (mode 5): fires as soon as the input is below level B.
//   0x11  level high (mode 6): fires as soon as the input is at or above level B.
//   0x20  window (mode 4): fires as soon as the input leaves the band between A and B.
//   any other code: never fires.
//
// A comparator fires again each time its condition comes round (an edge condition re-arms
// itself after each firing); the fired bit in the status register latches the first firing
// after the arming, while a run that waits for the comparator takes the first firing that
// comes while it waits. So a firing in the moment between arming and run command does not
// trigger the run at its start, away from any edge.
//
// The comparators watch the clean signal; noise enters only at the converters.
#pragma once

#include <cstdint>

#include "sim/signal.h"

namespace zarvo::sim {

struct ComparatorSetup {
    std::uint8_t levelA = 0;
    std::uint8_t levelB = 0;
    std::uint8_t mode = 0;
};

class Comparator {
public:
    // Arms at `now`: the fired bit clears and the condition is watched from now on.
    void Arm(SimTime now, const ComparatorSetup& setup, const ChannelView& channel,
             const ChannelView& external);
    // The set-up or the inputs changed at `now`. A comparator that has fired stays fired; an
    // armed one watches the new condition from now on; an unarmed one stays unarmed.
    void Change(SimTime now, const ComparatorSetup& setup, const ChannelView& channel,
                const ChannelView& external);

    bool Fired(SimTime now) const { return fireTime_ <= now; }
    // When the fired bit sets (or set), kNever when not before the next change.
    SimTime FireTime() const { return fireTime_; }
    // The first firing at or after `since` with the present set-up and inputs; kNever for a
    // comparator that was never armed or whose condition never comes.
    SimTime FirstFiringFrom(SimTime since) const;

    // When a comparator armed at `from` with this set-up and these inputs fires.
    static SimTime FireTimeFrom(SimTime from, const ComparatorSetup& setup,
                                const ChannelView& channel, const ChannelView& external);

private:
    void Configure(SimTime now, const ComparatorSetup& setup, const ChannelView& channel,
                   const ChannelView& external);

    bool armed_ = false;
    SimTime fireTime_ = kNever;     // the latched firing
    SimTime watchFrom_ = 0;         // the present set-up and inputs apply from here
    SimTime firstFiring_ = kNever;  // the first firing from watchFrom_
    ComparatorSetup setup_;
    ChannelView channel_;
    ChannelView external_;
};

}  // namespace zarvo::sim
