// One captured record: samples in volts per channel, the time base and the trigger point.
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

struct Record {
    double sampleRate = 0;
    int preSamples = 0;  // index of the trigger point
    std::vector<Trace> traces;

    std::size_t size() const { return traces.empty() ? 0 : traces.front().volts.size(); }
    // Seconds from the trigger point.
    double TimeOf(std::size_t index) const;
};

// CSV with a header line: time in seconds, then volts per channel.
void WriteCsv(std::ostream& out, const Record& record);

// An SVG plot: time axis in milliseconds, volts, one trace per channel, the trigger point
// marked, axis labels with units.
void WriteSvg(std::ostream& out, const Record& record);

// A small text-mode picture of the waveform for a terminal.
std::string Preview(const Record& record, int width = 72, int height = 14);

}  // namespace zarvo::cli
