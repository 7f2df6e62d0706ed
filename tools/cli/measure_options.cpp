// SPDX-License-Identifier: MIT
// The command-line options of the measuring commands and the ranges each one accepts.
#include "tools/cli/measure_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <sstream>

#include "tools/core/numbers.h"
#include "tools/core/setting_names.h"
#include "tools/core/status.h"
#include "tools/station/settings_table.h"
#include "zarvo.h"

namespace zarvo::cli {

namespace {

// "ch1, ch2, ext": the words an option takes, for its help.
template <std::size_t N>
std::string Listed(const core::NamedCode (&table)[N]) {
    std::string text;
    for (const core::NamedCode& c : table) {
        if (!text.empty()) text += ", ";
        text += c.name;
    }
    return text;
}

// The range of samples the settings table accepts for `key` (the view, SCPI and settings
// files take the same).
CLI::Range SamplesOf(const std::string& key) {
    const station::Setting* row = station::FindSetting(key);
    return CLI::Range(static_cast<std::int64_t>(row->min), static_cast<std::int64_t>(row->max));
}

}  // namespace

void AddMeasureOptions(CLI::App& app, core::MeasureSettings& s) {
    app.add_option("-c,--channels", s.channels, "channels to measure: 1, 2 or both")
        ->check(CLI::IsMember({"1", "2", "both"}))
        ->capture_default_str();
    for (int i = 0; i < 2; ++i) {
        const std::string n = std::to_string(i + 1);
        core::ChannelSettings& ch = s.channel[static_cast<std::size_t>(i)];
        app.add_option("--range" + n, ch.range,
                       "channel " + n +
                           " full scale in volts (nearest of 0.2 .. 80 V times the probe factor)")
            ->check(CLI::Range(0.0, 80.0 * core::kMaxProbe))
            ->capture_default_str();
        app.add_option("--coupling" + n, ch.coupling, "channel " + n + " coupling: dc or ac")
            ->check(CLI::IsMember(core::NamesOf(core::kCouplings)))
            ->capture_default_str();
        app.add_option("--dc-level" + n, ch.dcLevel,
                       "channel " + n + " DC level in volts (within twice the range)")
            ->check(CLI::Range(-160.0 * core::kMaxProbe, 160.0 * core::kMaxProbe))
            ->capture_default_str();
        // A factor that is none stops the tool with exit status 2, naming the option.
        app.add_option_function<std::string>(
               "--probe" + n,
               [&ch, n](const std::string& text) {
                   double factor = std::nan("");
                   if (!CLI::detail::lexical_cast(text, factor)) factor = std::nan("");
                   const std::string problem = core::ProbeProblem(factor, text);
                   if (!problem.empty()) throw CLI::ParseError("--probe" + n + ": " + problem, 2);
                   ch.probe = factor;
               },
               "channel " + n + " probe factor (10 for a x10 probe, " +
                   core::CsvNumber(core::kMinProbe) + " .. " + core::CsvNumber(core::kMaxProbe) +
                   "): volts, range, DC level and trigger level at the probe tip")
            ->type_name("FACTOR");
    }
    app.add_flag("--auto-range", s.autoRange, "let the instrument choose the ranges");
    app.add_option("-r,--rate", s.rate,
                   "sample rate in Hz (up to 50e6 with channel 1 alone, else 25e6)")
        ->check(CLI::Range(1.0, 50e6))
        ->capture_default_str();
    app.add_option("-n,--length", s.length, "samples per channel")
        ->check(SamplesOf("length"))
        ->capture_default_str();
    auto* post = app.add_option("--post", s.post,
                                "samples after the trigger point (default: the whole record)")
                     ->check(SamplesOf("pre"));
    app.add_option("--pre", s.pre,
                   "samples before the trigger point; they are only valid when the trigger "
                   "comes at least that long after the start")
        ->check(SamplesOf("pre"))
        ->excludes(post);
    app.add_option("-t,--trigger", s.trigger, "trigger source: " + Listed(core::kTriggerSources))
        ->check(CLI::IsMember(core::NamesOf(core::kTriggerSources)))
        ->capture_default_str();
    app.add_option("--level", s.level, "trigger level in volts (within the range)")
        ->capture_default_str();
    app.add_option("--hysteresis", s.hysteresis, "trigger hysteresis in volts")
        ->check(CLI::Range(0.0, 160.0 * core::kMaxProbe));
    app.add_option("--slope", s.slope, "trigger slope: rising or falling")
        ->check(CLI::IsMember(core::NamesOf(core::kSlopes)))
        ->capture_default_str();
    app.add_option("--timeout", s.timeout,
                   "seconds to wait for the trigger before forcing it; negative waits for ever")
        ->capture_default_str();
}

}  // namespace zarvo::cli
