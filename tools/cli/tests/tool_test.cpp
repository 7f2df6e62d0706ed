// SPDX-License-Identifier: MIT
// The zarvo tool as a person runs it: the real binary against the simulated instrument.
#include "tools/cli/tests/tool_run.h"

namespace {

TEST_F(Tool, CaptureOfAKnownSineHasItsAmplitudeAndFrequency) {
    const std::string csv = Temp("sine.csv");
    const ToolRun run =
        Zarvo("--simulate=ch1=sine:1000:1 capture -n 2000 -r 1e6 --range1 2 -o " + csv);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("rate 1 MHz"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 V range"), std::string::npos) << run.err;
    const auto columns = ReadCsv(Slurp(csv), "time_s,ch1_V");
    ASSERT_EQ(columns.size(), 2u);
    ASSERT_EQ(columns[1].size(), 2000u);
    // By default the record opens at the trigger point; samples are 1 us apart.
    EXPECT_NEAR(columns[0].front(), 0.0, 1e-12);
    EXPECT_NEAR(columns[0][1000], 1e-3, 1e-9);
    const zarvo::analysis::Stats s = zarvo::analysis::Analyse(columns[1], 1e6);
    const double step = 2.0 / 128;  // one converter step on the 2 V range
    EXPECT_NEAR(s.max, 1.0, 2 * step);
    EXPECT_NEAR(s.min, -1.0, 2 * step);
    EXPECT_NEAR(s.rms, 1.0 / std::sqrt(2.0), 2 * step);
    EXPECT_NEAR(s.frequency, 1000.0, 5.0);
    // The rising trigger at 0 V puts the crossing at the trigger point.
    EXPECT_NEAR(columns[1][0], 0.0, 4 * step);
    EXPECT_GT(columns[1][20], columns[1][0]);
    std::remove(csv.c_str());
}

TEST_F(Tool, AProbeFactorGivesTheVoltsAtTheProbeTipOrIsRefusedNamingTheOption) {
    const std::string csv = Temp("probe.csv");
    const ToolRun run = Zarvo(
        "--simulate=ch1=sine:1000:1 capture -n 2000 -r 1e6 --probe1 10 "
        "--range1 20 --level 2 -o " +
        csv);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("20 V range (x10 probe)"), std::string::npos) << run.err;
    const auto columns = ReadCsv(Slurp(csv), "time_s,ch1_V_x10");
    ASSERT_EQ(columns.size(), 2u);
    const zarvo::analysis::Stats s = zarvo::analysis::Analyse(columns[1], 1e6);
    EXPECT_NEAR(s.max, 10.0, 2 * 20.0 / 128);
    // The trigger at 2 V is the input's 0.2 V: the record opens on that rising crossing.
    EXPECT_NEAR(columns[1][0], 2.0, 4 * 20.0 / 128);
    std::remove(csv.c_str());

    for (const char* bad : {"0", "-10", "ten", "20000"}) {
        const ToolRun refused =
            Zarvo(std::string("--simulate capture -o /dev/null --probe2 ") + bad);
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_NE(refused.err.find("--probe2"), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("a probe factor is a number from 0.001 to 10000"),
                  std::string::npos)
            << refused.err;
    }
}

TEST_F(Tool, AReferenceThatCannotBeReadStopsTheViewNamingTheFile) {
    const std::string bad = Temp("not-a-record.csv");
    std::ofstream(bad) << "hello\n";
    for (const std::string& file : {bad, Temp("missing.csv")}) {
        const ToolRun run = Zarvo("--simulate view --port 0 --reference " + file);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find("cannot use the reference " + file + ": "), std::string::npos)
            << run.err;
    }
    std::remove(bad.c_str());
}

