// SPDX-License-Identifier: MIT
// zarvo view as a browser meets it: the real tool serving the simulated instrument, driven
// through an HTTP client on the loopback.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "tools/files/record_files.h"
#include "tools/servers/view/handler.h"
#include "tools/servers/view/tests/instrument_like.h"

namespace {

using json = nlohmann::json;
using namespace std::chrono_literals;

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// One `zarvo view --port 0` process; its output goes to files so the address can be read.
class ViewProcess {
public:
    explicit ViewProcess(const std::string& simulate, const std::string& name,
                         const std::string& options = "") {
        out_ = ::testing::TempDir() + "view_" + name + ".out";
        err_ = ::testing::TempDir() + "view_" + name + ".err";
        std::remove(out_.c_str());  // a previous view's address is no answer
        const std::string command = "exec " + std::string(ZARVO_TOOL) + " --simulate" + simulate +
                                    " view --port 0 " + options + " >" + out_ + " 2>" + err_;
        pid_ = fork();
        if (pid_ == 0) {
            unsetenv("ZARVO_SIM");
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const std::regex address("http://127\\.0\\.0\\.1:([0-9]+)/");
        for (int i = 0; i < 200 && port_ == 0; ++i) {
            std::smatch m;
            const std::string text = Slurp(out_);
            if (std::regex_search(text, m, address)) port_ = std::stoi(m[1]);
            std::this_thread::sleep_for(50ms);
        }
    }
    ~ViewProcess() {
        if (pid_ > 0) Stop();
    }

    // SIGTERM; the exit status (-1 when it did not end within 5 s).
    int Stop() {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(50ms);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }

    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string err() const { return Slurp(err_); }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string out_;
    std::string err_;
};

class View : public ::testing::Test {
protected:
    void Start(const std::string& simulate = "", const std::string& options = "") {
        view_ = std::make_unique<ViewProcess>(simulate, "main", options);
        ASSERT_NE(view_->port(), 0) << "the view printed no address; stderr: " << view_->err();
        client_ = std::make_unique<httplib::Client>("127.0.0.1", view_->port());
        client_->set_read_timeout(10, 0);
    }

    json State() {
        auto r = client_->Get("/api/state");
        EXPECT_TRUE(r && r->status == 200);
        return r ? json::parse(r->body) : json();
    }

    // POSTs a body as JSON; the status and the parsed answer.
    std::pair<int, json> Set(const std::string& body) {
        auto r = client_->Post("/api/settings", body, "application/json");
        if (!r) return {0, json()};
        return {r->status, json::parse(r->body, nullptr, false)};
    }

    std::unique_ptr<ViewProcess> view_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(View, SettingsComeBackAsTheInstrumentTookThem) {
    Start();
    const auto [status, answer] = Set(R"({"ch1.range": 3, "ch2.range": 5, "rate": 999999,
        "trigger.source": "ch2", "trigger.slope": "falling", "trigger.level": 0.3,
        "ch1.coupling": "ac", "length": 1500, "pre": 100, "acquire": "stop"})");
    ASSERT_EQ(status, 200) << answer.dump();
    const json& s = answer["settings"];
    EXPECT_EQ(s["ch1.range"], 2.0) << "3 V lies halfway: the smaller range";
    EXPECT_EQ(s["ch2.range"], 4.0) << "the nearest range";
    EXPECT_EQ(s["rate"], 1e6) << "the nearest rate the clock divides to";
    EXPECT_EQ(s["trigger.source"], "ch2");
    EXPECT_EQ(s["trigger.slope"], "falling");
    EXPECT_EQ(s["trigger.level"], 10 * 4.0 / 128) << "channel 2's comparator, in 1/128 steps";
    EXPECT_EQ(s["ch1.coupling"], "ac");
    EXPECT_EQ(s["length"], 1500);
    EXPECT_EQ(s["timePerDiv"], 150e-6) << "typed by hand: the record's own span over ten";
    EXPECT_EQ(s["pre"], 100);
    EXPECT_EQ(s["acquire"], "stop");
    EXPECT_EQ(State()["settings"], s) << "the state served afterwards is the one answered";

