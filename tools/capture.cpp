#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tools/commands.h"
#include "tools/format.h"
#include "tools/record.h"
#include "tools/record_json.h"
#include "tools/session.h"
#include "tools/status.h"
#include "zarvo.h"

namespace zarvo::cli {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Wait {
    bool forced = false;
    // Seconds from the arm to the first poll that saw the trigger: the trigger came no later.
    double triggerSeenAfter = -1;
};

// Waits for the armed acquisition; forces the trigger once the time-out has passed.
Wait WaitForRecord(double timeout, double recordSeconds, bool progress) {
    const Clock::time_point start = Clock::now();
    Wait result;
    bool& forced = result.forced;
    double forcedAt = 0;
    while (ADC_Ready() == 0) {
        if (result.triggerSeenAfter < 0 && ADC_Triggered() != 0) {
            result.triggerSeenAfter = SecondsSince(start);
        }
        if (Interrupted()) {
            ADC_Abort();
            throw ToolError("interrupted while waiting for the trigger", 130);
        }
        const double waited = SecondsSince(start);
        if (!forced && timeout >= 0 && waited >= timeout) {
            Check(ADC_ForceTrig(), "ADC_ForceTrig");
            forced = true;
            forcedAt = waited;
        }
        // A forced acquisition completes within its post-trigger samples; allow their time at
        // the sample rate and two seconds more before calling the instrument unresponsive.
        if (forced && waited - forcedAt > recordSeconds + 2) {
            throw ToolError(
                "the instrument did not complete the acquisition after a forced trigger");
        }
        if (progress) {
            std::cerr << "\rwaiting for the trigger: " << static_cast<int>(waited) << " s"
                      << std::flush;
        }
        PauseMs(1);
    }
    if (progress) std::cerr << "\r\033[K" << std::flush;
    if (result.triggerSeenAfter < 0) result.triggerSeenAfter = SecondsSince(start);
    return result;
}

Record Fetch(const Obtained& obtained, const TriggerInfo& trigger) {
    const auto n = static_cast<std::size_t>(obtained.length);
    std::vector<double> ch1(n);
    std::vector<double> ch2(n);
    Check(ADC_GetDataVolt(ch1.data(), ch2.data()), "ADC_GetDataVolt");
    Record record;
    record.sampleRate = obtained.rate;
    record.preSamples = obtained.pre;
    record.trigger = trigger;
    for (int ch : obtained.channels) {
        double range = 0;
        Check(GetSensitivity(static_cast<std::uint8_t>(ch), &range), "GetSensitivity");
        record.traces.push_back(Trace{ch, range, ch == 1 ? ch1 : ch2});
    }
    return record;
}

// The trigger as the instrument took it, for the plot's marks and the JSON settings.
TriggerInfo ReadTrigger(const MeasureSettings& settings) {
    TriggerInfo trigger;
    trigger.source = settings.trigger;
    trigger.falling = settings.slope == "falling";
    // "and" and "or" compare both channels with their levels; channel 1's is the one marked.
    if (settings.trigger != "ext" && settings.trigger != "none") {
        trigger.levelChannel = settings.trigger == "ch2" ? 2 : 1;
        Check(GetTriggerLevel(static_cast<std::uint8_t>(trigger.levelChannel), &trigger.level),
              "GetTriggerLevel");
    }
    return trigger;
}

// One armed, triggered and read-out record, with what went unusually said on standard error.
Record TakeRecord(const CaptureOptions& options, const Obtained& obtained,
                  const TriggerInfo& trigger, const std::string& who) {
    Check(ADC_Start(), "ADC_Start");
    const double recordSeconds = obtained.rate > 0 ? obtained.post / obtained.rate : 0;
    const bool single = !options.count;
    const Wait wait =
        WaitForRecord(options.settings.timeout, recordSeconds, single && StderrIsTerminal());
    Record record = Fetch(obtained, trigger);
    if (wait.forced) std::cerr << who << "no trigger within the time-out; trigger forced\n";
    const double preSpan = obtained.rate > 0 ? obtained.pre / obtained.rate : 0;
    if (!wait.forced && wait.triggerSeenAfter < preSpan) {
        std::cerr << who << "the trigger came within " << FormatSi(wait.triggerSeenAfter, "s", 3)
                  << " of the start, sooner than the " << FormatSi(preSpan, "s", 3)
                  << " before the trigger point: the earliest samples may hold older memory "
                     "contents\n";
    }
    for (const Trace& t : record.traces) {
        if (t.range != obtained.range[static_cast<std::size_t>(t.channel - 1)]) {
            std::cerr << who << "channel " << t.channel << " auto-ranged to "
                      << FormatSi(t.range, "V", 3) << '\n';
        }
    }
    return record;
}

void DrawProgress(std::int64_t done, std::int64_t total) {
    constexpr std::int64_t kBarWidth = 30;
    const std::int64_t filled = total > 0 ? done * kBarWidth / total : kBarWidth;
    std::cerr << "\rcapture: [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << done
              << '/' << total << " records" << std::flush;
}

std::string RecordFileName(std::int64_t number, std::int64_t count, const std::string& ext) {
    std::string digits = std::to_string(number);
    const std::size_t width = std::max<std::size_t>(4, std::to_string(count).size());
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return "record-" + digits + "." + ext;
}

void WritePlot(const CaptureOptions& options, const Record& record) {
    std::ofstream svg(options.svgPath);
    PlotOptions plot;
    plot.divisions = options.divisions;
    WriteSvg(svg, record, plot);
    if (!svg.flush()) throw ToolError("cannot write " + options.svgPath);
    std::cerr << "capture: wrote the plot to " << options.svgPath << '\n';
}

}  // namespace

