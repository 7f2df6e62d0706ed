// SPDX-License-Identifier: MIT
// The closed-form signal crossings the comparators rely on, checked against plain sampling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "sim/logic_line.h"
#include "sim/signal.h"

namespace zarvo::sim {
namespace {

// The first time in [t, t + horizon) at which the condition holds, by stepping `step` ns;
// kNever if none. Exact at the step's resolution.
template <typename Condition>
SimTime ScanFirst(SimTime t, SimTime horizon, SimTime step, Condition holds) {
    for (SimTime u = t; u < t + horizon; u += step) {
        if (holds(u)) return u;
    }
    return kNever;
}

TEST(SimSignal, ValuesOfTheShapes) {
    const auto sine = Waveform::Periodic(Waveform::Shape::Sine, 1000, 2, 0.5);
    EXPECT_NEAR(sine.At(0), 0.5, 1e-12);
    EXPECT_NEAR(sine.At(250'000), 2.5, 1e-12);
    EXPECT_NEAR(sine.At(750'000), -1.5, 1e-12);
    const auto square = Waveform::Periodic(Waveform::Shape::Square, 1000, 1, 0);
    EXPECT_EQ(square.At(0), 1.0);
    EXPECT_EQ(square.At(499'999), 1.0);
    EXPECT_EQ(square.At(500'000), -1.0);
    EXPECT_EQ(square.At(1'000'000), 1.0);
    const auto tri = Waveform::Periodic(Waveform::Shape::Triangle, 1000, 1, 0);
    EXPECT_NEAR(tri.At(125'000), 0.5, 1e-12);
    EXPECT_NEAR(tri.At(500'000), 0.0, 1e-12);
    EXPECT_NEAR(tri.At(750'000), -1.0, 1e-12);
    const auto inverted = Waveform::Periodic(Waveform::Shape::Square, 1000, -1, 0);
    EXPECT_EQ(inverted.At(0), -1.0);
    EXPECT_EQ(inverted.At(600'000), 1.0);
    EXPECT_EQ(Waveform::Periodic(Waveform::Shape::Sine, 0, 1, 0.3).At(123), 0.3);
    EXPECT_EQ(Waveform::Periodic(Waveform::Shape::Sine, 1000, 3, 0.25).Mean(), 0.25);
}

TEST(SimSignal, GeneratorWaveformFollowsItsState) {
    InputSignal gen{InputSignal::Kind::Gen, 0, 0, 0};
    GeneratorState off;
    EXPECT_EQ(Waveform::FromInput(gen, off).At(1000), 0.0);
    GeneratorState idleHigh;
    idleHigh.high = true;
    EXPECT_EQ(Waveform::FromInput(gen, idleHigh).At(1000), 1.0);
    GeneratorState running{true, true, 1000.0, 300'000};
    const auto w = Waveform::FromInput(gen, running);
    EXPECT_EQ(w.At(300'000), 1.0);
    EXPECT_EQ(w.At(800'000), 0.0);
    EXPECT_EQ(w.At(1'300'000), 1.0);
    EXPECT_EQ(w.Mean(), 0.5);
}

TEST(SimSignal, CrossingsAgreeWithSampling) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const Waveform::Shape shapes[] = {Waveform::Shape::Sine, Waveform::Shape::Square,
                                      Waveform::Shape::Triangle};
    for (int trial = 0; trial < 300; ++trial) {
        const Waveform::Shape shape = shapes[trial % 3];
        const double amplitude = (unit(random) - 0.3) * 4;
        const double offset = unit(random) - 0.5;
        const auto w = Waveform::Periodic(shape, 10'000, amplitude, offset, 12'345);
        const double level = offset + (unit(random) * 2.4 - 1.2) * std::fabs(amplitude);
        const SimTime from = static_cast<SimTime>(unit(random) * 1e6);
        // 10 kHz: one period is 100 000 ns; scan two periods at 1 ns.
        const SimTime above = w.FirstAtOrAbove(from, level);
        const SimTime scanAbove =
            ScanFirst(from, 200'000, 1, [&](SimTime u) { return w.At(u) >= level; });
        EXPECT_EQ(above, scanAbove) << trial << " level " << level;
        const SimTime below = w.FirstBelow(from, level);
        const SimTime scanBelow =
            ScanFirst(from, 200'000, 1, [&](SimTime u) { return w.At(u) < level; });
        EXPECT_EQ(below, scanBelow) << trial << " level " << level;
    }
}

TEST(SimSignal, ConstantsAndViews) {
    const auto dc = Waveform::Constant(0.3);
    EXPECT_EQ(dc.FirstAtOrAbove(50, 0.3), 50);
    EXPECT_EQ(dc.FirstBelow(50, 0.3), kNever);
    EXPECT_EQ(dc.FirstBelow(50, 0.31), 50);
    EXPECT_EQ(dc.FirstAtOrAbove(50, std::nan("")), kNever);
    ChannelView view;
    view.wave = Waveform::Periodic(Waveform::Shape::Square, 1000, 1, 2);  // 1 V .. 3 V
    view.gain = 0.5;
    view.shift = 0.25;
    view.mean = 2;  // AC coupled: -1 V .. +1 V, then -0.25 .. 0.75 full scales
    EXPECT_DOUBLE_EQ(view.Value(0), 0.75);
    EXPECT_DOUBLE_EQ(view.Value(600'000), -0.25);
    EXPECT_EQ(view.FirstBelow(100'000, 0.0), 500'000);
    EXPECT_EQ(view.FirstAtOrAbove(600'000, 0.5), 1'000'000);
    view.gain = 0.0;  // open input: only the shift is left
    EXPECT_EQ(view.FirstAtOrAbove(7, 0.25), 7);
    EXPECT_EQ(view.FirstAtOrAbove(7, 0.26), kNever);
}

TEST(SimSignal, VerySlowSignalsNeverOverflowTime) {
    const auto slow = Waveform::Periodic(Waveform::Shape::Sine, 1e-12, 1, 0);
    EXPECT_EQ(slow.FirstBelow(10, -0.5), kNever);
    // Near the end of time the next edge of a 1 Hz square wave lies beyond it: whichever
    // level the wave is at, the other one is never reached.
    const auto w = Waveform::Periodic(Waveform::Shape::Square, 1, 1, 0);
    const SimTime t = kNever - 10;
    const SimTime below = w.FirstBelow(t, 0.0);
    const SimTime above = w.FirstAtOrAbove(t, 0.0);
    EXPECT_TRUE((below == t && above == kNever) || (below == kNever && above == t))
        << below << " " << above;
}

TEST(SimSignal, QuantiseMapsFullScalesToCodes) {
    EXPECT_EQ(Quantise(0.0), 0x80);
    EXPECT_EQ(Quantise(0.5), 192);
    EXPECT_EQ(Quantise(-1.0), 0);
    EXPECT_EQ(Quantise(-5.0), 0);
    EXPECT_EQ(Quantise(0.99), 255);
    EXPECT_EQ(Quantise(3.0), 255);
    EXPECT_EQ(Quantise(0.5 / 128), 128);  // half a code: to even
    EXPECT_EQ(Quantise(1.5 / 128), 130);
    EXPECT_EQ(Quantise(std::nan("")), 0);
}

TEST(SimSignal, BusLineCrossingsAgreeWithSampling) {
    // One UART byte at 1 Mbaud (1000 ns bits, a 30-bit repetition), idle at +3.3 V or, for an
    // inverted line, at -3.3 V; SPI's data line at a rate whose half bit is not whole ns.
    const auto spi = SpiLines(3e6, {0xA5}, 2.0, "spi");
    const Waveform lines[] = {Waveform::Digital(UartLine(1e6, {0x48}, 3.3, "uart")),
                              Waveform::Digital(UartLine(1e6, {0x48}, -3.3, "uart")),
                              Waveform::Digital(spi.ch2)};
    std::mt19937_64 random(777);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        const Waveform& w = lines[trial % 3];
        const double level = unit(random) * 8.0 - 4.0;
        const SimTime from = static_cast<SimTime>(unit(random) * 1e5);
        const SimTime above = w.FirstAtOrAbove(from, level);
        const SimTime scanAbove =
            ScanFirst(from, 60'000, 1, [&](SimTime u) { return w.At(u) >= level; });
        EXPECT_EQ(above, scanAbove) << trial << " level " << level;
        const SimTime below = w.FirstBelow(from, level);
        const SimTime scanBelow =
            ScanFirst(from, 60'000, 1, [&](SimTime u) { return w.At(u) < level; });
        EXPECT_EQ(below, scanBelow) << trial << " level " << level;
    }
    EXPECT_EQ(lines[0].At(0), 0.0) << "the start bit opens the repetition";
    EXPECT_EQ(lines[0].At(9'500), 3.3) << "the stop bit";
    EXPECT_EQ(lines[1].At(9'500), -3.3);
}

}  // namespace
}  // namespace zarvo::sim
