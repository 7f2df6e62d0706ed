// SPDX-License-Identifier: MIT
// zarvo capture and monitor with --decode on the simulated buses: the frames printed, in the
// frames CSV and in the JSON document, the refusals of bad settings, and sigrok's own UART
// decoder on the logic channels of our .sr file.
#include <nlohmann/json.hpp>

#include "tools/cli/tests/tool_run.h"

namespace {

const char* const kHelloSim = "--simulate=ch1=uart:115200:48656C6C6F0D0A";
const std::vector<std::string> kHello = {"48", "65", "6C", "6C", "6F", "0D", "0A"};

// The hex values of the lines or fields holding "0x..", in order.
std::vector<std::string> HexValues(const std::string& text) {
    std::vector<std::string> values;
    for (std::size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2)) {
        values.push_back(text.substr(at + 2, 2));
    }
    return values;
}

class DecodeTool : public Tool {};

bool HasRun(const std::vector<std::string>& values, const std::vector<std::string>& run) {
    return std::search(values.begin(), values.end(), run.begin(), run.end()) != values.end();
}

TEST_F(DecodeTool, CaptureDecodesUartToTextCsvAndJson) {
    const std::string frames = Temp("frames.csv");
    const ToolRun text =
        Zarvo(std::string(kHelloSim) + " capture -r 2.5e6 -n 6000 --decode uart:baud=115200 " +
              "--decode-out " + frames);
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_TRUE(HasRun(HexValues(text.out), kHello)) << text.out;
    EXPECT_NE(text.out.find("uart data 0x48 'H'"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("uart data 0x0D\n"), std::string::npos) << "no character for CR";
    const std::string csv = Slurp(frames);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "time_s,bus,kind,value,error");
    EXPECT_TRUE(HasRun(HexValues(csv), kHello)) << csv;
    EXPECT_NE(csv.find(",uart,data,0x48,\n"), std::string::npos) << csv;

    // The same record as JSON: the frames in the record, each start on the line's bit clock.
    const ToolRun json =
        Zarvo(std::string(kHelloSim) + " capture -r 2.5e6 -n 6000 --decode uart --format json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto document = nlohmann::json::parse(json.out);
    const auto& list = document["records"][0]["frames"];
    ASSERT_GE(list.size(), kHello.size()) << json.out.substr(0, 200);
    std::size_t at = 0;
    while (at < list.size() && list[at]["value"] != 0x48) ++at;
    ASSERT_LE(at + kHello.size(), list.size());
    const double first = list[at]["time_s"];
    for (std::size_t k = 0; k < kHello.size(); ++k) {
        const auto& frame = list[at + k];
        EXPECT_EQ(frame["kind"], "data");
        EXPECT_EQ(frame["value"], std::stoi(kHello[k], nullptr, 16));
        EXPECT_TRUE(frame["error"].is_null());
        // Ten bits a byte, back to back: within two samples of 400 ns.
        const double expected = first + 10.0 * static_cast<double>(k) / 115200;
        EXPECT_LE(std::fabs(frame["time_s"].get<double>() - expected), 2 * 400e-9) << k;
    }
}

TEST_F(DecodeTool, MonitorPrintsEachRecordsI2cFrames) {
    const ToolRun run = Zarvo(
        "--simulate=bus=i2c:100000:50:A55A01 monitor -c both -r 2.5e6 -n 6000 --count 2 "
        "-t ch2 --slope falling --decode i2c");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("record 2"), std::string::npos);
    const std::string second = run.out.substr(run.out.find("record 2"));
    for (const std::string& text : {run.out.substr(0, run.out.find("record 2")), second}) {
        const std::size_t address = text.find("i2c address 0x50 write\n");
        ASSERT_NE(address, std::string::npos) << text;
        const std::string transfer = text.substr(address, text.find("stop", address) - address);
        EXPECT_TRUE(HasRun(HexValues(transfer), {"50", "A5", "5A", "01"})) << transfer;
        std::size_t acks = 0;
        for (std::size_t at = transfer.find("i2c ack"); at != std::string::npos;
             at = transfer.find("i2c ack", at + 1)) {
            ++acks;
        }
        EXPECT_EQ(acks, 4u) << transfer;
        EXPECT_EQ(transfer.find("nack"), std::string::npos);
    }
}

TEST_F(DecodeTool, TheViewsSavedDecodeSettingDecodesInMonitor) {
    const std::string file = Temp("settings.json");
    std::ofstream(file) << R"({"rate": 2500000, "length": 6000, "ch2.on": false,
        "decode.bus": "uart", "decode.baud": 115200})";
    const ToolRun run = Zarvo(std::string(kHelloSim) + " monitor --count 1 --settings " + file);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(HasRun(HexValues(run.out), kHello)) << run.out;
    // A --decode given on the command line wins over the file's.
    const ToolRun given = Zarvo(std::string(kHelloSim) + " monitor --count 1 --settings " + file +
                                " --decode spi:clk=1:data=2");
    EXPECT_EQ(given.exitCode, 2);
    EXPECT_NE(given.err.find("reads channel 2, which is off"), std::string::npos) << given.err;
}

TEST_F(DecodeTool, BadDecodeSettingsStopBeforeTheInstrumentIsOpened) {
    // No simulated instrument: each refusal comes before the tool looks for one.
    const std::pair<std::string, std::string> cases[] = {
        {"capture --decode can", "unknown bus 'can'"},
        {"capture --decode uart:speed=9600", "unknown key 'speed' for uart"},
        {"monitor --decode uart:baud=6000000", "baud 6000000 for uart is outside 50 to 5,000,000"},
        {"capture --decode uart:baud=49", "outside 50 to 5,000,000"},
        {"capture --decode i2c", "reads channel 2, which is off"},
        {"monitor -c 2 --decode spi:clk=2:data=1", "reads channel 1, which is off"},
        {"capture --decode-out f.csv", "--decode-out needs --decode"},
        {"capture --logic -o x.csv", "--logic adds logic channels to a sigrok session"},
    };
    for (const auto& [args, sentence] : cases) {
        const ToolRun run = Zarvo(args);
        EXPECT_EQ(run.exitCode, 2) << args << ": " << run.err;
        EXPECT_NE(run.err.find(sentence), std::string::npos) << args << ": " << run.err;
    }
}

TEST_F(DecodeTool, SigrokDecodesTheLogicChannelsOfOurSessionToTheSameBytes) {
    const char* const sigrok = "/usr/bin/sigrok-cli";
    if (access(sigrok, X_OK) != 0) GTEST_SKIP() << "sigrok-cli is not installed";
    const std::string session = Temp("hello.sr");
    const ToolRun ours = Zarvo(std::string(kHelloSim) + " capture -r 2.5e6 -n 6000 -o " + session +
                               " --decode uart");
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    const std::string out = Temp("sigrok.txt");
    const std::string command = std::string(sigrok) + " -i " + session +
                                " -P uart:rx=D1:baudrate=115200 -A uart=rx-data >" + out + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << Slurp(out);
    std::vector<std::string> theirs;
    std::istringstream lines(Slurp(out));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("uart-1: ", 0) == 0) theirs.push_back(line.substr(8));
    }
    EXPECT_TRUE(HasRun(theirs, kHello)) << Slurp(out);
    // Every byte we read, sigrok reads too, in the same order.
    const std::vector<std::string> ourBytes = HexValues(ours.out);
    ASSERT_FALSE(ourBytes.empty());
    EXPECT_TRUE(HasRun(theirs, ourBytes)) << ours.out;
}

}  // namespace