TEST_F(Tool, TimingFiguresOfTheSimulatedSineAndSquareWave) {
    const ToolRun run = Zarvo(
        "--simulate=ch1=sine:1000:1,ch2=square:2000:0.5 capture -c both -n 5000 -r 1e6 "
        "--range1 2 --range2 2");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto columns = ReadCsv(run.out, "time_s,ch1_V,ch2_V");
    ASSERT_EQ(columns.size(), 3u);
    const zarvo::analysis::Stats sine = zarvo::analysis::Analyse(columns[1], 1e6);
    const zarvo::analysis::Stats square = zarvo::analysis::Analyse(columns[2], 1e6);
    // A sine spends asin(0.8) / (pi f) going from 10 % to 90 % of its swing: 295.2 us at 1 kHz.
    EXPECT_NEAR(sine.riseTime, 295.2e-6, 0.03 * 295.2e-6);
    EXPECT_NEAR(sine.fallTime, 295.2e-6, 0.03 * 295.2e-6);
    EXPECT_NEAR(sine.dutyCycle, 50.0, 2.0);
    EXPECT_NEAR(square.period, 500e-6, 0.01 * 500e-6);
    EXPECT_NEAR(square.dutyCycle, 50.0, 2.0);
    // The simulated square wave switches between two samples.
    EXPECT_LT(square.riseTime, 1.5e-6);

    // The same figures come with the records of --format json.
    const ToolRun json = Zarvo(
        "--simulate=ch1=sine:1000:1,ch2=square:2000:0.5 capture -c both -n 5000 -r 1e6 "
        "--range1 2 --range2 2 --format json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const std::string figures = json.out.substr(json.out.find("\"figures\""));
    for (const char* name : {"\"period_s\":0.0005", "\"duty_pct\":50", "\"rise_s\":0.0002"}) {
        EXPECT_NE(figures.find(name), std::string::npos) << name << " in " << figures;
    }
}

TEST_F(Tool, SpectrumOfAKnownSinePeaksAtItsFrequencyAndRmsLevel) {
    const std::string path = Temp("spectrum.csv");
    const ToolRun run = Zarvo(
        "--simulate=ch1=sine:1000:1 capture -c both -n 32760 -r 1e6 --range1 2 -o /dev/null "
        "--window flattop --spectrum " +
        path);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto columns = ReadCsv(Slurp(path), "frequency_Hz,ch1_dBV,ch2_dBV");
    ASSERT_EQ(columns.size(), 3u);
    ASSERT_GT(columns[0].size(), 16000u);
    const double binHz = columns[0][1];
    EXPECT_NEAR(columns[0].back(), 500e3, binHz) << "up to half the sample rate";
    const auto peak = std::max_element(columns[1].begin(), columns[1].end());
    const double peakHz = columns[0][static_cast<std::size_t>(peak - columns[1].begin())];
    EXPECT_NEAR(peakHz, 1000.0, binHz);
    // 1 V amplitude: 0.707 V RMS.
    EXPECT_NEAR(*peak, -3.01, 0.1);
    std::remove(path.c_str());

    const ToolRun badWindow = Zarvo("--simulate capture --spectrum " + path + " --window box");
    EXPECT_NE(badWindow.exitCode, 0);
    EXPECT_NE(badWindow.err.find("--window"), std::string::npos) << badWindow.err;
}

