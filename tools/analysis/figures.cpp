// SPDX-License-Identifier: MIT
// A channel's figures as text, CSV and JSON, from the one table of figures.
#include "tools/analysis/figures.h"

#include <cmath>
#include <string_view>

#include "tools/core/numbers.h"

namespace zarvo::analysis {

bool Measured(const FigureColumn& column, const Stats& stats) {
    const double v = stats.*column.value;
    if (column.value == &Stats::frequency) return std::isfinite(v) && v > 0;
    return std::isfinite(v);
}

std::string FigureText(const FigureColumn& column, const Stats& stats) {
    if (!Measured(column, stats)) return "-";
    return core::FormatSi(stats.*column.value, column.unit, column.digits);
}

std::string FigureCsv(const FigureColumn& column, const Stats& stats) {
    if (!Measured(column, stats)) return "";
    return column.value == &Stats::frequency ? core::CsvFrequency(stats.frequency)
                                             : core::CsvNumber(stats.*column.value, 6);
}

nlohmann::json FigureTexts(const Stats& stats) {
    nlohmann::json figures = nlohmann::json::object();
    for (const FigureColumn& c : kFigureColumns) figures[c.key] = FigureText(c, stats);
    return figures;
}

nlohmann::json FigureValues(const Stats& stats) {
    nlohmann::json figures = nlohmann::json::object();
    for (const FigureColumn& c : kFigureColumns) {
        figures[c.name] = Measured(c, stats) ? nlohmann::json(stats.*c.value) : nlohmann::json();
    }
    return figures;
}

}  // namespace zarvo::analysis
