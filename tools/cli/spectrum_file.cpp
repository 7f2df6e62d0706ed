// SPDX-License-Identifier: MIT
// capture --spectrum FILE: the option and the last record's spectrum written as CSV.
#include "tools/cli/spectrum_file.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>

#include "tools/core/numbers.h"
#include "tools/core/status.h"
#include "tools/files/safe_write.h"

namespace zarvo::cli {

namespace {

void WriteSpectrumCsv(std::ostream& out, const core::Record& record, analysis::Window window) {
    analysis::SpectrumAnalyser analyser;
    std::vector<analysis::Spectrum> spectra(record.traces.size());
    out << "frequency_Hz";
    for (std::size_t c = 0; c < record.traces.size(); ++c) {
        analyser.Compute(record.traces[c].volts, record.sampleRate, window, spectra[c]);
        out << ",ch" << record.traces[c].channel << "_dBV";
    }
    out << '\n';
    const std::size_t bins = spectra.empty() ? 0 : spectra.front().dBV.size();
    for (std::size_t k = 0; k < bins; ++k) {
        out << core::CsvNumber(static_cast<double>(k) * spectra.front().binHz);
        for (const analysis::Spectrum& s : spectra)
            out << ',' << core::CsvNumber(analysis::RoundDb(s.dBV[k]));
        out << '\n';
    }
}

}  // namespace

void AddSpectrumOptions(CLI::App& capture, SpectrumRequest& request) {
    capture.add_option("--spectrum", request.path,
                       "also write the spectrum of the last record (dBV per bin) as CSV");
    capture
        .add_option("--window", request.window, "the spectrum's window: " + analysis::WindowNames())
        ->check(CLI::IsMember(analysis::WindowNameList()))
        ->capture_default_str();
}

void WriteSpectrumFile(const SpectrumRequest& request, const core::Record& record) {
    const std::optional<analysis::Window> window = analysis::WindowNamed(request.window);
    if (!window) {
        throw core::ToolError(
            "--window must be " + analysis::WindowNames() + ", not " + request.window, 2);
    }
    std::ostringstream csv;
    WriteSpectrumCsv(csv, record, *window);
    files::WriteFileSafely(request.path, csv.str());
    std::cerr << "capture: wrote the spectrum (" << request.window << " window) to " << request.path
              << '\n';
}

}  // namespace zarvo::cli
