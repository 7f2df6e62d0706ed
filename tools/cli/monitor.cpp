// SPDX-License-Identifier: MIT
// zarvo monitor: record after record, each channel's figures on a line and in the log.
#include <chrono>
#include <fstream>
#include <iostream>
#include <optional>

#include "tools/analysis/decode_record.h"
#include "tools/analysis/figure_log.h"
#include "tools/analysis/figure_statistics.h"
#include "tools/analysis/figures.h"
#include "tools/analysis/stats.h"
#include "tools/cli/subcommands.h"
#include "tools/core/process.h"
#include "tools/core/status.h"
#include "tools/files/frames_csv.h"
#include "tools/files/safe_write.h"
#include "zarvo.h"

namespace zarvo::cli {

namespace {

std::string Timestamp() {
    const auto now = std::chrono::system_clock::now();
    return analysis::UtcStamp(
        std::chrono::duration<double, std::milli>(now.time_since_epoch()).count());
}

}  // namespace

// Each record is one run of the instrument's measurement state machine (StartMeasurement):
// armed, triggered or timed out at the timer's pace, read out, then the figures printed.
int RunMonitor(const MonitorOptions& options) {
    const auto decode = CheckDecode(options.decode, options.settings);
    core::Session session;
    const core::Obtained obtained = core::ApplySettings(options.settings);
    std::cerr << "monitor: " << core::Describe(obtained) << "; Ctrl-C stops\n";

    std::ofstream log;
    if (!options.logPath.empty()) {
        const bool fresh = !std::ifstream(options.logPath).good();
        log.open(options.logPath, std::ios::app);
        if (!log) throw core::ToolError("cannot open " + options.logPath);
        if (fresh) log << analysis::LogHeader(obtained.channels);
    }

    // The frames file is put in place when monitoring stops, as capture's files are.
    std::optional<files::SafeFile> framesFile;
    if (!options.decode.csvPath.empty()) {
        framesFile.emplace(options.decode.csvPath);
        zarvo::files::WriteFramesCsvHeader(framesFile->Stream(), true);
    }
    core::Record taken;
    taken.sampleRate = obtained.rate;
    taken.preSamples = obtained.pre;
    const auto n = static_cast<std::size_t>(obtained.length);
    std::vector<double> data[2] = {std::vector<double>(n), std::vector<double>(n)};
    // The record the statistics see: the channels measured, refilled record after record.
    core::Record shown;
    shown.sampleRate = obtained.rate;
    for (int ch : obtained.channels) shown.traces.push_back(core::Trace{ch, 0, {}});
    analysis::FigureStatistics statistics;
    std::vector<double> scratch;
    for (std::int64_t record = 1; !core::Interrupted(); ++record) {
        if (options.count && record > *options.count) break;
        core::Check(StartMeasurement(), "StartMeasurement");
        core::Check(GetMeasurement(data[0].data(), data[1].data()), "GetMeasurement");
        const std::string stamp = Timestamp();
        std::cout << "record " << record;
        if (log.is_open()) log << stamp;
        for (int ch : obtained.channels) {
            const auto k = static_cast<std::size_t>(ch - 1);
            for (double& v : data[k]) v *= obtained.probe[k];  // at the probe tip
            const analysis::Stats s = analysis::Analyse(data[k], obtained.rate);
            std::cout << "  ch" << ch << ':';
            for (const analysis::FigureColumn& c : analysis::kFigureColumns) {
                std::cout << ' ' << c.key << ' ' << analysis::FigureText(c, s);
                if (log.is_open()) log << ',' << analysis::FigureCsv(c, s);
            }
        }
        std::cout << '\n';
        if (options.stats) {
            for (core::Trace& t : shown.traces) t.volts = data[t.channel - 1];
            statistics.Add(analysis::FiguresOf(shown, scratch));
        }
        if (decode) {
            taken.traces.clear();
            for (int ch : obtained.channels)
                taken.traces.push_back(core::Trace{ch, 0, data[ch - 1]});
            const auto result = zarvo::analysis::DecodeFrames(*decode, taken);
            const std::string who = "monitor: record " + std::to_string(record) + ": ";
            PrintFrames(std::cout, std::cerr, result, "  ", who);
            if (framesFile) zarvo::files::WriteFramesCsvRows(framesFile->Stream(), result, record);
        }
        std::cout << std::flush;
        if (log.is_open()) {
            log << '\n';
            log.flush();  // at most the row being written is lost
            if (!log) throw core::ToolError("cannot write " + options.logPath);
        }
    }
    if (framesFile) {
        framesFile->Commit();
        std::cerr << "monitor: wrote the frames to " << options.decode.csvPath << '\n';
    }
    if (core::Interrupted()) std::cerr << "monitor: stopped\n";
    if (options.stats) std::cout << statistics.Table() << std::flush;
    return 0;
}

}  // namespace zarvo::cli
