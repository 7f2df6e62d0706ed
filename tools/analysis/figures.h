// SPDX-License-Identifier: MIT
// The figures of a channel's record as every output shows them: the view's figures table, the
// lines and log of `zarvo monitor`, the records of `--format json`. One table, so that a
// figure has the same name, unit and digits wherever it appears.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tools/analysis/stats.h"

namespace zarvo::analysis {

struct FigureColumn {
    const char* key;   // the view's name, also the word before it on a monitor line
    const char* name;  // with its unit, for CSV columns and JSON: "min_V", "period_s"
    const char* unit;
    int digits;
    double Stats::*value;
};

inline constexpr FigureColumn kFigureColumns[] = {
    {"min", "min_V", "V", 4, &Stats::min},          {"max", "max_V", "V", 4, &Stats::max},
    {"mean", "mean_V", "V", 4, &Stats::mean},       {"pp", "pp_V", "V", 4, &Stats::peakToPeak},
    {"rms", "rms_V", "V", 4, &Stats::rms},          {"freq", "freq_Hz", "Hz", 4, &Stats::frequency},
    {"period", "period_s", "s", 4, &Stats::period}, {"duty", "duty_pct", "%", 3, &Stats::dutyCycle},
    {"rise", "rise_s", "s", 4, &Stats::riseTime},   {"fall", "fall_s", "s", 4, &Stats::fallTime},
};

// Whether the record showed the figure: a frequency of 0 and a NaN timing figure were not
// measured.
bool Measured(const FigureColumn& column, const Stats& stats);

// "12.3 mV", "-" when not measured.
std::string FigureText(const FigureColumn& column, const Stats& stats);
// A plain number, empty when not measured.
std::string FigureCsv(const FigureColumn& column, const Stats& stats);

// {"min": "12.3 mV", ...} for the view.
nlohmann::json FigureTexts(const Stats& stats);
// {"min_V": 0.0123, ..., "period_s": null, ...} for programs.
nlohmann::json FigureValues(const Stats& stats);

}  // namespace zarvo::analysis
