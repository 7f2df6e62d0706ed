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
    Session session;
    const Obtained obtained = ApplySettings(options.settings);
    std::cerr << "monitor: " << Describe(obtained) << "; Ctrl-C stops\n";

    std::ofstream log;
    if (!options.logPath.empty()) {
        const bool fresh = !std::ifstream(options.logPath).good();
        log.open(options.logPath, std::ios::app);
        if (!log) throw ToolError("cannot open " + options.logPath);
        if (fresh) log << analysis::LogHeader(obtained.channels);
    }

    // The frames file is put in place when monitoring stops, as capture's files are.
    std::optional<SafeFile> framesFile;
    if (!options.decode.csvPath.empty()) {
        framesFile.emplace(options.decode.csvPath);
        zarvo::files::WriteFramesCsvHeader(framesFile->Stream(), true);
    }
    Record taken;
    taken.sampleRate = obtained.rate;
    taken.preSamples = obtained.pre;
    const auto n = static_cast<std::size_t>(obtained.length);
    std::vector<double> data[2] = {std::vector<double>(n), std::vector<double>(n)};
    // The record the statistics see: the channels measured, refilled record after record.
    Record shown;
    shown.sampleRate = obtained.rate;
    for (int ch : obtained.channels) shown.traces.push_back(Trace{ch, 0, {}});
    analysis::FigureStatistics statistics;
    std::vector<double> scratch;
    for (std::int64_t record = 1; !Interrupted(); ++record) {
        if (options.count && record > *options.count) break;
        Check(StartMeasurement(), "StartMeasurement");
        Check(GetMeasurement(data[0].data(), data[1].data()), "GetMeasurement");
        const std::string stamp = Timestamp();
        std::cout << "record " << record;
        if (log.is_open()) log << stamp;
        for (int ch : obtained.channels) {
            const Stats s = Analyse(data[ch - 1], obtained.rate);
            std::cout << "  ch" << ch << ':';
            for (const FigureColumn& c : kFigureColumns) {
                std::cout << ' ' << c.key << ' ' << FigureText(c, s);
                if (log.is_open()) log << ',' << FigureCsv(c, s);
            }
        }
        std::cout << '\n';
        if (options.stats) {
            for (Trace& t : shown.traces) t.volts = data[t.channel - 1];
            statistics.Add(analysis::FiguresOf(shown, scratch));
        }
        if (decode) {
            taken.traces.clear();
            for (int ch : obtained.channels) taken.traces.push_back(Trace{ch, 0, data[ch - 1]});
            const auto result = zarvo::analysis::DecodeFrames(*decode, taken);
            const std::string who = "monitor: record " + std::to_string(record) + ": ";
            PrintFrames(std::cout, std::cerr, result, "  ", who);
            if (framesFile) zarvo::files::WriteFramesCsvRows(framesFile->Stream(), result, record);
        }
        std::cout << std::flush;
        if (log.is_open()) {
            log << '\n';
            log.flush();  // at most the row being written is lost
            if (!log) throw ToolError("cannot write " + options.logPath);
        }
    }
    if (framesFile) {
        framesFile->Commit();
        std::cerr << "monitor: wrote the frames to " << options.decode.csvPath << '\n';
    }
    if (Interrupted()) std::cerr << "monitor: stopped\n";
    if (options.stats) std::cout << statistics.Table() << std::flush;
    return 0;
}

}  // namespace zarvo::cli