TEST_F(Tool, SettingsFileGivesWhatTheCommandLineDoesNot) {
    const std::string file = Temp("settings.json");
    std::ofstream(file) << R"({"ch1.range": 0.8, "rate": 500000, "length": 1500, "pre": 100,
        "trigger.level": 0.1, "acquire": "stop"})";
    const ToolRun capture = Zarvo("--simulate capture -o /dev/null --range1 4 --settings " + file);
    ASSERT_EQ(capture.exitCode, 0) << capture.err;
    EXPECT_NE(capture.err.find("rate 500 kHz, 1500 samples (100 before"), std::string::npos)
        << capture.err;
    EXPECT_NE(capture.err.find("channel 1: 4 V range"), std::string::npos)
        << "the command line wins: " << capture.err;
    const ToolRun monitor = Zarvo("--simulate monitor --count 1 --settings " + file);
    ASSERT_EQ(monitor.exitCode, 0) << monitor.err;
    EXPECT_NE(monitor.err.find("channel 1: 800 mV range"), std::string::npos) << monitor.err;

    // A time per division as the view's knob sets it: a rate the clock makes and a record that
    // fill ten divisions of 500 µs, 250 kHz x 1250 samples where 1500 would need 300 kHz.
    std::ofstream(file) << R"({"length": 1500, "timePerDiv": 0.0005})";
    const ToolRun knob = Zarvo("--simulate capture -o /dev/null --settings " + file);
    ASSERT_EQ(knob.exitCode, 0) << knob.err;
    EXPECT_NE(knob.err.find("rate 250 kHz, 1250 samples"), std::string::npos) << knob.err;

    const struct {
        const char* text;  // nullptr: no file at all
        const char* says;
    } bad[] = {
        {nullptr, "cannot be read"},
        {R"({"rate": 5)", "not valid JSON"},
        {R"({"rate": 5000, "ch1.rnage": 2})", "\"ch1.rnage\""},
        {R"({"rate": "fast"})", "rate must be a number"},
        {R"(["rate", 5])", "one JSON object"},
    };
    const std::string missing = Temp("missing.json");
    for (const auto& b : bad) {
        const std::string path = b.text != nullptr ? file : missing;
        if (b.text != nullptr) std::ofstream(file) << b.text;
        for (const char* command : {"capture", "monitor --count 1", "view --port 0"}) {
            const ToolRun run = Zarvo(std::string("--simulate ") + command + " --settings " + path);
            EXPECT_EQ(run.exitCode, 2) << command << " with " << (b.text ? b.text : "none");
            EXPECT_NE(run.err.find("the settings file " + path + ": "), std::string::npos)
                << run.err;
            EXPECT_NE(run.err.find(b.says), std::string::npos) << run.err;
            // Nothing was set up: the line saying what the instrument took never came.
            EXPECT_EQ(run.err.find(" range"), std::string::npos) << run.err;
        }
    }
    // Channel 1 off and channel 2 on measures channel 2 alone.
    std::ofstream(file) << R"({"ch1.on": false, "ch2.on": true})";
    const ToolRun second = Zarvo("--simulate capture -o /dev/null --settings " + file);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("channel 2: "), std::string::npos) << second.err;
    EXPECT_EQ(second.err.find("channel 1: "), std::string::npos) << second.err;
    // Both channels turned off in the file leaves nothing to measure.
    std::ofstream(file) << R"({"ch2.on": false, "ch1.on": false})";
    const ToolRun none = Zarvo("--simulate capture -o /dev/null --settings " + file);
    EXPECT_EQ(none.exitCode, 2) << none.err;
    EXPECT_NE(none.err.find("ch1.on and ch2.on leave no channel on"), std::string::npos)
        << none.err;
    std::remove(file.c_str());
}

TEST_F(Tool, PreTriggerSamplesMoveTheTimeAxis) {
    const ToolRun run = Zarvo("--simulate capture -n 400 -r 1e6 --pre 100");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("100 before, 300 after the trigger"), std::string::npos) << run.err;
    const auto columns = ReadCsv(run.out, "time_s,ch1_V");
    ASSERT_EQ(columns.size(), 2u);
    ASSERT_EQ(columns[0].size(), 400u);
    EXPECT_NEAR(columns[0].front(), -1e-4, 1e-12);
    EXPECT_NEAR(columns[0][100], 0.0, 1e-12);
}

TEST_F(Tool, CaptureWritesAWellFormedSvgPlot) {
    const std::string csv = Temp("plot.csv");
    const std::string svg = Temp("plot.svg");
    const ToolRun run = Zarvo("--simulate capture -c both -n 500 -o " + csv + " --svg " + svg);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string plot = Slurp(svg);
    EXPECT_NE(plot.find("<svg"), std::string::npos);
    EXPECT_NE(plot.find("channel 1"), std::string::npos);
    EXPECT_NE(plot.find("channel 2"), std::string::npos);
    EXPECT_NE(plot.find("trigger"), std::string::npos);
    EXPECT_NE(plot.find("voltage (V)"), std::string::npos);
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xmllint is not installed";
    }
    EXPECT_EQ(std::system(("xmllint --noout " + svg).c_str()), 0);
    std::remove(csv.c_str());
    std::remove(svg.c_str());
}

TEST_F(Tool, SameSimulatedInputGivesTheSameOutput) {
    const ToolRun first = Zarvo("--simulate capture -n 300 -r 1e6");
    const ToolRun second = Zarvo("--simulate capture -n 300 -r 1e6");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
}

