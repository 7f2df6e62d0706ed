// SPDX-License-Identifier: MIT
// Statistics of the figures over records: Welford's running mean and spread, as text.
#include "tools/analysis/figure_statistics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <string_view>

#include "tools/core/numbers.h"

namespace zarvo::analysis {

namespace {

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Text(const FigureColumn& column, double value) {
    // A percentage takes no prefix: "0.896 %", not "896 m%".
    if (std::string_view(column.unit) == "%") return core::CsvNumber(value, column.digits) + " %";
    return core::FormatSi(value, column.unit, column.digits);
}

}  // namespace

std::optional<std::size_t> StatTraceNamed(const std::string& name) {
    const std::string lowered = Lowered(name);
    for (std::size_t t = 0; t < kStatTraces; ++t) {
        if (lowered == kStatTraceNames[t]) return t;
    }
    return std::nullopt;
}

std::optional<std::size_t> FigureNamed(const std::string& key) {
    for (std::size_t f = 0; f < kFigureCount; ++f) {
        if (key == kFigureColumns[f].key) return f;
    }
    return std::nullopt;
}

void Running::Add(double value) {
    ++count;
    if (count == 1) {
        mean = min = max = value;
        m2 = 0;
        return;
    }
    const double delta = value - mean;
    mean += delta / static_cast<double>(count);
    m2 += delta * (value - mean);
    min = std::min(min, value);
    max = std::max(max, value);
}

double Running::Std() const {
    return count < 2 ? 0.0 : std::sqrt(m2 / static_cast<double>(count - 1));
}

RecordFigures FiguresOf(const core::Record& record, std::vector<double>& scratch) {
    RecordFigures figures;
    for (const core::Trace& t : record.traces) {
        if (t.channel == 1 || t.channel == 2) {
            figures[static_cast<std::size_t>(t.channel - 1)] =
                analysis::Analyse(t.volts, record.sampleRate);
        }
    }
    if (record.traces.size() != 2) return figures;
    const std::vector<double>& a = record.traces[0].volts;
    const std::vector<double>& b = record.traces[1].volts;
    const std::size_t n = std::min(a.size(), b.size());
    scratch.resize(n);
    for (std::size_t i = 0; i < n; ++i) scratch[i] = a[i] - b[i];
    figures[2] = analysis::Analyse(scratch, record.sampleRate);
    for (std::size_t i = 0; i < n; ++i) scratch[i] = a[i] + b[i];
    figures[3] = analysis::Analyse(scratch, record.sampleRate);
    return figures;
}

void FigureStatistics::Add(const RecordFigures& figures) {
    ++records_;
    for (std::size_t t = 0; t < kStatTraces; ++t) {
        if (!figures[t]) continue;
        for (std::size_t f = 0; f < kFigureCount; ++f) {
            const FigureColumn& column = kFigureColumns[f];
            if (analysis::Measured(column, *figures[t]))
                running_[t][f].Add((*figures[t]).*column.value);
        }
    }
}

void FigureStatistics::Reset() {
    records_ = 0;
    running_ = {};
}

nlohmann::json FigureStatistics::Texts() const {
    nlohmann::json traces = nlohmann::json::object();
    for (std::size_t t = 0; t < kStatTraces; ++t) {
        nlohmann::json figures = nlohmann::json::object();
        bool any = false;
        for (std::size_t f = 0; f < kFigureCount; ++f) {
            const FigureColumn& column = kFigureColumns[f];
            const Running& r = running_[t][f];
            any = any || r.count > 0;
            if (r.count == 0) {
                figures[column.key] = {
                    {"count", 0}, {"mean", "-"}, {"min", "-"}, {"max", "-"}, {"std", "-"}};
                continue;
            }
            figures[column.key] = {{"count", r.count},
                                   {"mean", Text(column, r.mean)},
                                   {"min", Text(column, r.min)},
                                   {"max", Text(column, r.max)},
                                   {"std", Text(column, r.Std())}};
        }
        if (any) traces[kStatTraceNames[t]] = std::move(figures);
    }
    return {{"records", records_}, {"traces", std::move(traces)}};
}

std::string FigureStatistics::Table() const {
    std::ostringstream out;
    out << "statistics over " << records_ << (records_ == 1 ? " record" : " records") << '\n';
    for (std::size_t t = 0; t < kStatTraces; ++t) {
        for (std::size_t f = 0; f < kFigureCount; ++f) {
            const FigureColumn& column = kFigureColumns[f];
            const Running& r = running_[t][f];
            if (r.count == 0) continue;
            out << kStatTraceNames[t] << ' ' << column.key << ": count " << r.count << "  mean "
                << Text(column, r.mean) << "  min " << Text(column, r.min) << "  max "
                << Text(column, r.max) << "  std " << Text(column, r.Std()) << '\n';
        }
    }
    return out.str();
}

}  // namespace zarvo::analysis
