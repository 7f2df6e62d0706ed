// SPDX-License-Identifier: MIT
// zarvo capture: records to files in the chosen format, the plot, the spectrum and the preview.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <sstream>

#include "tools/analysis/decode_record.h"
#include "tools/cli/preview.h"
#include "tools/cli/subcommands.h"
#include "tools/core/block_acquisition.h"
#include "tools/core/numbers.h"
#include "tools/core/process.h"
#include "tools/core/status.h"
#include "tools/files/csv_file.h"
#include "tools/files/frames_csv.h"
#include "tools/files/json_file.h"
#include "tools/files/record_files.h"
#include "tools/files/safe_write.h"
#include "tools/files/sigrok_logic.h"
#include "tools/files/svg_file.h"
#include "zarvo.h"

namespace zarvo::cli {

namespace {

// Waits for the armed acquisition; forces the trigger once the time-out has passed.
core::BlockResult WaitForRecord(double timeout, double recordSeconds, bool progress) {
    core::BlockAcquisition how;
    how.timeoutMs = timeout >= 0 ? timeout * 1000 : -1;
    // A forced acquisition completes within its post-trigger samples; allow their time at the
    // sample rate and two seconds more before calling the instrument unresponsive.
    how.recordMs = recordSeconds * 1000;
    how.pollInterval = std::chrono::milliseconds(1);
    how.watchTrigger = true;
    how.abandon = [] { return core::Interrupted(); };
    if (progress) {
        how.onPoll = [](std::chrono::steady_clock::duration waited) {
            std::cerr << "\rwaiting for the trigger: "
                      << std::chrono::duration_cast<std::chrono::seconds>(waited).count() << " s"
                      << std::flush;
        };
    }
    const core::BlockResult result = core::AcquireBlock(how);
    switch (result.end) {
        case core::BlockResult::End::Ready:
            break;
        case core::BlockResult::End::StartRefused:
            core::Check(result.status, "ADC_Start");
            break;
        case core::BlockResult::End::ForceRefused:
            core::Check(result.status, "ADC_ForceTrig");
            break;
        case core::BlockResult::End::Abandoned:
            throw core::ToolError("interrupted while waiting for the trigger", 130);
        case core::BlockResult::End::Unresponsive:
            throw core::ToolError(
                "the instrument did not complete the acquisition after a forced trigger");
    }
    if (progress) std::cerr << "\r\033[K" << std::flush;
    return result;
}

core::Record Fetch(const core::Obtained& obtained, const core::TriggerInfo& trigger) {
    const auto n = static_cast<std::size_t>(obtained.length);
    std::vector<double> ch1(n);
    std::vector<double> ch2(n);
    core::Check(ADC_GetDataVolt(ch1.data(), ch2.data()), "ADC_GetDataVolt");
    core::Record record;
    record.sampleRate = obtained.rate;
    record.preSamples = obtained.pre;
    record.trigger = trigger;
    for (int ch : obtained.channels) {
        double range = 0;
        core::Check(GetSensitivity(static_cast<std::uint8_t>(ch), &range), "GetSensitivity");
        const double probe = obtained.probe[static_cast<std::size_t>(ch - 1)];
        std::vector<double>& volts = ch == 1 ? ch1 : ch2;
        for (double& v : volts) v *= probe;  // at the probe tip
        record.traces.push_back(core::Trace{ch, range * probe, std::move(volts), probe});
    }
    return record;
}

// The trigger as the instrument took it, for the plot's marks and the JSON settings.
core::TriggerInfo ReadTrigger(const core::MeasureSettings& settings) {
    core::TriggerInfo trigger;
    trigger.source = settings.trigger;
    trigger.falling = settings.slope == "falling";
    // "and" and "or" compare both channels with their levels; channel 1's is the one marked.
    if (settings.trigger != "ext" && settings.trigger != "none") {
        trigger.levelChannel = settings.trigger == "ch2" ? 2 : 1;
        core::Check(
            GetTriggerLevel(static_cast<std::uint8_t>(trigger.levelChannel), &trigger.level),
            "GetTriggerLevel");
        trigger.level *= settings.channel[static_cast<std::size_t>(trigger.levelChannel - 1)].probe;
    }
    return trigger;
}

// One armed, triggered and read-out record, with what went unusually said on standard error.
core::Record TakeRecord(const CaptureOptions& options, const core::Obtained& obtained,
                        const core::TriggerInfo& trigger, const std::string& who) {
    const double recordSeconds = obtained.rate > 0 ? obtained.post / obtained.rate : 0;
    const bool single = !options.count;
    const core::BlockResult wait =
        WaitForRecord(options.settings.timeout, recordSeconds, single && core::StderrIsTerminal());
    const double triggerSeenAfter = wait.triggerSeenMs / 1000;
    core::Record record = Fetch(obtained, trigger);
    if (wait.forced) std::cerr << who << "no trigger within the time-out; trigger forced\n";
    const double preSpan = obtained.rate > 0 ? obtained.pre / obtained.rate : 0;
    if (!wait.forced && triggerSeenAfter < preSpan) {
        std::cerr << who << "the trigger came within " << core::FormatSi(triggerSeenAfter, "s", 3)
                  << " of the start, sooner than the " << core::FormatSi(preSpan, "s", 3)
                  << " before the trigger point: the earliest samples may hold older memory "
                     "contents\n";
    }
    for (const core::Trace& t : record.traces) {
        if (t.range != obtained.range[static_cast<std::size_t>(t.channel - 1)]) {
            std::cerr << who << "channel " << t.channel << " auto-ranged to "
                      << core::FormatSi(t.range, "V", 3) << '\n';
        }
    }
    return record;
}

// With --average (or a settings file's average), the mean of that many records taken one after
// the other, sample by sample (in volts, so a channel that auto-ranged between them still
// averages right).
core::Record TakeAveraged(const CaptureOptions& options, const core::Obtained& obtained,
                          const core::TriggerInfo& trigger, const std::string& who) {
    core::Record sum = TakeRecord(options, obtained, trigger, who);
    const int n = options.average.value_or(options.settings.average);
    for (int taken = 1; taken < n; ++taken) {
        if (core::Interrupted()) throw core::ToolError("interrupted while averaging", 130);
        const core::Record next = TakeRecord(options, obtained, trigger, who);
        for (std::size_t k = 0; k < sum.traces.size() && k < next.traces.size(); ++k) {
            std::vector<double>& into = sum.traces[k].volts;
            const std::vector<double>& from = next.traces[k].volts;
            for (std::size_t i = 0; i < into.size() && i < from.size(); ++i) into[i] += from[i];
            sum.traces[k].range = std::max(sum.traces[k].range, next.traces[k].range);
        }
    }
    for (core::Trace& t : sum.traces) {
        for (double& v : t.volts) v /= n;
    }
    return sum;
}

void DrawProgress(std::int64_t done, std::int64_t total) {
    constexpr std::int64_t kBarWidth = 30;
    const std::int64_t filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::cerr << "\rcapture: [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << done
              << '/' << total << " records" << std::flush;
}

std::string RecordFileName(std::int64_t number, std::int64_t count, std::string_view ext) {
    std::string digits = std::to_string(number);
    const std::size_t width = std::max<std::size_t>(4, std::to_string(count).size());
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return "record-" + digits + "." + std::string(ext);
}

// The records' format: --format when given, otherwise the extension of the output file (CSV
// for standard output and for a name without an extension). Decided before the instrument is
// opened, so that a wrong name stops at once and writes nothing.
files::FileFormat ChooseFormat(const CaptureOptions& options) {
    if (!options.format.empty()) {
        if (const auto named = files::FormatNamed(options.format)) return *named;
        throw core::ToolError(files::UnknownFormatMessage("--format " + options.format), 2);
    }
    const std::string& path = options.csvPath;
    if (path.empty() || path == "-" || std::filesystem::path(path).extension().empty()) {
        return files::FileFormat::Csv;
    }
    if (const auto byExtension = files::FormatOfPath(path)) return *byExtension;
    throw core::ToolError(
        files::UnknownFormatMessage(
            "the extension " + std::filesystem::path(path).extension().string() + " of " + path),
        2);
}

void CheckDestination(const CaptureOptions& options, const files::FormatInfo& format,
                      bool toStdout) {
    const std::string ext(format.name);
    if (options.count && !format.manyRecords && options.outputDir.empty()) {
        throw core::ToolError(
            "a ." + ext + " file holds one record: give --output-dir DIR with --count", 2);
    }
    if (toStdout && format.binary && core::StdoutIsTerminal()) {
        throw core::ToolError("a ." + ext + " record is binary: give -o FILE." + ext, 2);
    }
}

// What the decoder made of one record, and how the logic lines of a .sr file are cut.
struct Decoded {
    std::optional<zarvo::analysis::decode::BusSetup> setup;
    bool logic = false;
    zarvo::analysis::decode::Result result;
    zarvo::files::LogicThresholds thresholds;
};

// Refuses --logic where no .sr file is written; a decode setting implies it.
void CheckLogic(const CaptureOptions& options, files::FileFormat format) {
    if (options.decode.logic && format != files::FileFormat::Sigrok) {
        throw core::ToolError("--logic adds logic channels to a sigrok session: give -o FILE.sr",
                              2);
    }
}

// One record in a file of its own: the JSON document with its settings, the CSV with the
// record's number in a column when it has one (label), or any other record format.
void WriteOneRecord(const std::string& path, files::FileFormat format,
                    const CaptureOptions& options, const core::Obtained& obtained,
                    const core::Record& record, long label, const Decoded& decoded) {
    std::ostringstream text;
    if (format == files::FileFormat::Sigrok && decoded.logic) {
        zarvo::files::WriteSigrokWithLogic(path, record, decoded.thresholds);
        return;
    }
    if (format == files::FileFormat::Json) {
        files::WriteJson(text, obtained, options.settings, {record}, std::max(label, 1L),
                         decoded.setup ? std::span(&decoded.result, 1)
                                       : std::span<const zarvo::analysis::decode::Result>());
    } else if (format == files::FileFormat::Csv) {
        files::WriteCsv(text, record, label);
    } else {
        files::WriteRecordFile(path, record, format);
        return;
    }
    files::WriteFileSafely(path, text.str());
}

void WritePlot(const CaptureOptions& options, const core::Record& record) {
    std::ostringstream svg;
    files::PlotOptions plot;
    plot.divisions = options.divisions;
    files::WriteSvg(svg, record, plot);
    files::WriteFileSafely(options.svgPath, svg.str());
    std::cerr << "capture: wrote the plot to " << options.svgPath << '\n';
}

}  // namespace

int RunCapture(const CaptureOptions& options) {
    if (options.average && (*options.average < 2 || *options.average > 256)) {
        throw core::ToolError(
            "--average takes 2 to 256 records, not " + std::to_string(*options.average), 2);
    }
    const files::FileFormat format = ChooseFormat(options);
    const files::FormatInfo& info = InfoOf(format);
    const bool toDirectory = !options.outputDir.empty();
    const bool toStdout = !toDirectory && (options.csvPath.empty() || options.csvPath == "-");
    CheckDestination(options, info, toStdout);
    CheckLogic(options, format);
    Decoded decoded;
    decoded.setup = CheckDecode(options.decode, options.settings);
    decoded.logic = options.decode.logic || decoded.setup.has_value();
    // Decoding with nowhere named for the records: standard output carries the frames alone.
    const bool framesOnly =
        decoded.setup && options.csvPath.empty() && !toDirectory && options.format.empty();
    std::ostream& framesOut = toStdout && !framesOnly ? std::cerr : std::cout;

    core::Session session;
    const core::Obtained obtained = core::ApplySettings(options.settings);
    std::cerr << "capture: " << core::Describe(obtained) << '\n';
    const core::TriggerInfo trigger = ReadTrigger(options.settings);
    const std::int64_t count = options.count.value_or(1);
    const bool numbered = options.count.has_value();
    const bool json = format == files::FileFormat::Json;
    const bool csv = format == files::FileFormat::Csv;

    // A file is written under a temporary name and put in place once complete: CSV and JSON
    // as the records come, the other formats whole at the end. Either way a destination that
    // cannot be written is found before the instrument waits for a trigger.
    std::optional<files::SafeFile> file;
    std::optional<files::SafeFile> framesFile;
    if (!options.decode.csvPath.empty()) framesFile.emplace(options.decode.csvPath);
    std::ostream* out = &std::cout;
    const bool oneFile = !toDirectory && !toStdout;
    if (toDirectory) {
        std::error_code error;
        std::filesystem::create_directories(options.outputDir, error);
        if (error)
            throw core::ToolError("cannot create " + options.outputDir + ": " + error.message());
    } else if (oneFile) {
        file.emplace(options.csvPath);
        if (info.manyRecords) {
            out = &file->Stream();
        } else {
            file.reset();  // only a probe: its temporary file goes again
        }
    }

    const bool progress = count > 1 && core::StderrIsTerminal();
    std::vector<core::Record> kept;  // for one JSON document
    std::vector<zarvo::analysis::decode::Result> keptFrames;
    core::Record last;
    std::int64_t taken = 0;
    for (std::int64_t number = 1; number <= count && !core::Interrupted(); ++number) {
        const std::string who =
            numbered ? "capture: record " + std::to_string(number) + ": " : "capture: ";
        core::Record record = TakeAveraged(options, obtained, trigger, who);
        const long label = numbered ? static_cast<long>(number) : 0;
        if (decoded.setup) {
            decoded.result = zarvo::analysis::DecodeFrames(*decoded.setup, record);
            if (numbered) framesOut << "record " << number << '\n';
            PrintFrames(framesOut, std::cerr, decoded.result, numbered ? "  " : "", who);
            if (framesFile) {
                if (number == 1) zarvo::files::WriteFramesCsvHeader(framesFile->Stream(), numbered);
                zarvo::files::WriteFramesCsvRows(framesFile->Stream(), decoded.result, label);
            }
            if (json) keptFrames.push_back(decoded.result);
        }
        decoded.thresholds = ThresholdsOf(decoded.setup ? &decoded.result : nullptr, decoded.setup);
        if (framesOnly) {
            // the frames are the output
        } else if (toDirectory) {
            const std::string path = (std::filesystem::path(options.outputDir) /
                                      RecordFileName(number, count, info.name))
                                         .string();
            WriteOneRecord(path, format, options, obtained, record, label, decoded);
        } else if (json) {
            kept.push_back(record);
        } else if (csv) {
            if (number == 1) files::WriteCsvHeader(*out, record, numbered);
            files::WriteCsvRows(*out, record, label);
        } else if (oneFile && format == files::FileFormat::Sigrok && decoded.logic) {
            zarvo::files::WriteSigrokWithLogic(options.csvPath, record, decoded.thresholds);
        } else if (oneFile) {
            files::WriteRecordFile(options.csvPath, record, format);
        } else if (format == files::FileFormat::Sigrok && decoded.logic) {
            *out << zarvo::files::EncodeSigrokWithLogic(record, decoded.thresholds);
        } else {
            *out << files::EncodeRecord(record, format);
        }
        ++taken;
        if (progress) DrawProgress(number, count);
        last = std::move(record);
    }
    if (progress) std::cerr << "\r\033[K" << std::flush;
    if (json && !toDirectory)
        files::WriteJson(*out, obtained, options.settings, kept, 1, keptFrames);
    if (taken == 0) throw core::ToolError("interrupted before the first record", 130);
    if (framesFile) framesFile->Commit();
    if (file) {
        file->Commit();
    } else if (!out->flush()) {
        throw core::ToolError("cannot write to standard output");
    }

    const std::string what =
        numbered ? std::to_string(taken) + " records" : std::to_string(last.size()) + " samples";
    if (toDirectory) {
        std::cerr << "capture: wrote " << what << " to " << options.outputDir << '\n';
    } else if (!toStdout) {
        std::cerr << "capture: wrote " << what << " to " << options.csvPath << '\n';
    }
    if (framesFile) std::cerr << "capture: wrote the frames to " << options.decode.csvPath << '\n';
    if (taken < count) std::cerr << "capture: interrupted after " << what << '\n';
    if (!options.svgPath.empty()) WritePlot(options, last);
    if (!options.spectrum.path.empty()) WriteSpectrumFile(options.spectrum, last);
    if (options.preview && core::StdoutIsTerminal()) {
        std::cout << Preview(last, core::TerminalWidth());
    }
    return core::Interrupted() ? 130 : 0;
}

}  // namespace zarvo::cli