TEST_F(Tool, InfoDescribesEachSimulatedModel) {
    const struct {
        const char* keys;
        const char* recordLength;
        const char* mode4;
    } models[] = {
        {"model=3,serial=4711", "maximum record length: 32760", "without trigger mode 4"},
        {"model=2", "maximum record length: 16384", "without trigger mode 4"},
        {"model=4", "maximum record length: 32760", "with trigger mode 4"},
        {"model=1,serial=6426", "maximum record length: 16384", "without trigger mode 4"},
        {"model=1,serial=6427", "maximum record length: 32760", "without trigger mode 4"},
    };
    for (const auto& m : models) {
        const ToolRun run = Zarvo(std::string("--simulate=") + m.keys + " info");
        ASSERT_EQ(run.exitCode, 0) << m.keys << ": " << run.err;
        EXPECT_NE(run.out.find(m.recordLength), std::string::npos) << m.keys << "\n" << run.out;
        EXPECT_NE(run.out.find(m.mode4), std::string::npos) << m.keys << "\n" << run.out;
    }
    const ToolRun run = Zarvo("--simulate=serial=4711,date=2004-03-15 info");
    EXPECT_NE(run.out.find("serial number: 4711"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("calibration date: 2004-03-15"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("input ranges: 80 V 40 V 20 V 8 V 4 V 2 V 0.8 V 0.4 V 0.2 V"),
              std::string::npos)
        << run.out;
}

TEST_F(Tool, ErrorsExitNonZeroWithAReason) {
    const ToolRun none = Zarvo("--simulate=lpt=0 info");
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no instrument found on the parallel ports LPT1, LPT2 and LPT3"),
              std::string::npos)
        << none.err;

    // A second session holds the simulated port: the message names it.
    const std::string started = Temp("holder.started");
    const std::string holder = "env -u ZARVO_SIM TMPDIR=" + ClaimDirectory() + " " +
                               std::string(ZARVO_TOOL) + " --simulate monitor -n 100 >" + started +
                               " 2>&1 & echo $!";
    FILE* spawn = popen(holder.c_str(), "r");
    ASSERT_NE(spawn, nullptr);
    long pid = 0;
    ASSERT_EQ(std::fscanf(spawn, "%ld", &pid), 1);
    pclose(spawn);
    for (int i = 0; i < 500 && Slurp(started).find("record 1") == std::string::npos; ++i) {
        usleep(10000);
    }
    const ToolRun busy = Zarvo("--simulate info");
    kill(static_cast<pid_t>(pid), SIGTERM);
    EXPECT_EQ(busy.exitCode, 2);
    EXPECT_NE(busy.err.find("LPT1 is in use by process " + std::to_string(pid) + " (zarvo)"),
              std::string::npos)
        << busy.err;
    std::remove(started.c_str());

    const ToolRun badKey = Zarvo("--simulate=colour=red info");
    EXPECT_NE(badKey.exitCode, 0);
    EXPECT_NE(badKey.err.find("colour"), std::string::npos) << badKey.err;

    const ToolRun badLevel = Zarvo("--simulate capture --range1 2 --level 5");
    EXPECT_NE(badLevel.exitCode, 0);
    EXPECT_NE(badLevel.err.find("SetTriggerLevel failed"), std::string::npos) << badLevel.err;
    EXPECT_NE(badLevel.err.find("RC_BAD_VALUE"), std::string::npos) << badLevel.err;

    const ToolRun outOfRange = Zarvo("--simulate capture --rate 0");
    EXPECT_NE(outOfRange.exitCode, 0);
    EXPECT_NE(outOfRange.err.find("--rate"), std::string::npos) << outOfRange.err;

    const ToolRun both = Zarvo("--simulate capture --pre 10 --post 10");
    EXPECT_NE(both.exitCode, 0);

    const ToolRun badFrequency = Zarvo("--simulate generator fast");
    EXPECT_NE(badFrequency.exitCode, 0);
    EXPECT_NE(badFrequency.err.find("'fast'"), std::string::npos) << badFrequency.err;

    EXPECT_NE(Zarvo("").exitCode, 0);  // a command is required
    EXPECT_EQ(Zarvo("capture --help").exitCode, 0);
}

TEST_F(Tool, GeneratorReportsTheFrequencyAchieved) {
    const struct {
        const char* request;
        const char* achieved;
    } cases[] = {{"1000", "1000 Hz"}, {"250000", "100000 Hz"}, {"30", "100 Hz"}, {"off", "off"}};
    for (const auto& c : cases) {
        const ToolRun run = Zarvo(std::string("--simulate generator ") + c.request);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find(c.achieved), std::string::npos) << c.request << ": " << run.out;
    }
}

