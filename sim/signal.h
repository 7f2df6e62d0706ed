// SPDX-License-Identifier: MIT
// Input signals of the simulated instrument as functions of signal time, with the questions
// the trigger comparators ask of them answered in closed form (when does the signal next
// reach a level), so that nothing has to be sampled while the instrument waits.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

#include "sim/sim_config.h"

namespace zarvo::sim {

// Signal time in nanoseconds since the instrument was switched on.
using SimTime = std::int64_t;
inline constexpr SimTime kNever = std::numeric_limits<SimTime>::max();

// The square-wave generator output as the counter/timer drives it: 0 V low, 1 V high.
struct GeneratorState {
    bool oscillating = false;  // counter 2 runs in square-wave mode with the output enabled
    bool high = false;         // the level when not oscillating
    double frequency = 0.0;    // Hz, when oscillating
    SimTime origin = 0;        // start of a high half-period
};

// A periodic or constant waveform in volts.
class Waveform {
public:
    enum class Shape { Constant, Sine, Square, Triangle, Line };

    Waveform() = default;
    static Waveform Constant(double volts);
    static Waveform Periodic(Shape shape, double frequency, double amplitude, double offset,
                             SimTime origin = 0);
    // The waveform a configured signal produces; `gen` follows the generator.
    static Waveform FromInput(const InputSignal& input, const GeneratorState& generator);
    // A bus line: 0 V low, its high volts high.
    static Waveform Digital(std::shared_ptr<const LogicLine> line);

    double At(SimTime t) const;
    // Average over a period (what an AC-coupled input takes away).
    double Mean() const { return offset_; }

    // Earliest time >= t at which the value is >= level, or below level; kNever if it never
    // happens.
    SimTime FirstAtOrAbove(SimTime t, double level) const;
    SimTime FirstBelow(SimTime t, double level) const;

private:
    // Phase in cycles, in [0, 1), with a negative amplitude folded into half a period.
    double Phase(SimTime t) const;
    // The phase interval [lo, lo + length) (cycles, length in [0, 1]) in which the normalised
    // shape is >= s; everything when length is 1.
    void AtOrAboveInterval(double s, double* lo, double* length) const;
    SimTime FirstInInterval(SimTime t, double lo, double length) const;
    SimTime FirstAtOrAboveEstimate(SimTime t, double level) const;
    SimTime LineFirst(SimTime t, double level, bool atOrAbove) const;
    SimTime FirstBelowEstimate(SimTime t, double level) const;

    Shape shape_ = Shape::Constant;
    double frequency_ = 0.0;
    double amplitude_ = 0.0;  // >= 0 after folding
    double offset_ = 0.0;
    double phaseShift_ = 0.0;  // 0.5 when the configured amplitude was negative
    SimTime origin_ = 0;
    std::shared_ptr<const LogicLine> line_;  // Line; copying a waveform shares it
};

// One instrument input as a converter or comparator sees it: waveform, coupling, gain and the
// DC-level shift, in units of the range's full scale (1.0 = full scale, converter code 255
// is just below it).
struct ChannelView {
    Waveform wave;
    double gain = 0.0;   // full scales per volt; 0 when the input relay is open
    double shift = 0.0;  // full scales added after the gain (DC level)
    double mean = 0.0;   // volts removed by AC coupling

    double Value(SimTime t, double noiseVolts = 0.0) const {
        return gain * (wave.At(t) + noiseVolts - mean) + shift;
    }
    SimTime FirstAtOrAbove(SimTime t, double level) const;
    SimTime FirstBelow(SimTime t, double level) const;
};

// The 8-bit converter code of a value in full scales: 0x80 is 0, 128 codes per full scale.
std::uint8_t Quantise(double fullScales);

}  // namespace zarvo::sim
