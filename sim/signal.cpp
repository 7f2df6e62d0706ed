// SPDX-License-Identifier: MIT
#include "sim/signal.h"

#include <cmath>
#include <numbers>

namespace zarvo::sim {

namespace {

// Beyond this a waiting time is as good as never (about 126 years).
constexpr long double kLongestWaitNs = 4e18L;
// Nanoseconds a closed-form crossing may be stepped to agree with the sampled value.
constexpr int kAgreeSteps = 4;

}  // namespace

Waveform Waveform::Constant(double volts) {
    Waveform w;
    w.offset_ = std::isfinite(volts) ? volts : 0.0;
    return w;
}

Waveform Waveform::Periodic(Shape shape, double frequency, double amplitude, double offset,
                            SimTime origin) {
    if (!std::isfinite(offset)) offset = 0.0;
    if (!std::isfinite(amplitude)) amplitude = 0.0;
    if (shape == Shape::Constant || !std::isfinite(frequency) || frequency <= 0.0 ||
        amplitude == 0.0) {
        // A frozen periodic shape stays where its period starts: a square wave high, the
        // others at their offset.
        return Constant(shape == Shape::Square ? offset + amplitude : offset);
    }
    Waveform w;
    w.shape_ = shape;
    w.frequency_ = frequency;
    w.amplitude_ = std::fabs(amplitude);
    w.offset_ = offset;
    // Each shape is odd about half a period, so a negative amplitude is the same shape half a
    // period later.
    w.phaseShift_ = amplitude < 0.0 ? 0.5 : 0.0;
    w.origin_ = origin;
    return w;
}

Waveform Waveform::FromInput(const InputSignal& input, const GeneratorState& generator) {
    switch (input.kind) {
        case InputSignal::Kind::Sine:
            return Periodic(Shape::Sine, input.frequency, input.amplitude, input.offset);
        case InputSignal::Kind::Square:
            return Periodic(Shape::Square, input.frequency, input.amplitude, input.offset);
        case InputSignal::Kind::Triangle:
            return Periodic(Shape::Triangle, input.frequency, input.amplitude, input.offset);
        case InputSignal::Kind::Dc:
            return Constant(input.offset);
        case InputSignal::Kind::Gen:
            if (generator.oscillating) {
                return Periodic(Shape::Square, generator.frequency, 0.5, 0.5, generator.origin);
            }
            return Constant(generator.high ? 1.0 : 0.0);
        case InputSignal::Kind::Line:
            return Digital(input.line);
    }
    return Constant(0.0);
}

Waveform Waveform::Digital(std::shared_ptr<const LogicLine> line) {
    if (line == nullptr) return Constant(0.0);
    Waveform w;
    w.shape_ = Shape::Line;
    w.offset_ = line->Mean();
    w.amplitude_ = line->High();
    w.line_ = std::move(line);
    return w;
}

double Waveform::Phase(SimTime t) const {
    // Dividing by 1e9 (exact) rather than multiplying by 1e-9 (inexact) keeps the period
    // boundaries of round frequencies exactly on whole nanoseconds.
    const double cycles = frequency_ * static_cast<double>(t - origin_) / 1e9 + phaseShift_;
    return cycles - std::floor(cycles);
}

double Waveform::At(SimTime t) const {
    if (shape_ == Shape::Constant) return offset_;
    if (shape_ == Shape::Line) return line_->HighAt(t) ? amplitude_ : 0.0;
    const double phase = Phase(t);
    double unit = 0.0;
    switch (shape_) {
        case Shape::Sine:
            unit = std::sin(2.0 * std::numbers::pi * phase);
            break;
        case Shape::Square:
            unit = phase < 0.5 ? 1.0 : -1.0;
            break;
        case Shape::Triangle:
            if (phase < 0.25) {
                unit = 4.0 * phase;
            } else if (phase < 0.75) {
                unit = 2.0 - 4.0 * phase;
            } else {
                unit = 4.0 * phase - 4.0;
            }
            break;
        case Shape::Constant:
        case Shape::Line:
            break;
    }
    return offset_ + amplitude_ * unit;
}

void Waveform::AtOrAboveInterval(double s, double* lo, double* length) const {
    // Called with -1 < s <= 1. Sine and triangle rise through s at lo and fall through it at
    // half a period minus lo; the square wave is high for the first half period.
    switch (shape_) {
        case Shape::Sine:
            *lo = std::asin(s) / (2.0 * std::numbers::pi);
            break;
        case Shape::Triangle:
            *lo = s / 4.0;
            break;
        case Shape::Square:
        case Shape::Constant:
        case Shape::Line:
            *lo = 0.0;
            *length = 0.5;
            return;
    }
    *length = 0.5 - 2.0 * *lo;
}

SimTime Waveform::FirstInInterval(SimTime t, double lo, double length) const {
    const double phase = Phase(t);
    double u = phase - lo;
    u -= std::floor(u);
    if (u < length || u == 0.0) return t;
    const long double waitNs =
        static_cast<long double>(1.0 - u) / static_cast<long double>(frequency_) * 1e9L;
    if (!(waitNs < kLongestWaitNs)) return kNever;
    // A crossing within a picosecond of a whole nanosecond counts as on it.
    const auto wait = static_cast<SimTime>(std::ceil(waitNs - 1e-3L));
    return wait > kNever - t ? kNever : t + wait;
}

SimTime Waveform::FirstAtOrAbove(SimTime t, double level) const {
    if (shape_ == Shape::Line) return LineFirst(t, level, true);
    SimTime found = FirstAtOrAboveEstimate(t, level);
    // The closed form and At() round differently; step to where At() agrees.
    for (int i = 0; i < kAgreeSteps && found != kNever && !(At(found) >= level); ++i) ++found;
    return found;
}

SimTime Waveform::FirstBelow(SimTime t, double level) const {
    if (shape_ == Shape::Line) return LineFirst(t, level, false);
    SimTime found = FirstBelowEstimate(t, level);
    for (int i = 0; i < kAgreeSteps && found != kNever && !(At(found) < level); ++i) ++found;
    return found;
}

SimTime Waveform::LineFirst(SimTime t, double level, bool atOrAbove) const {
    // The line is 0 V in one state and its high volts (negative for an inverted line) in the
    // other: wait for whichever of the two is on the asked side of the level.
    if (std::isnan(level)) return kNever;
    const bool highCounts = atOrAbove ? amplitude_ >= level : amplitude_ < level;
    const bool lowCounts = atOrAbove ? 0.0 >= level : 0.0 < level;
    if (highCounts && lowCounts) return t;
    if (highCounts) return line_->NextHigh(t);
    if (lowCounts) return line_->NextLow(t);
    return kNever;
}

SimTime Waveform::FirstAtOrAboveEstimate(SimTime t, double level) const {
    if (std::isnan(level)) return kNever;
    if (shape_ == Shape::Constant) return offset_ >= level ? t : kNever;
    const double s = (level - offset_) / amplitude_;
    if (s <= -1.0) return t;
    if (s > 1.0) return kNever;
    double lo = 0.0;
    double length = 0.0;
    AtOrAboveInterval(s, &lo, &length);
    return FirstInInterval(t, lo, length);
}

SimTime Waveform::FirstBelowEstimate(SimTime t, double level) const {
    if (std::isnan(level)) return kNever;
    if (shape_ == Shape::Constant) return offset_ < level ? t : kNever;
    const double s = (level - offset_) / amplitude_;
    if (s <= -1.0) return kNever;
    if (s > 1.0) return t;
    double lo = 0.0;
    double length = 0.0;
    AtOrAboveInterval(s, &lo, &length);
    // The complement of [lo, lo + length).
    return FirstInInterval(t, lo + length, 1.0 - length);
}

SimTime ChannelView::FirstAtOrAbove(SimTime t, double level) const {
    if (gain <= 0.0) return shift >= level ? t : kNever;
    return wave.FirstAtOrAbove(t, (level - shift) / gain + mean);
}

SimTime ChannelView::FirstBelow(SimTime t, double level) const {
    if (gain <= 0.0) return shift < level ? t : kNever;
    return wave.FirstBelow(t, (level - shift) / gain + mean);
}

// Every sample of every record passes through here, so this rounds in double rather than
// through the driver's extended-precision helper: same result (nearest code, halves to even,
// NaN and below-range to 0, above-range to 255), a quarter of the readout's time less.
std::uint8_t Quantise(double fullScales) {
    const double code = 128.0 + 128.0 * fullScales;
    if (!(code > 0.0)) return 0;
    if (code >= 255.0) return 255;
    const double below = std::floor(code);
    const double fraction = code - below;
    auto n = static_cast<unsigned>(below);
    if (fraction > 0.5 || (fraction == 0.5 && (n & 1u) != 0)) ++n;
    return static_cast<std::uint8_t>(n);
}

}  // namespace zarvo::sim
