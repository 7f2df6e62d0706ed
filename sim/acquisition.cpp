// SPDX-License-Identifier: MIT
#include "sim/acquisition.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zarvo::sim {

namespace {

constexpr std::uint16_t kPositionMask = kMemoryPositions - 1;
// Positions the counter moves past a run's last sample while the pipeline empties, less the
// one step every stored sample makes.
constexpr std::int64_t kPipelineSteps = 4;
// More partial runs than this are folded into the stored memory image.
constexpr std::size_t kMaxSegments = 8;

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A pair of independent standard normal values (Box-Muller) that depends only on the run and
// the sample, so that a reading does not depend on when or how often it is made. Converter 1
// takes the first, converter 2 the second.
void GaussianPair(std::uint64_t run, std::int64_t n, double* pair) {
    const std::uint64_t key = Mix(Mix(0x7A52564F53494Dull ^ run) ^ static_cast<std::uint64_t>(n));
    const std::uint64_t second = Mix(key);
    // u1 in (0, 1] keeps the logarithm finite.
    const double u1 = (static_cast<double>(key >> 11) + 1.0) * 0x1.0p-53;
    const double u2 = static_cast<double>(second >> 11) * 0x1.0p-53;
    const double r = std::sqrt(-2.0 * std::log(u1));
    const double angle = 2.0 * std::numbers::pi * u2;
    pair[0] = r * std::cos(angle);
    pair[1] = r * std::sin(angle);
}

}  // namespace

Acquisition::Acquisition(const Comparator& comparator1, const Comparator& comparator2)
    : comparator1_(comparator1), comparator2_(comparator2) {
    for (auto& memory : base_) memory.fill(0x80);
}

std::int64_t Acquisition::Taken(SimTime now) const {
    if (run_.period <= 0 || now < run_.start) return 0;
    return (now - run_.start) / run_.period + 1;
}

SimTime Acquisition::PendingTrigger() const {
    // The run takes comparator firings that come while it waits.
    const SimTime f1 = comparator1_.FirstFiringFrom(sourceSince_);
    const SimTime f2 = comparator2_.FirstFiringFrom(sourceSince_);
    SimTime condition = kNever;
    switch (sourceCode_) {
        case 0:
            condition = f1;
            break;
        case 1:
            condition = f2;
            break;
        case 2:
            condition = sourceSince_;
            break;
        case 3:
            condition = std::min(f1, f2);
            break;
        case 4:
            condition = std::max(f1, f2);
            break;
        default:
            break;
    }
    return condition == kNever ? kNever : std::max(condition, sourceSince_);
}

void Acquisition::Settle(SimTime now) {
    if (!run_.live) return;
    const SimTime period = run_.period;
    switch (run_.kind) {
        case Kind::None:
            run_.live = false;
            return;
        case Kind::Triggered: {
            if (run_.trigger == kNever) {
                const SimTime t = PendingTrigger();
                if (t <= now) run_.trigger = t;
            }
            if (period <= 0) return;  // no sample clock: nothing is stored, the run never ends
            if (run_.trigger != kNever) {
                // The trigger sample is the first clock edge at or after the trigger.
                const SimTime trigger = std::max(run_.trigger, run_.start);
                const std::int64_t nt = (trigger - run_.start + period - 1) / period;
                const std::int64_t last = nt + run_.count;
                if (run_.start + last * period <= now) {
                    Finish(last + 1);
                    return;
                }
            }
            break;
        }
        case Kind::Fill:
            if (run_.count == 0) {
                Finish(0);
                return;
            }
            if (period <= 0) return;
            if (run_.start + (static_cast<std::int64_t>(run_.count) - 1) * period <= now) {
                Finish(run_.count);
                return;
            }
            break;
        case Kind::Seek: {
            std::int64_t steps = 0;
            if (period > 0 && now >= run_.start) steps = (now - run_.start) / period;
            if (run_.count == 0 || steps >= run_.count) {
                position_ = static_cast<std::uint16_t>(run_.count & kPositionMask);
                complete_ = true;
                run_.live = false;
            } else {
                position_ = static_cast<std::uint16_t>(steps & kPositionMask);
            }
            return;
        }
    }
    const std::int64_t taken = Taken(now);
    segments_.back().stored = taken;
    position_ = static_cast<std::uint16_t>((run_.origin + taken) & kPositionMask);
}

void Acquisition::Finish(std::int64_t stored) {
    segments_.back().stored = stored;
    position_ = static_cast<std::uint16_t>((run_.origin + stored + kPipelineSteps) & kPositionMask);
    complete_ = true;
    run_.live = false;
    // A run that went round the whole memory hides everything before it.
    if (stored >= kMemoryPositions && segments_.size() > 1) {
        segments_.erase(segments_.begin(), segments_.end() - 1);
    }
}

