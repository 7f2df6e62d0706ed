// SPDX-License-Identifier: MIT
// The acquisition memory and its runs: a circular memory of 0x8000 positions per converter,
// one address counter that both the runs and the host's advance strobe step, and the run
// commands of bank 0 sub-register 3.
//
//   0x0F  acquisition run: samples into the memory from the counter's position at the
//         programmed clock, waits for the trigger source, takes the sample at the trigger and
//         then the programmed run count of further samples, and sets the run-complete bit.
//   6, 7  fill run: 6 stops and clears the counter, 7 takes the run count of samples.
//   2, 3  seek run: 2 stops and clears the counter, 3 moves it by the run count at the
//         programmed clock without storing anything, so the read position ends at the count.
//   0 (and any other value) stops a run; the run-complete bit is left as it is.
//
// When a storing run ends the counter stands 5 positions past its last sample: the
// converters' pipeline keeps the counter stepping while the last conversions pass through.
// So the last sample of a run lies at counter - 5, its trigger sample run-count positions
// before that.
//
// Trigger source codes (bank 0 sub-register 7; a write while a run waits takes effect at
// once): 0 comparator 1, 1 comparator 2 (channel 2 or, in the external modes, the external
// input), 2 immediate, 3 either comparator, 4 both comparators (each has fired since the
// code took effect), 7 and any other code never (the drop-out trigger is decided by the driver,
// which forces the run with code 2).
//
// An acquisition run owns the whole memory: positions it has not reached yet hold what the
// converters saw that many clock periods before the arm, as if the memory had been recording
// at the run's clock all along. So a record is complete however soon after the arm the
// trigger comes; the driver has no pre-trigger wait of its own. Fill runs store only their
// count; positions they do not reach keep what an earlier run left.
//
// Sample clock edges fall on whole multiples of the clock period counted from power-on (the
// oscillator runs freely), so records of a signal whose period is a whole number of clock
// periods repeat exactly from run to run.
//
// Nothing is sampled ahead of time: a run records its start time, clock and converter
// set-up, and a memory position becomes a sample time and a value only when it is read.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/signal.h"
#include "sim/trigger.h"

namespace zarvo::sim {

inline constexpr int kMemoryPositions = 0x8000;

// What the two converters sample during a run, fixed when the run starts.
struct ConverterSetup {
    std::array<ChannelView, 2> view;  // converter 1, converter 2
    std::array<SimTime, 2> delay{};   // sampling instant after each clock edge
    double noise = 0.0;               // RMS volts added at the input
};

class Acquisition {
public:
    // The two comparators are read for the trigger; they must outlive this object.
    Acquisition(const Comparator& comparator1, const Comparator& comparator2);

    // A run command at `now`; `period` is the sample clock period (0 when the clock does not
    // run) and `count` the programmed run count.
    void Command(std::uint8_t value, SimTime now, SimTime period, std::uint16_t count,
                 const ConverterSetup& setup);
    void SetTriggerSource(std::uint8_t code, SimTime now);

    // Brings the run up to `now`: fixes a trigger that has happened and ends a run whose last
    // sample has been taken. Call before anything that looks at the run, and before the
    // comparators change.
    void Settle(SimTime now);
    // A run is in progress (its end has not been seen); reads then need Settle first.
    bool Live() const { return run_.live; }

    bool Complete() const { return complete_; }
    std::uint16_t Position() const { return position_; }
    // The host's advance strobe; ignored while a run drives the counter.
    void Advance();
    // The converter's (0 or 1) sample at the read position.
    std::uint8_t Sample(int converter) const;

private:
    enum class Kind { None, Triggered, Fill, Seek };
    struct Run {
        Kind kind = Kind::None;
        bool live = false;
        SimTime start = 0;
        SimTime period = 0;
        std::uint16_t origin = 0;  // counter position at the start
        std::uint32_t count = 0;
        SimTime trigger = kNever;  // fixed once it has happened
    };
    struct Segment {
        std::uint64_t id = 0;
        std::uint16_t origin = 0;
        std::int64_t stored = 0;  // samples stored, the n-th at origin + n
        bool history = false;     // positions not reached hold samples from before the start
        SimTime start = 0;
        SimTime period = 0;
        ConverterSetup setup;
    };

    void Stop(SimTime now);
    void Start(Kind kind, SimTime now, SimTime period, std::uint16_t count,
               const ConverterSetup& setup);
    void Finish(std::int64_t stored);
    std::int64_t Taken(SimTime now) const;  // clock edges from the start up to now
    SimTime PendingTrigger() const;
    std::uint8_t Evaluate(const Segment& s, int converter, std::int64_t n) const;
    // The run's sample index held at a memory position; false when the run left it alone.
    static bool SampleIndex(const Segment& s, int position, std::int64_t* n);
    void Materialise(const Segment& s);

    const Comparator& comparator1_;
    const Comparator& comparator2_;
    Run run_;
    bool complete_ = false;
    std::uint16_t position_ = 0;
    std::uint8_t sourceCode_ = 0;
    SimTime sourceSince_ = 0;
    std::uint64_t nextSegmentId_ = 1;
    std::vector<Segment> segments_;  // oldest first; a live storing run's is the last
    std::array<std::array<std::uint8_t, kMemoryPositions>, 2> base_{};
    struct NoiseCache {
        bool valid = false;
        std::uint64_t segment = 0;
        std::int64_t n = 0;
        double pair[2] = {0.0, 0.0};
    };
    mutable NoiseCache noiseCache_;
};

}  // namespace zarvo::sim
