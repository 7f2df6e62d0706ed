// SPDX-License-Identifier: MIT
// The tool's commands. Each opens the instrument itself and returns the exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/cli/decode_option.h"
#include "tools/cli/measure_options.h"
#include "tools/cli/spectrum_file.h"

namespace zarvo::cli {

int RunInfo();

struct CaptureOptions {
    core::MeasureSettings settings;
    std::string csvPath;  // the records' file; empty or "-": standard output
    std::string svgPath;  // plot of the last record
    bool preview = true;
    bool divisions = false;             // the plot as a 10 x 8 graticule
    std::optional<std::int64_t> count;  // consecutive records, numbered in a `record` column
    std::string outputDir;              // one file per record instead of csvPath
    std::string format;          // a name of Formats(); empty: csvPath's extension, else "csv"
    SpectrumRequest spectrum;    // the last record's spectrum as CSV
    DecodeRequest decode;        // frames printed (or in the JSON), in a CSV, D1/D2 in a .sr
    std::optional<int> average;  // each record written is the mean of this many (2..256)
};
int RunCapture(const CaptureOptions& options);

struct MonitorOptions {
    core::MeasureSettings settings;
    std::optional<std::int64_t> count;  // records; none: until interrupted
    std::string logPath;
    DecodeRequest decode;  // each record's frames after its figures
    bool stats = false;    // the statistics of every figure printed at the end
};
int RunMonitor(const MonitorOptions& options);

// "off", or a frequency in Hz.
int RunGenerator(const std::string& frequency);

}  // namespace zarvo::cli
