// One captured record: samples in volts per channel, the time base and the trigger, and the
// ways of writing it out (CSV, SVG plot, terminal preview).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zarvo::cli {

struct Trace {
    int channel = 1;
    double range = 0;  // full scale in volts
    std::vector<double> volts;
};

// The trigger as the instrument took it.
struct TriggerInfo {
    std::string source;    // "ch1", "ch2", "ext", "and", "or", "none"; empty: not known
    bool falling = false;  // slope
    int levelChannel = 0;  // channel whose level is marked; 0: no level to mark
    double level = 0;      // volts
};

struct Record {
    double sampleRate = 0;
    int preSamples = 0;  // index of the trigger point
    std::vector<Trace> traces;
    TriggerInfo trigger;

    std::size_t size() const { return traces.empty() ? 0 : traces.front().volts.size(); }
    // Seconds from the trigger point.
    double TimeOf(std::size_t index) const;
};

// CSV with a header line: time in seconds, then volts per channel. A record number other
// than 0 adds a first column `record` holding it, so that several records can share a file.
void WriteCsv(std::ostream& out, const Record& record, long number = 0);
void WriteCsvHeader(std::ostream& out, const Record& record, bool numbered);
void WriteCsvRows(std::ostream& out, const Record& record, long number);

struct PlotOptions {
    // A scope screen: a 10 x 8 graticule, each channel on its own volts per division, time
    // per division, instead of axes with figures.
    bool divisions = false;
};

// An SVG plot: time and voltage axes at 1-2-5 steps in scaled units (or the graticule), one
// trace per channel, the trigger point and level marked, a legend above the plot.
void WriteSvg(std::ostream& out, const Record& record, const PlotOptions& options = {});

// Where the legend's entries go: left to right, a new row when the next would pass the right
// edge, so that no two boxes overlap whatever their labels.
struct LegendBox {
    double x = 0;
    double y = 0;  // top
    double width = 0;
    double height = 0;
};
std::vector<LegendBox> LayoutLegend(const std::vector<std::string>& labels, double left, double top,
                                    double width);

// A text picture of the waveform for a terminal, `width` characters wide in all (labels and
// frame included) and `height` rows of trace, scaled to the span of the signal: its volts at
// the top and bottom rows, the time span on a line below; channel 1 in '*', channel 2 in 'o',
// '#' where they meet.
std::string Preview(const Record& record, int width = 80, int height = 14);

}  // namespace zarvo::cli
