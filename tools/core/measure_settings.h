// SPDX-License-Identifier: MIT
// The measurement settings of one record (channels, ranges, timebase, trigger) and what the
// instrument took of them, applied through the exports.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::core {

// The probe factors a channel takes, from an amplifying x0.001 to a x10000 high-voltage
// divider (x1, x10 and x100 are the common ones).
inline constexpr double kMinProbe = 0.001;
inline constexpr double kMaxProbe = 10000;

// A sentence saying why `factor` is no probe factor ("a probe factor is a number from 0.001
// to 10000, not 0"), naming it as `typed` when given; empty when it is one.
std::string ProbeProblem(double factor, const std::string& typed = "");

struct ChannelSettings {
    double range = 8.0;  // full scale in volts; the nearest range is taken
    std::string coupling = "dc";
    double dcLevel = 0.0;
    // Probe factor: range, DC level and trigger level are in volts at the probe tip, and the
    // instrument gets them divided by it.
    double probe = 1.0;
};

struct MeasureSettings {
    std::string channels = "1";  // "1", "2" or "both"
    std::array<ChannelSettings, 2> channel;
    bool autoRange = false;
    double rate = 1e6;                 // Hz
    std::int64_t length = 1000;        // samples per channel
    std::optional<std::int64_t> post;  // post-trigger samples (default: the whole record)
    std::optional<std::int64_t> pre;   // or pre-trigger samples
    std::string trigger = "ch1";       // ch1, ch2, ext, and, or, none
    double level = 0.0;                // volts
    std::optional<double> hysteresis;  // volts
    std::string slope = "rising";
    double timeout = 1.0;             // seconds; negative waits for ever
    std::optional<double> generator;  // square-wave output in Hz, 0 off; none: left as it is
    int average = 1;  // records capture averages into each it writes (the view's average); 1: none
};

// What the instrument really took (ranges at the probe tip).
struct Obtained {
    double rate = 0;
    std::array<double, 2> range{};
    std::array<double, 2> probe{1.0, 1.0};
    std::int32_t length = 0;
    std::int32_t post = 0;
    std::int32_t pre = 0;
    std::vector<int> channels;  // 1 and/or 2
};

// Applies the settings (throws ToolError naming the call and status on refusal) and reads
// back what the instrument obtained.
Obtained ApplySettings(const MeasureSettings& settings);

// One line for standard error: "rate 1 MHz, ..., channel 1: 2 V range, ...".
std::string Describe(const Obtained& obtained);

}  // namespace zarvo::core