void Acquisition::Stop(SimTime now) {
    Settle(now);
    if (!run_.live) return;
    run_.live = false;
    if (run_.kind == Kind::Seek) return;  // Settle left the position where the seek got to
    const std::int64_t stored = Taken(now);
    if (stored == 0 && !segments_.back().history) {
        segments_.pop_back();
        return;
    }
    segments_.back().stored = stored;
    position_ = static_cast<std::uint16_t>((run_.origin + stored + kPipelineSteps) & kPositionMask);
}

void Acquisition::Start(Kind kind, SimTime now, SimTime period, std::uint16_t count,
                        const ConverterSetup& setup) {
    run_ = Run{};
    run_.kind = kind;
    run_.live = true;
    run_.period = period > 0 ? period : 0;
    // The first clock edge at or after the command.
    run_.start = run_.period > 0 ? (now + run_.period - 1) / run_.period * run_.period : now;
    run_.origin = position_;
    run_.count = count;
    complete_ = false;
    if (kind != Kind::Seek) {
        if (segments_.size() >= kMaxSegments) {
            Materialise(segments_.front());
            segments_.erase(segments_.begin());
        }
        Segment s;
        // With a running clock an acquisition run hides everything before it.
        s.history = kind == Kind::Triggered && run_.period > 0;
        if (s.history) segments_.clear();
        s.id = nextSegmentId_++;
        s.origin = position_;
        s.start = run_.start;
        s.period = run_.period;
        s.setup = setup;
        segments_.push_back(s);
    }
    Settle(now);
}

void Acquisition::Command(std::uint8_t value, SimTime now, SimTime period, std::uint16_t count,
                          const ConverterSetup& setup) {
    Stop(now);
    switch (value) {
        case 0x0F:
            sourceSince_ = now;
            Start(Kind::Triggered, now, period, count, setup);
            break;
        case 6:
        case 2:
            position_ = 0;
            break;
        case 7:
            Start(Kind::Fill, now, period, count, setup);
            break;
        case 3:
            Start(Kind::Seek, now, period, count, setup);
            break;
        default:
            break;
    }
}

void Acquisition::SetTriggerSource(std::uint8_t code, SimTime now) {
    Settle(now);
    sourceCode_ = code;
    sourceSince_ = now;
}

void Acquisition::Advance() {
    if (run_.live) return;
    position_ = static_cast<std::uint16_t>((position_ + 1) & kPositionMask);
}

std::uint8_t Acquisition::Evaluate(const Segment& s, int converter, std::int64_t n) const {
    const auto c = static_cast<std::size_t>(converter);
    const SimTime t = s.start + n * s.period + s.setup.delay[c];
    double noise = 0.0;
    if (s.setup.noise > 0.0) {
        // The read-out asks for both converters of a position in turn: compute the pair once.
        if (!noiseCache_.valid || noiseCache_.segment != s.id || noiseCache_.n != n) {
            GaussianPair(s.id, n, noiseCache_.pair);
            noiseCache_ = {true, s.id, n, {noiseCache_.pair[0], noiseCache_.pair[1]}};
        }
        noise = s.setup.noise * noiseCache_.pair[c];
    }
    return Quantise(s.setup.view[c].Value(t, noise));
}

std::uint8_t Acquisition::Sample(int converter) const {
    if (converter < 0 || converter > 1) return 0;
    for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
        std::int64_t n = 0;
        if (SampleIndex(*it, position_, &n)) return Evaluate(*it, converter, n);
    }
    return base_[static_cast<std::size_t>(converter)][position_];
}

bool Acquisition::SampleIndex(const Segment& s, int position, std::int64_t* n) {
    const std::int64_t d = (position - s.origin) & kPositionMask;
    if (d < s.stored) {
        // The latest time round the memory that reached this position.
        *n = d + kMemoryPositions * ((s.stored - 1 - d) / kMemoryPositions);
        return true;
    }
    if (!s.history) return false;
    *n = d - kMemoryPositions;  // before the start
    return true;
}

void Acquisition::Materialise(const Segment& s) {
    for (int p = 0; p < kMemoryPositions; ++p) {
        std::int64_t n = 0;
        if (!SampleIndex(s, p, &n)) continue;
        for (int c = 0; c < 2; ++c) {
            base_[static_cast<std::size_t>(c)][static_cast<std::size_t>(p)] = Evaluate(s, c, n);
        }
    }
}

}  // namespace zarvo::sim