TEST_F(Tool, MonitorPrintsAndLogsOneRowPerRecord) {
    const std::string log = Temp("monitor.csv");
    std::remove(log.c_str());
    const ToolRun run =
        Zarvo("--simulate monitor --count 3 -n 2000 -r 1e6 --range1 2 --log " + log);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("record 3"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("record 4"), std::string::npos) << run.out;
    std::istringstream rows(Slurp(log));
    std::string line;
    std::getline(rows, line);
    EXPECT_EQ(line.rfind("time,ch1_min_V,ch1_max_V", 0), 0u) << line;
    int count = 0;
    while (std::getline(rows, line)) {
        ++count;
        std::istringstream fields(line);
        std::vector<std::string> cells;
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
        ASSERT_EQ(cells.size(), 11u) << line;
        EXPECT_NEAR(std::stod(cells[4]), 2.0, 0.1) << "peak-to-peak of a 1 V sine";
        EXPECT_NEAR(std::stod(cells[6]), 1000.0, 10.0) << "frequency";
        EXPECT_NEAR(std::stod(cells[7]), 1e-3, 1e-5) << "period";
        EXPECT_NEAR(std::stod(cells[9]), 295.2e-6, 0.03 * 295.2e-6) << "rise time";
    }
    EXPECT_EQ(count, 3);
    std::remove(log.c_str());

    // Exactly one period of the sine: too little to tell its frequency, which is then never
    // written as a measured zero.
    const ToolRun once = Zarvo("--simulate monitor --count 1 -n 1000 -r 1e6 --log " + log);
    ASSERT_EQ(once.exitCode, 0) << once.err;
    EXPECT_NE(once.out.find(" freq - period -"), std::string::npos) << once.out;
    EXPECT_EQ(once.out.find("0 Hz"), std::string::npos) << once.out;
    const std::string row = Slurp(log).substr(Slurp(log).find('\n') + 1);
    EXPECT_NE(row.find(",,"), std::string::npos) << "empty frequency and period fields: " << row;
    std::remove(log.c_str());
}

TEST_F(Tool, CountTakesNumberedConsecutiveRecords) {
    const ToolRun run = Zarvo("--simulate capture --count 3 -n 200 -r 1e6 --pre 50");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto columns = ReadCsv(run.out, "record,time_s,ch1_V");
    ASSERT_EQ(columns.size(), 3u);
    ASSERT_EQ(columns[0].size(), 600u);
    for (std::size_t i = 0; i < 600; ++i) {
        EXPECT_EQ(columns[0][i], static_cast<double>(i / 200 + 1)) << "row " << i;
        EXPECT_NEAR(columns[1][i], (static_cast<double>(i % 200) - 50) * 1e-6, 1e-12) << i;
    }

    const std::string dir = Temp("records");
    std::filesystem::remove_all(dir);
    const ToolRun files =
        Zarvo("--simulate capture --count 3 -n 200 --format json --output-dir " + dir);
    ASSERT_EQ(files.exitCode, 0) << files.err;
    for (const char* name : {"record-0001.json", "record-0002.json", "record-0003.json"}) {
        const std::string json = Slurp(dir + "/" + name);
        EXPECT_NE(json.find("\"sample_rate_Hz\":1000000.0"), std::string::npos) << name;
        EXPECT_NE(json.find("\"record\":" + std::string(1, name[10])), std::string::npos) << json;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/record-0004.json"));
    std::filesystem::remove_all(dir);
}

}  // namespace
