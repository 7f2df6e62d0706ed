// SPDX-License-Identifier: MIT
// zarvo: capture, monitor and configure a Zarvo oscilloscope from a terminal.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>

#include "tools/cli/settings_file_option.h"
#include "tools/cli/subcommands.h"
#include "tools/core/process.h"
#include "tools/core/status.h"
#include "tools/files/record_files.h"
#include "tools/servers/listen.h"
#include "tools/servers/scpi/serve.h"
#ifdef ZARVO_HAVE_VXI11
#include "tools/servers/vxi11/service.h"
#endif
#ifdef ZARVO_WITH_VIEW
#include "tools/servers/view/view.h"
#endif

namespace {

// What zarvo serve serves beside the raw socket: VXI-11, when it is built in.
zarvo::scpi::ServiceMaker ServeBeside() {
#ifdef ZARVO_HAVE_VXI11
    return zarvo::vxi11::MakeService;
#else
    return [](const zarvo::scpi::ServeContext& context,
              std::vector<std::string>&) -> std::unique_ptr<zarvo::scpi::Service> {
        if (context.options.vxi11) {
            std::cerr << "zarvo serve: VXI-11 off: not built in (build with libtirpc-dev "
                         "installed)\n";
        }
        return nullptr;
    };
#endif
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zarvo::cli;
    CLI::App app{"Capture and monitor waveforms with a Zarvo PC oscilloscope."};
    app.require_subcommand(1);
    app.fallthrough();
    std::string simulate;
    app.add_flag("--simulate{1}", simulate,
                 "use the simulated instrument; optional KEY=VALUE,... as ZARVO_SIM takes")
        ->expected(0, 1);

    app.add_subcommand("info", "show the instrument's identity, limits and ranges");

    CaptureOptions capture;
    CLI::App* captureCmd = app.add_subcommand("capture", "take one triggered record");
    AddMeasureOptions(*captureCmd, capture.settings);
    auto* output = captureCmd->add_option(
        "-o,--output", capture.csvPath,
        "file for the records, in the format of its extension (default: CSV on standard output)");
    captureCmd
        ->add_option("--count", capture.count,
                     "take N consecutive records, numbered in a 'record' column")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1000000}));
    captureCmd
        ->add_option("--output-dir", capture.outputDir,
                     "one file per record in this folder (record-0001.csv ...), in --format")
        ->excludes(output);
    captureCmd->add_option(
        "--format", capture.format,
        zarvo::files::FormatNames() + " (default: the extension of -o, else csv)");
    captureCmd->add_option("--svg", capture.svgPath, "also write an SVG plot of the last record");
    captureCmd->add_flag("--divisions", capture.divisions,
                         "plot a 10 x 8 graticule with volts and time per division");
    captureCmd->add_flag("!--no-preview", capture.preview, "no waveform preview on a terminal");
    AddSpectrumOptions(*captureCmd, capture.spectrum);
    captureCmd->add_option("--average", capture.average,
                           "write the mean of N records, sample by sample (2 .. 256)");
    AddDecodeOptions(*captureCmd, capture.decode, true);
    const zarvo::cli::SettingsFileOption captureFile(*captureCmd, capture.settings,
                                                     &capture.decode.spec);

    MonitorOptions monitor;
    CLI::App* monitorCmd =
        app.add_subcommand("monitor", "measure continuously, figures per record");
    AddMeasureOptions(*monitorCmd, monitor.settings);
    monitorCmd->add_option("--count", monitor.count, "stop after N records")
        ->check(CLI::PositiveNumber);
    monitorCmd->add_option("--log", monitor.logPath, "append one CSV row per record to FILE");
    monitorCmd->add_flag("--stats", monitor.stats,
                         "print count, mean, min, max and std of every figure at the end");
    AddDecodeOptions(*monitorCmd, monitor.decode, false);
    const zarvo::cli::SettingsFileOption monitorFile(*monitorCmd, monitor.settings,
                                                     &monitor.decode.spec);

    std::string frequency;
    CLI::App* generatorCmd =
        app.add_subcommand("generator", "set the square-wave output (FREQ in Hz, or off)");
    generatorCmd->add_option("FREQ", frequency, "frequency in Hz (100 .. 100000), or off")
        ->required();

#ifdef ZARVO_WITH_VIEW
    zarvo::view::ViewOptions view;
    CLI::App* viewCmd =
        app.add_subcommand("view", "show the instrument's screen live in a browser");
    zarvo::servers::AddListenOptions(*viewCmd, view.bind, view.port);
    auto* viewSettings =
        viewCmd->add_option("--settings", view.settingsPath,
                            "start with the settings in this JSON file (the page's Save settings)");
    viewCmd
        ->add_option("--open", view.openPath,
                     "show a saved record (csv, sr or npz) instead of measuring: no instrument "
                     "is opened")
        ->excludes(viewSettings);
    viewCmd->add_option("--reference", view.referencePaths,
                        "draw a saved record (csv, sr or npz) behind the live traces as R1, a "
                        "second as R2 (give it once per file)");
#endif

    zarvo::scpi::ServeOptions serve;
    CLI::App* serveCmd = zarvo::scpi::AddServeCommand(app, serve);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    // A write beyond the file size limit then fails with an error the tool reports (and
    // removes its temporary file after) instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        zarvo::core::SelectSimulation(simulate);
        zarvo::core::CatchInterrupts();
        captureFile.Merge();
        monitorFile.Merge();
        if (app.got_subcommand("info")) return RunInfo();
        if (app.got_subcommand(captureCmd)) return RunCapture(capture);
        if (app.got_subcommand(monitorCmd)) return RunMonitor(monitor);
        if (app.got_subcommand(serveCmd)) return zarvo::scpi::RunServe(serve, ServeBeside());
#ifdef ZARVO_WITH_VIEW
        if (app.got_subcommand(viewCmd)) return zarvo::view::RunView(view);
#endif
        return RunGenerator(frequency);
    } catch (const zarvo::core::ToolError& e) {
        std::cerr << "zarvo: error: " << e.what() << '\n';
        return e.exitCode();
    } catch (const std::exception& e) {
        std::cerr << "zarvo: error: " << e.what() << '\n';
        return 1;
    }
}
