// SPDX-License-Identifier: MIT
// The view's requests for the figures over many records: resetting the statistics, the trend
// of one figure for the plot and the trend as a figures log.
#include "tools/analysis/figure_statistics.h"
#include "tools/servers/view/handler.h"
#include "tools/servers/view/record_query.h"

namespace zarvo::view {

Response RequestHandler::ResetStatistics() {
    station_.ResetStatistics();
    return Json(200, station_.Figures().Texts());
}

Response RequestHandler::TrendOf(const std::string& query) {
    const Query q = ParseQuery(query, {"trace", "figure"}, "the trend");
    if (!q.problem.empty()) return Error(400, q.problem);
    const auto value = [&](const char* name, const char* fallback) {
        const auto it = q.values.find(name);
        return it == q.values.end() ? std::string(fallback) : it->second;
    };
    const std::string traceName = value("trace", "ch1");
    const std::string figureName = value("figure", "freq");
    const auto trace = analysis::StatTraceNamed(traceName);
    if (!trace) return Error(400, "the trend follows ch1, ch2, diff or sum, not " + traceName);
    const auto figure = analysis::FigureNamed(figureName);
    if (!figure) return Error(400, "the trend follows a figure of the table, not " + figureName);
    return Json(200, station_.Figures().Trend(*trace, *figure));
}

Response RequestHandler::TrendCsv() {
    Response response{200, "text/csv", station_.Figures().TrendCsv(), {}};
    response.headers["Content-Disposition"] = "attachment; filename=\"zarvo-trend.csv\"";
    return response;
}

}  // namespace zarvo::view
