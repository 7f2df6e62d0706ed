// SPDX-License-Identifier: MIT
// The records' figures as they are taken: statistics since the last reset and the trend.
#include "tools/station/figure_tracker.h"

#include "tools/analysis/figure_log.h"

namespace zarvo::station {

using json = nlohmann::json;

std::shared_ptr<const json> FigureTracker::Take(const TakenRecord& record) {
    // The figures outside the lock: a reader waits only for the sums.
    Point point{record.readoutMs, analysis::FiguresOf(record.Volts(), scratch_)};
    std::lock_guard lock(mutex_);
    statistics_.Add(point.figures);
    trend_.push_back(std::move(point));
    if (trend_.size() > kTrendRecords) trend_.pop_front();
    json texts = statistics_.Texts();
    texts["note"] = note_;
    texts["resets"] = resets_;
    return std::make_shared<const json>(std::move(texts));
}

void FigureTracker::Reset(const std::string& why) {
    std::lock_guard lock(mutex_);
    statistics_.Reset();
    trend_.clear();
    note_ = why;
    ++resets_;
}

json FigureTracker::Texts() const {
    std::lock_guard lock(mutex_);
    json texts = statistics_.Texts();
    texts["note"] = note_;
    texts["resets"] = resets_;
    return texts;
}

analysis::Running FigureTracker::Of(std::size_t trace, std::size_t figure) const {
    std::lock_guard lock(mutex_);
    if (trace >= analysis::kStatTraces || figure >= analysis::kFigureCount) return {};
    return statistics_.Of(trace, figure);
}

std::uint64_t FigureTracker::Records() const {
    std::lock_guard lock(mutex_);
    return statistics_.Records();
}

std::string FigureTracker::TrendCsv() const {
    std::lock_guard lock(mutex_);
    // Every record since the reset has the same channels: turning one on or off resets.
    std::vector<int> channels;
    if (!trend_.empty()) {
        for (int ch = 1; ch <= 2; ++ch) {
            if (trend_.front().figures[static_cast<std::size_t>(ch - 1)]) channels.push_back(ch);
        }
    }
    std::string csv = analysis::LogHeader(channels);
    std::vector<analysis::Stats> row;
    for (const Point& p : trend_) {
        row.clear();
        for (int ch : channels) {
            row.push_back(p.figures[static_cast<std::size_t>(ch - 1)].value_or(analysis::Stats{}));
        }
        csv += analysis::LogRow(analysis::UtcStamp(p.epochMs), row);
    }
    return csv;
}

json FigureTracker::Trend(std::size_t trace, std::size_t figure) const {
    std::lock_guard lock(mutex_);
    json points = json::array();
    if (trace >= analysis::kStatTraces || figure >= analysis::kFigureCount) return points;
    const analysis::FigureColumn& column = analysis::kFigureColumns[figure];
    for (const Point& p : trend_) {
        const auto& figures = p.figures[trace];
        const bool shown = figures && analysis::Measured(column, *figures);
        points.push_back({p.epochMs, shown ? json((*figures).*column.value) : json(nullptr)});
    }
    return {{"trace", analysis::kStatTraceNames[trace]},
            {"figure", column.key},
            {"unit", column.unit},
            {"points", std::move(points)}};
}

}  // namespace zarvo::station
