// SPDX-License-Identifier: MIT
// The figures log's header and rows, and the UTC time stamps they start with.
#include "tools/analysis/figure_log.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "tools/analysis/figures.h"

namespace zarvo::analysis {

std::string UtcStamp(double epochMs) {
    // Beyond the year 9999 (or not a number) there is nothing sensible to write.
    if (!(epochMs >= 0 && epochMs < 253402300800000.0)) return "";
    const auto whole = static_cast<std::int64_t>(std::floor(epochMs));
    const auto seconds = static_cast<std::time_t>(whole / 1000);
    const auto millis = static_cast<int>(whole % 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

std::string LogHeader(const std::vector<int>& channels) {
    std::string line = "time";
    for (int ch : channels) {
        for (const analysis::FigureColumn& c : analysis::kFigureColumns) {
            line += ",ch" + std::to_string(ch) + '_' + c.name;
        }
    }
    return line + '\n';
}

std::string LogRow(const std::string& stamp, const std::vector<analysis::Stats>& figures) {
    std::string line = stamp;
    for (const analysis::Stats& s : figures) {
        for (const analysis::FigureColumn& c : analysis::kFigureColumns)
            line += ',' + analysis::FigureCsv(c, s);
    }
    return line + '\n';
}

}  // namespace zarvo::analysis