int RunCapture(const CaptureOptions& options) {
    Session session;
    const Obtained obtained = ApplySettings(options.settings);
    std::cerr << "capture: " << Describe(obtained) << '\n';
    const TriggerInfo trigger = ReadTrigger(options.settings);
    const std::int64_t count = options.count.value_or(1);
    const bool numbered = options.count.has_value();
    const bool json = options.format == "json";
    const bool toDirectory = !options.outputDir.empty();
    const bool toStdout = !toDirectory && (options.csvPath.empty() || options.csvPath == "-");

    std::ofstream file;
    std::ostream* out = &std::cout;
    if (toDirectory) {
        std::error_code error;
        std::filesystem::create_directories(options.outputDir, error);
        if (error) throw ToolError("cannot create " + options.outputDir + ": " + error.message());
    } else if (!toStdout) {
        file.open(options.csvPath);
        if (!file) throw ToolError("cannot write " + options.csvPath);
        out = &file;
    }

    const bool progress = count > 1 && StderrIsTerminal();
    std::vector<Record> kept;  // for one JSON document
    Record last;
    std::int64_t taken = 0;
    for (std::int64_t number = 1; number <= count && !Interrupted(); ++number) {
        const std::string who =
            numbered ? "capture: record " + std::to_string(number) + ": " : "capture: ";
        Record record = TakeRecord(options, obtained, trigger, who);
        const long label = numbered ? static_cast<long>(number) : 0;
        if (toDirectory) {
            const std::string path = (std::filesystem::path(options.outputDir) /
                                      RecordFileName(number, count, json ? "json" : "csv"))
                                         .string();
            std::ofstream one(path);
            if (json) {
                WriteJson(one, obtained, options.settings, {record}, static_cast<long>(number));
            } else {
                WriteCsv(one, record, label);
            }
            if (!one.flush()) throw ToolError("cannot write " + path);
        } else if (json) {
            kept.push_back(record);
        } else {
            if (number == 1) WriteCsvHeader(*out, record, numbered);
            WriteCsvRows(*out, record, label);
        }
        ++taken;
        if (progress) DrawProgress(number, count);
        last = std::move(record);
    }
    if (progress) std::cerr << "\r\033[K" << std::flush;
    if (json && !toDirectory) WriteJson(*out, obtained, options.settings, kept);
    if (!out->flush()) throw ToolError("cannot write " + options.csvPath);
    if (taken == 0) throw ToolError("interrupted before the first record", 130);

    const std::string what =
        numbered ? std::to_string(taken) + " records" : std::to_string(last.size()) + " samples";
    if (toDirectory) {
        std::cerr << "capture: wrote " << what << " to " << options.outputDir << '\n';
    } else if (!toStdout) {
        std::cerr << "capture: wrote " << what << " to " << options.csvPath << '\n';
    }
    if (taken < count) std::cerr << "capture: interrupted after " << what << '\n';
    if (!options.svgPath.empty()) WritePlot(options, last);
    if (!options.spectrum.path.empty()) WriteSpectrumFile(options.spectrum, last);
    if (options.preview && StdoutIsTerminal()) {
        std::cout << Preview(last, TerminalWidth());
    }
    return Interrupted() ? 130 : 0;
}

}  // namespace zarvo::cli
