// SPDX-License-Identifier: MIT
// zarvo capture --spectrum FILE.csv [--window hann|flattop|rect]: the spectrum of the last
// record as CSV, one row per bin: frequency_Hz, then ch1_dBV and/or ch2_dBV.
#pragma once

#include <string>

#include "tools/analysis/spectrum.h"
#include "tools/core/record.h"

namespace CLI {
class App;
}

namespace zarvo::cli {

struct SpectrumRequest {
    std::string path;  // empty: no spectrum
    std::string window = "hann";
};

// Declares --spectrum and --window on the capture command.
void AddSpectrumOptions(CLI::App& capture, SpectrumRequest& request);

// Writes the file under a temporary name and renames it when complete (WriteFileSafely);
// says so on standard error. Throws ToolError for an unknown window, FileError when the file
// cannot be written.
void WriteSpectrumFile(const SpectrumRequest& request, const core::Record& record);

}  // namespace zarvo::cli
