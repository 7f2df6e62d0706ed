// SPDX-License-Identifier: MIT
// How much each figure wanders over many records: for every figure of the figures table, per
// channel and for the math traces, its count, mean, minimum, maximum and standard deviation
// over the records added since the last reset.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tools/analysis/figures.h"
#include "tools/analysis/stats.h"
#include "tools/core/record.h"

namespace zarvo::analysis {

inline constexpr std::size_t kFigureCount = std::size(kFigureColumns);

// The traces followed: channel 1, channel 2, and the math traces ch1 - ch2 and ch1 + ch2.
inline constexpr std::size_t kStatTraces = 4;
inline constexpr const char* kStatTraceNames[kStatTraces] = {"ch1", "ch2", "diff", "sum"};
// The index of "ch1" ... "sum" (case does not matter), or none.
std::optional<std::size_t> StatTraceNamed(const std::string& name);
// The index of a figure by its key ("freq"), or none.
std::optional<std::size_t> FigureNamed(const std::string& key);

// One figure's running count, mean, extremes and spread, updated by Welford's method so that
// a long run neither loses digits nor needs the values kept.
struct Running {
    std::uint64_t count = 0;
    double mean = 0;
    double min = 0;
    double max = 0;
    double m2 = 0;  // sum of squared distances from the running mean

    void Add(double value);
    // The sample standard deviation (n - 1); 0 below two values.
    double Std() const;
};

// One record's figures per followed trace; a trace the record does not have is empty.
using RecordFigures = std::array<std::optional<Stats>, kStatTraces>;

// The figures of each channel of a record and, with both channels, of their difference and
// sum. `scratch` holds the math samples (sized once, reused record after record).
RecordFigures FiguresOf(const core::Record& record, std::vector<double>& scratch);

class FigureStatistics {
public:
    // Adds one record's figures; a figure the record did not show is not counted.
    void Add(const RecordFigures& figures);
    void Reset();
    // Records added since the reset (a figure's count may be lower: not shown by every one).
    std::uint64_t Records() const { return records_; }
    const Running& Of(std::size_t trace, std::size_t figure) const {
        return running_[trace][figure];
    }

    // {"records": N, "traces": {"ch1": {"freq": {"count": 50, "mean": "1 kHz", "min", "max",
    // "std"}, ...}, ...}} as text with units, for the page; traces with nothing counted left out.
    nlohmann::json Texts() const;
    // The same table for a terminal: a line per trace and figure counted.
    std::string Table() const;

private:
    std::uint64_t records_ = 0;
    std::array<std::array<Running, kFigureCount>, kStatTraces> running_{};
};

}  // namespace zarvo::analysis
