// SPDX-License-Identifier: MIT
// The waveform as text for a terminal, scaled to the signal so that a small signal in a large
// range keeps its shape.
#include "tools/cli/preview.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "tools/core/numbers.h"

namespace zarvo::cli {

namespace {

constexpr char kMarks[] = {'*', 'o'};
constexpr char kBoth = '#';

std::size_t CodePoints(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string PadLeft(const std::string& text, std::size_t width) {
    const std::size_t points = CodePoints(text);
    return std::string(width > points ? width - points : 0, ' ') + text;
}

}  // namespace

std::string Preview(const core::Record& record, int width, int height) {
    const std::size_t n = record.size();
    if (n == 0 || height < 2) return {};
    double lo = record.traces.front().volts.front();
    double hi = lo;
    for (const core::Trace& t : record.traces) {
        for (double v : t.volts) {
            if (!std::isfinite(v)) continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = hi = 0;
    if (hi - lo <= std::fabs(hi + lo) * 1e-9) {
        // A flat line sits in the middle of a small band around its level.
        const double half = lo != 0 ? std::fabs(lo) / 10 : 0.1;
        lo -= half;
        hi += half;
    }

    const std::string top = core::FormatSi(hi, "V", 3);
    const std::string bottom = core::FormatSi(lo, "V", 3);
    const std::size_t labelWidth = std::max(CodePoints(top), CodePoints(bottom));
    const auto cols = static_cast<std::size_t>(
        std::max(8, width - static_cast<int>(labelWidth) - 3));  // " |" and "|"
    const auto rowCount = static_cast<std::size_t>(height);
    std::vector<std::string> rows(rowCount, std::string(cols, ' '));

    const double last = static_cast<double>(rowCount - 1);
    auto rowOf = [&](double v) {
        const double scaled = (hi - v) / (hi - lo) * last;
        const double r = std::isfinite(scaled) ? std::clamp(scaled, 0.0, last) : 0.0;
        return static_cast<std::size_t>(std::lround(r));
    };
    if (lo < 0 && hi > 0) std::fill(rows[rowOf(0)].begin(), rows[rowOf(0)].end(), '-');

    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        const std::vector<double>& v = record.traces[k].volts;
        const char mark = kMarks[k % 2];
        for (std::size_t c = 0; c < cols; ++c) {
            // Every sample of the column counts, so that a peak between two columns' first
            // samples is still drawn.
            const std::size_t first = c * n / cols;
            const std::size_t end = std::max(first + 1, (c + 1) * n / cols);
            const auto [mn, mx] = std::minmax_element(v.begin() + static_cast<long>(first),
                                                      v.begin() + static_cast<long>(end));
            for (std::size_t r = rowOf(*mx); r <= rowOf(*mn); ++r) {
                char& cell = rows[r][c];
                cell = (cell == ' ' || cell == '-' || cell == mark) ? mark : kBoth;
            }
        }
    }

    std::ostringstream out;
    for (std::size_t r = 0; r < rowCount; ++r) {
        const std::string label = r == 0 ? top : (r + 1 == rowCount ? bottom : "");
        out << PadLeft(label, labelWidth) << " |" << rows[r] << "|\n";
    }
    // The time span under the frame: first and last sample, from the trigger point.
    const std::string start = core::FormatSi(record.TimeOf(0), "s", 3);
    const std::string end = core::FormatSi(record.TimeOf(n - 1), "s", 3);
    // Appended piece by piece: gcc 12 at -O3 warns falsely (-Wrestrict) about a literal added
    // in front of a temporary string.
    std::string span = "(";
    span += core::FormatSi(record.TimeOf(n - 1) - record.TimeOf(0), "s", 3);
    span += ')';
    const std::size_t inner = cols + 2;
    const std::size_t used = CodePoints(start) + CodePoints(end);
    std::string line = start;
    if (used + CodePoints(span) + 2 <= inner) {
        const std::size_t gap = inner - used - CodePoints(span);
        line += std::string(gap / 2, ' ') + span + std::string(gap - gap / 2, ' ');
    } else {
        line += std::string(inner > used ? inner - used : 1, ' ');
    }
    out << std::string(labelWidth, ' ') << line << end << '\n';
    std::string key;
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        key += std::string(k == 0 ? "" : "   ") + kMarks[k % 2] + " channel " +
               std::to_string(record.traces[k].channel);
    }
    if (record.traces.size() > 1) key += std::string("   ") + kBoth + " both";
    out << std::string(labelWidth + 2, ' ') << key << '\n';
    return out.str();
}

}  // namespace zarvo::cli
