#include <chrono>
#include <fstream>
#include <iostream>

#include "tools/commands.h"
#include "tools/record.h"
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
Wait WaitForRecord(double timeout, double recordSeconds) {
    const bool progress = StderrIsTerminal();
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

Record Fetch(const Obtained& obtained) {
    const auto n = static_cast<std::size_t>(obtained.length);
    std::vector<double> ch1(n);
    std::vector<double> ch2(n);
    Check(ADC_GetDataVolt(ch1.data(), ch2.data()), "ADC_GetDataVolt");
    Record record;
    record.sampleRate = obtained.rate;
    record.preSamples = obtained.pre;
    for (int ch : obtained.channels) {
        double range = 0;
        Check(GetSensitivity(static_cast<std::uint8_t>(ch), &range), "GetSensitivity");
        record.traces.push_back(Trace{ch, range, ch == 1 ? ch1 : ch2});
    }
    return record;
}

}  // namespace

int RunCapture(const CaptureOptions& options) {
    Session session;
    const Obtained obtained = ApplySettings(options.settings);
    std::cerr << "capture: " << Describe(obtained) << '\n';

    Check(ADC_Start(), "ADC_Start");
    const double recordSeconds = obtained.rate > 0 ? obtained.post / obtained.rate : 0;
    const Wait wait = WaitForRecord(options.settings.timeout, recordSeconds);
    const Record record = Fetch(obtained);
    if (wait.forced) std::cerr << "capture: no trigger within the time-out; trigger forced\n";
    const double preSpan = obtained.rate > 0 ? obtained.pre / obtained.rate : 0;
    if (!wait.forced && wait.triggerSeenAfter < preSpan) {
        std::cerr << "capture: the trigger came within " << wait.triggerSeenAfter
                  << " s of the start, sooner than the " << preSpan
                  << " s before the trigger point: the earliest samples may hold older memory "
                     "contents\n";
    }
    for (const Trace& trace : record.traces) {
        if (trace.range != obtained.range[static_cast<std::size_t>(trace.channel - 1)]) {
            std::cerr << "capture: channel " << trace.channel << " auto-ranged to " << trace.range
                      << " V\n";
        }
    }

    const bool csvToStdout = options.csvPath.empty() || options.csvPath == "-";
    if (csvToStdout) {
        WriteCsv(std::cout, record);
    } else {
        std::ofstream csv(options.csvPath);
        WriteCsv(csv, record);
        if (!csv.flush()) throw ToolError("cannot write " + options.csvPath);
        std::cerr << "capture: wrote " << record.size() << " samples to " << options.csvPath
                  << '\n';
    }
    if (!options.svgPath.empty()) {
        std::ofstream svg(options.svgPath);
        WriteSvg(svg, record);
        if (!svg.flush()) throw ToolError("cannot write " + options.svgPath);
        std::cerr << "capture: wrote the plot to " << options.svgPath << '\n';
    }
    if (options.preview && StdoutIsTerminal()) std::cout << Preview(record);
    return 0;
}

}  // namespace zarvo::cli
