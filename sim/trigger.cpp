// SPDX-License-Identifier: MIT
#include "sim/trigger.h"

#include <algorithm>

namespace zarvo::sim {

namespace {

enum class Condition { Rising, Falling, EitherEdge, Below, AtOrAbove, Outside };

struct ModeEntry {
    std::uint8_t code;
    bool external;
    Condition condition;
};

// Conditions that hold for a stretch of time rather than at an edge.
bool IsLevel(Condition c) {
    return c == Condition::Below || c == Condition::AtOrAbove || c == Condition::Outside;
}

// Edge conditions are followed firing by firing this many times before the search starts
// afresh where it is asked for.
constexpr int kFiringsFollowed = 64;

constexpr ModeEntry kModes[] = {
    {0x00, true, Condition::Falling},     {0x01, true, Condition::Rising},
    {0x05, false, Condition::Rising},     {0x06, false, Condition::Falling},
    {0x09, false, Condition::EitherEdge}, {0x10, false, Condition::Below},
    {0x11, false, Condition::AtOrAbove},  {0x20, false, Condition::Outside},
};

// Level DAC code to full scales: 127 is 0 V, 128 codes per full scale.
double Level(std::uint8_t code) {
    return (code - 127) / 128.0;
}

// Armed when below `low`, fires at or above `high`.
SimTime RisingThrough(const ChannelView& in, SimTime from, double low, double high) {
    const SimTime armed = in.FirstBelow(from, low);
    return armed == kNever ? kNever : in.FirstAtOrAbove(armed, high);
}

// Armed when at or above `high`, fires below `low`.
SimTime FallingThrough(const ChannelView& in, SimTime from, double high, double low) {
    const SimTime armed = in.FirstAtOrAbove(from, high);
    return armed == kNever ? kNever : in.FirstBelow(armed, low);
}

const ModeEntry* Find(std::uint8_t mode) {
    for (const ModeEntry& m : kModes) {
        if (m.code == mode) return &m;
    }
    return nullptr;
}

}  // namespace

SimTime Comparator::FireTimeFrom(SimTime from, const ComparatorSetup& setup,
                                 const ChannelView& channel, const ChannelView& external) {
    const ModeEntry* entry = Find(setup.mode);
    if (entry == nullptr) return kNever;
    const ChannelView& in = entry->external ? external : channel;
    const double a = Level(setup.levelA);
    const double b = Level(setup.levelB);
    const double low = std::min(a, b);
    const double high = std::max(a, b);
    switch (entry->condition) {
        case Condition::Rising:
            return RisingThrough(in, from, a, b);
        case Condition::Falling:
            return FallingThrough(in, from, a, b);
        case Condition::EitherEdge:
            return std::min(RisingThrough(in, from, low, high),
                            FallingThrough(in, from, high, low));
        case Condition::Below:
            return in.FirstBelow(from, b);
        case Condition::AtOrAbove:
            return in.FirstAtOrAbove(from, b);
        case Condition::Outside:
            return std::min(in.FirstBelow(from, low), in.FirstAtOrAbove(from, high));
    }
    return kNever;
}

void Comparator::Configure(SimTime now, const ComparatorSetup& setup, const ChannelView& channel,
                           const ChannelView& external) {
    setup_ = setup;
    channel_ = channel;
    external_ = external;
    watchFrom_ = now;
    firstFiring_ = FireTimeFrom(now, setup, channel, external);
}

void Comparator::Arm(SimTime now, const ComparatorSetup& setup, const ChannelView& channel,
                     const ChannelView& external) {
    armed_ = true;
    Configure(now, setup, channel, external);
    fireTime_ = firstFiring_;
}

void Comparator::Change(SimTime now, const ComparatorSetup& setup, const ChannelView& channel,
                        const ChannelView& external) {
    if (!armed_) return;
    Configure(now, setup, channel, external);
    if (fireTime_ > now) fireTime_ = firstFiring_;
}

SimTime Comparator::FirstFiringFrom(SimTime since) const {
    if (!armed_) return kNever;
    const SimTime from = std::max(since, watchFrom_);
    const ModeEntry* entry = Find(setup_.mode);
    if (entry == nullptr) return kNever;
    if (IsLevel(entry->condition)) return FireTimeFrom(from, setup_, channel_, external_);
    // An edge condition has to come round again: follow its firings up to `from`.
    SimTime firing = firstFiring_;
    for (int i = 0; i < kFiringsFollowed && firing < from; ++i) {
        firing = FireTimeFrom(firing + 1, setup_, channel_, external_);
    }
    if (firing < from) firing = FireTimeFrom(from, setup_, channel_, external_);
    return firing;
}

}  // namespace zarvo::sim