    // Time per division turns into a rate the clock makes and a record that fills ten
    // divisions exactly: 300 kHz x 1500 is no rate of the clock, 250 kHz x 1250 is.
    const auto [status2, answer2] = Set(R"({"timePerDiv": 0.0005})");
    ASSERT_EQ(status2, 200);
    EXPECT_EQ(answer2["settings"]["rate"], 250e3);
    EXPECT_EQ(answer2["settings"]["length"], 1250);
    EXPECT_EQ(answer2["settings"]["timePerDiv"], 0.0005);
    EXPECT_EQ(answer2["settings"]["pre"], 100);
    // A shorter record keeps as many pre-trigger samples as fit.
    EXPECT_EQ(Set(R"({"length": 50})").second["settings"]["pre"], 50);
}

TEST_F(View, EveryBadValueIsRefusedInWordsAndChangesNothing) {
    Start();
    ASSERT_EQ(Set(R"({"acquire": "stop"})").first, 200);
    const json before = State()["settings"];
    struct Case {
        const char* body;
        const char* says;        // part of the sentence
        const char* statusName;  // the library's refusal, or "" for the view's own
    };
    const Case cases[] = {
        {R"({"ch1.rnage": 2})", "no setting called", ""},
        {R"({"ch1.range": "2"})", "must be a number", ""},
        {R"({"ch1.on": 1})", "true or false", ""},
        {R"({"trigger.slope": "up"})", "one of rising, falling", ""},
        {R"({"rate": 1e9})", "between", ""},
        {R"({"length": 10.5})", "whole number", ""},
        {R"({"ch1.range": NaN})", "not valid JSON", ""},
        {R"({"pre": 5000})", "exceed the record length", ""},
        {R"([1, 2])", "JSON object", ""},
        {R"({})", "at least one setting", ""},
        {R"({"ch1.dcLevel": 50})", "SetDcLevel", "RC_BAD_VALUE"},
        {R"({"trigger.level": 3})", "SetTriggerLevel", "RC_BAD_VALUE"},
        // The range is taken first, then the level is refused: the range is put back.
        {R"({"ch1.range": 8, "ch1.dcLevel": 50})", "SetDcLevel", "RC_BAD_VALUE"},
    };
    for (const Case& c : cases) {
        const auto [status, answer] = Set(c.body);
        EXPECT_EQ(status, 400) << c.body;
        EXPECT_NE(answer.value("error", "").find(c.says), std::string::npos)
            << c.body << " answered " << answer.dump();
        EXPECT_EQ(answer.value("status", ""), c.statusName) << c.body;
        EXPECT_EQ(State()["settings"], before) << c.body << " changed a setting";
    }
    EXPECT_EQ(State()["status"]["error"]["status"], "RC_BAD_VALUE")
        << "the status line keeps the last error";
}

TEST_F(View, RequestsFromOtherSitesOrNotInJsonAreRefused) {
    Start();
    const json before = State()["settings"];
    const std::string change = R"({"ch1.range": 8})";
    // A page elsewhere whose name was pointed at 127.0.0.1 sends its own name as Host.
    auto r =
        client_->Get("/api/state", {{"Host", "attacker.example:" + std::to_string(view_->port())}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 403);
    r = client_->Post("/api/settings", {{"Origin", "http://attacker.example"}}, change,
                      "application/json");
    EXPECT_EQ(r->status, 403);
    r = client_->Post("/api/settings", change, "text/plain");
    EXPECT_EQ(r->status, 415);
    r = client_->Post("/api/settings", "ch1.range=8", "application/x-www-form-urlencoded");
    EXPECT_EQ(r->status, 415);
    r = client_->Post("/api/settings",
                      R"({"ch1.range": 8, "pad": ")" + std::string(5000, 'x') + "\"}",
                      "application/json");
    EXPECT_EQ(r->status, 413);
    EXPECT_NE(r->body.find("at most 4096 bytes"), std::string::npos) << r->body;
    r = client_->Post("/api/settings", std::string(1 << 20, ' '), "application/json");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 413) << "a megabyte is refused before it is read";
    EXPECT_EQ(State()["settings"], before);
    r = client_->Get("/api/state", {{"Host", "localhost:" + std::to_string(view_->port())}});
    EXPECT_EQ(r->status, 200) << "localhost names the loopback too";
}

TEST_F(View, AnUnpluggedInstrumentIsReportedAndTheViewRecoversWhenStartedAgain) {
    Start("=unplug=1500");
    json status;
    for (int i = 0; i < 100; ++i) {
        status = State()["status"];
        if (status.value("lost", false)) break;
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(status.value("lost", false)) << status.dump();
    EXPECT_EQ(status["error"]["status"], "RC_NO_INSTRUMENT");
    EXPECT_NE(status["error"]["text"].get<std::string>().find("stopped answering"),
              std::string::npos);

    // The library starts once per process: the view hands over to a fresh one on the same
    // address, with the same settings.
    ASSERT_EQ(Set(R"({"ch1.range": 8})").first, 400) << "nothing to set while it is gone";
    auto r = client_->Post("/api/restart", "{}", "application/json");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 202) << r->body;
    json after;
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(50ms);
        auto g = client_->Get("/api/state");
        if (!g || g->status != 200) continue;  // the fresh process is not listening yet
        after = json::parse(g->body)["status"];
        if (after["found"] == true && after["lost"] == false && after["records"] > 0) break;
    }
    EXPECT_EQ(after["found"], true) << after.dump();
    EXPECT_EQ(after["lost"], false);
    EXPECT_GT(after["records"], 0) << "records come in again";
}

