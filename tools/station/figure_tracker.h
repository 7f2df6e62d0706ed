// SPDX-License-Identifier: MIT
// The figures of the records as they are taken: their statistics since the last reset and the
// trend of each figure against the time of day. Fed on the instrument's thread, one record at
// a time; read from any thread (the page's requests, the SCPI server).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/analysis/figure_statistics.h"
#include "tools/station/taken_record.h"

namespace zarvo::station {

// The trend keeps this many records, about three hours at one record a second.
constexpr std::size_t kTrendRecords = 10000;

class FigureTracker {
public:
    // Counts one record's figures; returns the statistics' text with it counted.
    std::shared_ptr<const nlohmann::json> Take(const TakenRecord& record);
    // Forgets every record counted; `why` is what the page says ("" for a reset asked for).
    void Reset(const std::string& why);

    // The statistics as text (FigureStatistics::Texts) with "note": why they were last reset,
    // and "resets": how many resets there have been (a record described before the last one
    // may reach the page after it).
    nlohmann::json Texts() const;
    // One figure's statistics on one trace (analysis::kStatTraceNames, kFigureColumns).
    analysis::Running Of(std::size_t trace, std::size_t figure) const;
    std::uint64_t Records() const;

    // The figures of the records in the trend as the figures log has them (analysis/figure_log.h).
    std::string TrendCsv() const;
    // {"trace", "figure", "unit", "points": [[epoch ms, value or null], ...]} for the plot.
    nlohmann::json Trend(std::size_t trace, std::size_t figure) const;

private:
    struct Point {
        double epochMs = 0;
        analysis::RecordFigures figures;
    };
    mutable std::mutex mutex_;
    analysis::FigureStatistics statistics_;
    std::string note_;
    std::uint64_t resets_ = 0;  // counts the resets, so that the page can tell older texts
    std::deque<Point> trend_;
    std::vector<double> scratch_;  // the math trace's samples (instrument thread only)
};

}  // namespace zarvo::station
