#include "tools/record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace zarvo::cli {

namespace {

constexpr const char* kTraceColours[] = {"#d62728", "#1f77b4"};
constexpr double kWidth = 900;
constexpr double kHeight = 420;
constexpr double kLeft = 80;
constexpr double kRight = 30;
constexpr double kTop = 40;
constexpr double kBottom = 60;

std::string Number(double value, int precision = 9) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    return text;
}

// A time unit that keeps the axis figures readable.
struct TimeUnit {
    double scale;
    const char* name;
};

TimeUnit UnitFor(double span) {
    if (span < 1e-3) return {1e6, "\xC2\xB5s"};
    if (span < 1.0) return {1e3, "ms"};
    return {1.0, "s"};
}

}  // namespace

double Record::TimeOf(std::size_t index) const {
    if (sampleRate <= 0) return 0;
    return (static_cast<double>(index) - preSamples) / sampleRate;
}

void WriteCsv(std::ostream& out, const Record& record) {
    out << "time_s";
    for (const Trace& t : record.traces) out << ",ch" << t.channel << "_V";
    out << '\n';
    for (std::size_t i = 0; i < record.size(); ++i) {
        out << Number(record.TimeOf(i), 12);
        for (const Trace& t : record.traces) out << ',' << Number(t.volts[i], 8);
        out << '\n';
    }
}

void WriteSvg(std::ostream& out, const Record& record) {
    const double plotW = kWidth - kLeft - kRight;
    const double plotH = kHeight - kTop - kBottom;
    const std::size_t n = record.size();
    const double t0 = record.TimeOf(0);
    const double t1 = n > 1 ? record.TimeOf(n - 1) : t0 + 1.0;
    const TimeUnit unit = UnitFor(std::fabs(t1 - t0));
    double fullScale = 0;
    for (const Trace& t : record.traces) fullScale = std::max(fullScale, t.range);
    if (fullScale <= 0) fullScale = 1;

    auto x = [&](double t) { return kLeft + (t - t0) / (t1 - t0) * plotW; };
    auto y = [&](double v) { return kTop + (fullScale - v) / (2 * fullScale) * plotH; };

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << kHeight << "\" viewBox=\"0 0 " << kWidth << ' ' << kHeight << "\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<g font-family=\"sans-serif\" font-size=\"12\">\n";
    // Grid: ten divisions of time, eight of volts.
    for (int i = 0; i <= 10; ++i) {
        const double t = t0 + (t1 - t0) * i / 10;
        const double px = x(t);
        out << "<line x1=\"" << Number(px) << "\" y1=\"" << kTop << "\" x2=\"" << Number(px)
            << "\" y2=\"" << kTop + plotH << "\" stroke=\"#ddd\"/>\n"
            << "<text x=\"" << Number(px) << "\" y=\"" << kTop + plotH + 16
            << "\" text-anchor=\"middle\">" << Number(t * unit.scale, 4) << "</text>\n";
    }
    for (int i = 0; i <= 8; ++i) {
        const double v = fullScale - 2 * fullScale * i / 8;
        const double py = y(v);
        out << "<line x1=\"" << kLeft << "\" y1=\"" << Number(py) << "\" x2=\"" << kLeft + plotW
            << "\" y2=\"" << Number(py) << "\" stroke=\"#ddd\"/>\n"
            << "<text x=\"" << kLeft - 6 << "\" y=\"" << Number(py + 4) << "\" text-anchor=\"end\">"
            << Number(v, 4) << "</text>\n";
    }
    out << "<rect x=\"" << kLeft << "\" y=\"" << kTop << "\" width=\"" << plotW << "\" height=\""
        << plotH << "\" fill=\"none\" stroke=\"black\"/>\n";
    out << "<text x=\"" << kLeft + plotW / 2 << "\" y=\"" << kHeight - 15
        << "\" text-anchor=\"middle\">time (" << unit.name << "), trigger at 0</text>\n"
        << "<text x=\"20\" y=\"" << kTop + plotH / 2
        << "\" text-anchor=\"middle\" transform=\"rotate(-90 20 " << kTop + plotH / 2
        << ")\">voltage (V)</text>\n";
    // Trigger point.
    if (record.preSamples >= 0 && static_cast<std::size_t>(record.preSamples) < n) {
        const double px = x(0.0);
        out << "<line x1=\"" << Number(px) << "\" y1=\"" << kTop << "\" x2=\"" << Number(px)
            << "\" y2=\"" << kTop + plotH << "\" stroke=\"#2ca02c\" stroke-dasharray=\"6 4\"/>\n"
            << "<text x=\"" << Number(px + 4) << "\" y=\"" << kTop - 6
            << "\" fill=\"#2ca02c\">trigger</text>\n";
    }
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        const Trace& trace = record.traces[k];
        const char* colour = kTraceColours[k % 2];
        out << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"1.2\" points=\"";
        for (std::size_t i = 0; i < n; ++i) {
            const double v = std::clamp(trace.volts[i], -fullScale, fullScale);
            out << Number(x(record.TimeOf(i)), 7) << ',' << Number(y(v), 7) << ' ';
        }
        out << "\"/>\n<text x=\"" << kLeft + 10 + 120 * static_cast<double>(k) << "\" y=\""
            << kTop - 6 << "\" fill=\"" << colour << "\">channel " << trace.channel << " ("
            << Number(trace.range, 4) << " V range)</text>\n";
    }
    out << "</g>\n</svg>\n";
}

std::string Preview(const Record& record, int width, int height) {
    const std::size_t n = record.size();
    if (n == 0 || width < 2 || height < 2) return {};
    std::vector<std::string> rows(static_cast<std::size_t>(height), std::string(width, ' '));
    const int mid = height / 2;
    for (int c = 0; c < width; ++c) rows[static_cast<std::size_t>(mid)][c] = '-';
    const char marks[] = {'*', 'o'};
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        const Trace& trace = record.traces[k];
        const double fullScale = trace.range > 0 ? trace.range : 1;
        for (int c = 0; c < width; ++c) {
            const std::size_t i = static_cast<std::size_t>(c) * (n - 1) / (width - 1);
            const double v = std::clamp(trace.volts[i] / fullScale, -1.0, 1.0);
            const int r = static_cast<int>(std::lround((1.0 - v) / 2.0 * (height - 1)));
            rows[static_cast<std::size_t>(r)][c] = marks[k % 2];
        }
    }
    std::ostringstream out;
    for (const std::string& row : rows) out << '|' << row << "|\n";
    return out.str();
}

}  // namespace zarvo::cli