TEST_F(View, ASecondViewFindsTheInstrumentInUseAndSigtermReleasesIt) {
    Start();
    {
        ViewProcess second("", "second");
        ASSERT_NE(second.port(), 0);
        httplib::Client c("127.0.0.1", second.port());
        auto r = c.Get("/api/state");
        ASSERT_TRUE(r);
        EXPECT_FALSE(json::parse(r->body)["status"]["found"]);
        EXPECT_NE(second.err().find("LPT1 is in use by"), std::string::npos) << second.err();
    }
    EXPECT_EQ(view_->Stop(), 0);
    EXPECT_NE(view_->err().find("released"), std::string::npos);
    ViewProcess third("", "third");
    httplib::Client c("127.0.0.1", third.port());
    auto r = c.Get("/api/state");
    ASSERT_TRUE(r);
    EXPECT_TRUE(json::parse(r->body)["status"]["found"]) << "the port was given back";
}

TEST_F(View, SavedSettingsStartTheViewAgainAndDriveCapture) {
    Start();
    ASSERT_EQ(Set(R"({"ch1.range": 0.8, "ch2.on": false, "rate": 200000, "length": 1200,
        "trigger.level": 0.1, "acquire": "stop"})")
                  .first,
              200);
    auto r = client_->Get("/api/settings.json");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("Content-Disposition"),
              "attachment; filename=\"zarvo-settings.json\"");
    const json saved = json::parse(r->body);
    EXPECT_EQ(saved["ch1.range"], 0.8);
    EXPECT_FALSE(saved.contains("acquire")) << "whether it runs is no setting to carry";
    EXPECT_FALSE(saved.contains("timePerDiv")) << "the rate says it already";
    const std::string file = ::testing::TempDir() + "view_saved_settings.json";
    std::ofstream(file) << r->body;
    ASSERT_EQ(view_->Stop(), 0);

    Start("", "--settings " + file);
    json settings = State()["settings"];
    for (const auto& [key, value] : saved.items()) EXPECT_EQ(settings[key], value) << key;

    // Every key the view saves means something to capture; another claims directory, the view
    // holds the simulated port.
    const std::string claims = ::testing::TempDir() + "view_saved_claims";
    const std::string out = ::testing::TempDir() + "view_saved_capture.err";
    std::system(("mkdir -p " + claims).c_str());
    const int status =
        std::system(("env -u ZARVO_SIM TMPDIR=" + claims + " " + ZARVO_TOOL +
                     " --simulate capture -o /dev/null --settings " + file + " 2>" + out)
                        .c_str());
    EXPECT_EQ(status, 0) << Slurp(out);
    EXPECT_NE(Slurp(out).find("rate 200 kHz, 1200 samples"), std::string::npos) << Slurp(out);
    EXPECT_NE(Slurp(out).find("channel 1: 800 mV range"), std::string::npos) << Slurp(out);
    std::remove(file.c_str());
}

using zarvo::files::FileFormat;
using zarvo::view::InstrumentLike;

// A file zarvo view --open cannot show ends the tool before it serves anything: exit status 2
// and a message naming the file and what is wrong with it.
TEST_F(View, AFileThatIsNoRecordStopsAnOpenBeforeServing) {
    const std::string sr = zarvo::files::EncodeRecord(InstrumentLike(), FileFormat::Sigrok);
    const std::string npz = zarvo::files::EncodeRecord(InstrumentLike(), FileFormat::Numpy);
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } bad[] = {
        {"cut.sr", sr.substr(0, sr.size() / 2), "truncated"},
        {"cut.npz", npz.substr(0, npz.size() - 10), "truncated"},
        {"foreign.csv", "name,age\nAda,36\n", "not a record"},
        {"foreign.npz", "GIF89a\x01\x00\x01\x00", "not a zip archive"},
        {"loud.csv", "time_s,ch1_V\n0,0\n1e-06,250\n", "beyond the instrument's largest range"},
        {"picture.svg", "<svg/>", "csv, sr and npz files can"},
    };
    const std::string err = ::testing::TempDir() + "view_open.err";
    const std::string out = ::testing::TempDir() + "view_open.out";
    for (const auto& b : bad) {
        const std::string path = ::testing::TempDir() + "view_open_" + b.name;
        std::ofstream(path, std::ios::binary) << b.bytes;
        const int status = std::system(
            (std::string(ZARVO_TOOL) + " view --port 0 --open " + path + " >" + out + " 2>" + err)
                .c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << b.name << ": " << status;
        EXPECT_NE(Slurp(err).find(path + ": "), std::string::npos) << Slurp(err);
        EXPECT_NE(Slurp(err).find(b.says), std::string::npos) << b.name << ": " << Slurp(err);
        EXPECT_EQ(Slurp(out), "") << "nothing served";
        std::remove(path.c_str());
    }
    const int status = std::system((std::string(ZARVO_TOOL) + " view --open x.csv --settings " +
                                    "x.json >" + out + " 2>" + err)
                                       .c_str());
    EXPECT_NE(status, 0);
    EXPECT_NE(Slurp(err).find("--settings excludes --open"), std::string::npos) << Slurp(err);
}

}  // namespace
