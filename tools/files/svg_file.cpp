// SPDX-License-Identifier: MIT
// The SVG plot of a record: axes with round figures or a scope's graticule, the traces, the
// trigger point and level, and a legend above the plot whose entries never overlap.
#include "tools/files/svg_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/analysis/time_base.h"
#include "tools/core/numbers.h"

namespace zarvo::files {

namespace {

constexpr const char* kTraceColours[] = {"#d62728", "#1f77b4"};
constexpr const char* kTriggerColour = "#2ca02c";
constexpr double kWidth = 900;
constexpr double kHeight = 460;
constexpr double kLeft = 80;
constexpr double kRight = 30;
constexpr double kBottom = 64;
constexpr double kLegendTop = 10;
constexpr double kFontSize = 12;
// Sans-serif text at 12 px averages well under 0.6 em per character; reserving 0.6 em keeps
// the estimate on the safe side, so boxes laid out with it do not overlap once drawn.
constexpr double kCharWidth = 0.6 * kFontSize;
constexpr double kSwatch = 22;  // line sample before each legend label
constexpr double kEntryGap = 18;
constexpr double kRowHeight = 16;
constexpr double kRowGap = 4;

std::string Coord(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

double TextWidth(const std::string& text) {
    // Count UTF-8 code points, not bytes ("µ" is two bytes, one character).
    const auto points = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return static_cast<double>(points) * kCharWidth;
}

struct Frame {
    double left = kLeft;
    double top = 0;
    double width = kWidth - kLeft - kRight;
    double height = 0;
    double t0 = 0;
    double t1 = 1;
    double X(double t) const { return left + (t - t0) / (t1 - t0) * width; }
    double Bottom() const { return top + height; }
};

// Vertical scale of one trace: volts at the top and bottom edges of the plot.
struct VoltScale {
    double lo = -1;
    double hi = 1;
    double Y(const Frame& f, double v) const {
        return f.top + (hi - std::clamp(v, lo, hi)) / (hi - lo) * f.height;
    }
};

void Line(std::ostream& out, double x1, double y1, double x2, double y2, const char* stroke,
          const char* extra = "") {
    out << "<line x1=\"" << Coord(x1) << "\" y1=\"" << Coord(y1) << "\" x2=\"" << Coord(x2)
        << "\" y2=\"" << Coord(y2) << "\" stroke=\"" << stroke << '"' << extra << "/>\n";
}

// Text drawn over the traces keeps a white outline so that it stays readable.
void Text(std::ostream& out, double x, double y, const std::string& text, const char* anchor,
          const char* fill = "black", bool halo = false) {
    out << "<text x=\"" << Coord(x) << "\" y=\"" << Coord(y) << "\" text-anchor=\"" << anchor
        << "\" fill=\"" << fill << '"'
        << (halo ? " stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\"" : "") << '>'
        << text << "</text>\n";
}

std::string TriggerLabel(const core::TriggerInfo& trigger) {
    if (trigger.source.empty()) return "trigger point";
    if (trigger.source == "none") return "trigger: none (free-running)";
    std::string label = "trigger: " + trigger.source + (trigger.falling ? " falling" : " rising");
    if (trigger.levelChannel != 0) label += " at " + core::FormatSi(trigger.level, "V", 3);
    return label;
}

void DrawAxes(std::ostream& out, const Frame& f, const VoltScale& volts) {
    const core::Axis time = core::MakeAxis(f.t0, f.t1, "s");
    for (double t : time.ticks) {
        Line(out, f.X(t), f.top, f.X(t), f.Bottom(), "#ddd");
        Text(out, f.X(t), f.Bottom() + 16, time.Label(t), "middle");
    }
    const core::Axis axis = core::MakeAxis(volts.lo, volts.hi, "V");
    for (double v : axis.ticks) {
        const double y = volts.Y(f, v);
        Line(out, f.left, y, f.left + f.width, y, "#ddd");
        Text(out, f.left - 6, y + 4, axis.Label(v), "end");
    }
    Text(out, f.left + f.width / 2, kHeight - 18, "time (" + time.unit + "), trigger at 0",
         "middle");
    const std::string middle = Coord(f.top + f.height / 2);
    out << "<text x=\"20\" y=\"" << middle << "\" text-anchor=\"middle\" transform=\"rotate(-90 20 "
        << middle << ")\">voltage (" << axis.unit << ")</text>\n";
}

void DrawGraticule(std::ostream& out, const Frame& f, double timePerDiv) {
    for (int i = 0; i <= core::kTimeDivisions; ++i) {
        const double x = f.left + f.width * i / core::kTimeDivisions;
        Line(out, x, f.top, x, f.Bottom(), i == core::kTimeDivisions / 2 ? "#aaa" : "#ddd");
    }
    for (int i = 0; i <= core::kVoltDivisions; ++i) {
        const double y = f.top + f.height * i / core::kVoltDivisions;
        Line(out, f.left, y, f.left + f.width, y, i == core::kVoltDivisions / 2 ? "#aaa" : "#ddd");
    }
    // Fifths of a division on the centre lines, as on a scope screen.
    const double cx = f.left + f.width / 2;
    const double cy = f.top + f.height / 2;
    for (int i = 1; i < core::kTimeDivisions * 5; ++i) {
        const double x = f.left + f.width * i / (core::kTimeDivisions * 5);
        Line(out, x, cy - 3, x, cy + 3, "#aaa");
    }
    for (int i = 1; i < core::kVoltDivisions * 5; ++i) {
        const double y = f.top + f.height * i / (core::kVoltDivisions * 5);
        Line(out, cx - 3, y, cx + 3, y, "#aaa");
    }
    Text(out, f.left, f.Bottom() + 16, core::FormatSi(f.t0, "s", 3), "start");
    Text(out, f.left + f.width, f.Bottom() + 16, core::FormatSi(f.t1, "s", 3), "end");
    Text(out, f.left + f.width / 2, kHeight - 18,
         "time " + core::FormatSi(timePerDiv, "s/div", 3) + ", trigger at 0", "middle");
}

void DrawTrigger(std::ostream& out, const Frame& f, const core::Record& record,
                 const std::vector<VoltScale>& scales) {
    const auto pre = static_cast<std::size_t>(std::max(record.preSamples, 0));
    if (record.preSamples >= 0 && pre < record.size() && f.X(0) >= f.left &&
        f.X(0) <= f.left + f.width) {
        Line(out, f.X(0), f.top, f.X(0), f.Bottom(), kTriggerColour, " stroke-dasharray=\"6 4\"");
        Text(out, f.X(0) + 4, f.top + 14, "trigger", "start", kTriggerColour, true);
    }
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        if (record.traces[k].channel != record.trigger.levelChannel) continue;
        const double y = scales[k].Y(f, record.trigger.level);
        Line(out, f.left, y, f.left + f.width, y, kTriggerColour, " stroke-dasharray=\"2 3\"");
        Text(out, f.left + f.width - 4, y - 4,
             "level " + core::FormatSi(record.trigger.level, "V", 3), "end", kTriggerColour, true);
    }
}

}  // namespace

std::vector<LegendBox> LayoutLegend(const std::vector<std::string>& labels, double left, double top,
                                    double width) {
    std::vector<LegendBox> boxes;
    double x = left;
    double y = top;
    for (const std::string& label : labels) {
        const double w = kSwatch + TextWidth(label);
        // A new row unless this is the first entry of its row (an entry wider than the whole
        // row gets one to itself).
        if (x > left && x + w > left + width) {
            x = left;
            y += kRowHeight + kRowGap;
        }
        boxes.push_back({x, y, w, kRowHeight});
        x += w + kEntryGap;
    }
    return boxes;
}

void WriteSvg(std::ostream& out, const core::Record& record, const PlotOptions& options) {
    const std::size_t n = record.size();
    Frame f;
    f.t0 = record.TimeOf(0);
    f.t1 = n > 1 ? record.TimeOf(n - 1) : f.t0 + 1.0;
    if (!(f.t1 > f.t0)) f.t1 = f.t0 + 1.0;
    // The graticule spans the record, one sample period past the last sample, as the live
    // view's screen does.
    double timePerDiv = analysis::TimePerDivision(record.sampleRate, static_cast<std::int64_t>(n));
    if (!(timePerDiv > 0)) timePerDiv = (f.t1 - f.t0) / core::kTimeDivisions;
    if (options.divisions) f.t1 = f.t0 + timePerDiv * core::kTimeDivisions;

    double fullScale = 0;
    for (const core::Trace& t : record.traces) fullScale = std::max(fullScale, t.range);
    if (fullScale <= 0) fullScale = 1;
    std::vector<VoltScale> scales;
    std::vector<std::string> labels;
    for (const core::Trace& t : record.traces) {
        const std::string range = core::FormatSi(t.range, "V", 3) + " range";
        if (options.divisions) {
            const double perDiv =
                core::PerDivision(2 * (t.range > 0 ? t.range : 1), core::kVoltDivisions);
            scales.push_back(
                {-perDiv * core::kVoltDivisions / 2, perDiv * core::kVoltDivisions / 2});
            labels.push_back("channel " + std::to_string(t.channel) + ": " +
                             core::FormatSi(perDiv, "V/div", 3) + " (" + range + ")");
        } else {
            scales.push_back({-fullScale, fullScale});
            labels.push_back("channel " + std::to_string(t.channel) + " (" + range + ")");
        }
    }
    labels.push_back(TriggerLabel(record.trigger));
    const std::vector<LegendBox> legend = LayoutLegend(labels, f.left, kLegendTop, f.width);
    f.top = legend.back().y + legend.back().height + 14;
    f.height = kHeight - f.top - kBottom;

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << kHeight << "\" viewBox=\"0 0 " << kWidth << ' ' << kHeight << "\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<g font-family=\"sans-serif\" font-size=\"" << kFontSize << "\">\n";
    if (options.divisions) {
        DrawGraticule(out, f, timePerDiv);
    } else {
        DrawAxes(out, f, VoltScale{-fullScale, fullScale});
    }
    out << "<rect x=\"" << Coord(f.left) << "\" y=\"" << Coord(f.top) << "\" width=\""
        << Coord(f.width) << "\" height=\"" << Coord(f.height)
        << "\" fill=\"none\" stroke=\"black\"/>\n";

    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        const core::Trace& trace = record.traces[k];
        const char* colour = kTraceColours[k % 2];
        out << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"1.2\" points=\"";
        for (std::size_t i = 0; i < n; ++i) {
            const double t = record.TimeOf(i);
            if (t > f.t1) break;
            out << Coord(f.X(t)) << ',' << Coord(scales[k].Y(f, trace.volts[i])) << ' ';
        }
        out << "\"/>\n";
        if (options.divisions) {
            // Each channel's zero volts, marked at the left edge as a scope does; the marks
            // stand side by side, since the channels' zeros often share a height.
            const double y0 = scales[k].Y(f, 0);
            const double x = f.left - 12 - 26 * static_cast<double>(k);
            out << "<path d=\"M" << Coord(x) << ',' << Coord(y0 - 5) << " l10,5 l-10,5 z\" fill=\""
                << colour << "\"/>\n";
            Text(out, x - 3, y0 + 4, std::to_string(trace.channel), "end", colour);
        }
    }
    DrawTrigger(out, f, record, scales);

    for (std::size_t k = 0; k < legend.size(); ++k) {
        const LegendBox& box = legend[k];
        const bool trigger = k == record.traces.size();
        const char* colour = trigger ? kTriggerColour : kTraceColours[k % 2];
        const double mid = box.y + box.height / 2;
        Line(out, box.x, mid, box.x + kSwatch - 6, mid, colour,
             trigger ? " stroke-width=\"2\" stroke-dasharray=\"4 3\"" : " stroke-width=\"2\"");
        Text(out, box.x + kSwatch, mid + 4, labels[k], "start", colour);
    }
    out << "</g>\n</svg>\n";
}

std::string EncodeSvg(const core::Record& record) {
    std::ostringstream text;
    WriteSvg(text, record);
    return text.str();
}

}  // namespace zarvo::files
