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

void WriteSpectrumCsv(std::ostream& out, const Record& record, Window window) {
    SpectrumAnalyser analyser;
    std::vector<Spectrum> spectra(record.traces.size());
    out << "frequency_Hz";
    for (std::size_t c = 0; c < record.traces.size(); ++c) {
        analyser.Compute(record.traces[c].volts, record.sampleRate, window, spectra[c]);
        out << ",ch" << record.traces[c].channel << "_dBV";
    }
    out << '\n';
    const std::size_t bins = spectra.empty() ? 0 : spectra.front().dBV.size();
    for (std::size_t k = 0; k < bins; ++k) {
        out << CsvNumber(static_cast<double>(k) * spectra.front().binHz);
        for (const Spectrum& s : spectra) out << ',' << CsvNumber(RoundDb(s.dBV[k]));
        out << '\n';
    }
}

}  // namespace

void AddSpectrumOptions(CLI::App& capture, SpectrumRequest& request) {
    capture.add_option("--spectrum", request.path,
                       "also write the spectrum of the last record (dBV per bin) as CSV");
    capture.add_option("--window", request.window, "the spectrum's window: " + WindowNames())
        ->check(CLI::IsMember(WindowNameList()))
        ->capture_default_str();
}

void WriteSpectrumFile(const SpectrumRequest& request, const Record& record) {
    const std::optional<Window> window = WindowNamed(request.window);
    if (!window) {
        throw ToolError("--window must be " + WindowNames() + ", not " + request.window, 2);
    }
    std::ostringstream csv;
    WriteSpectrumCsv(csv, record, *window);
    WriteFileSafely(request.path, csv.str());
    std::cerr << "capture: wrote the spectrum (" << request.window << " window) to " << request.path
              << '\n';
}

}  // namespace zarvo::cli
