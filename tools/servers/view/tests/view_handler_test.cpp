// SPDX-License-Identifier: MIT
// The view's request handler as the fuzzer meets it: no socket and no thread, the station in
// its synchronous mode answering on the caller's thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/files/record_files.h"
#include "tools/servers/view/handler.h"
#include "tools/servers/view/tests/instrument_like.h"

namespace {

using json = nlohmann::json;
using zarvo::files::FileFormat;
using zarvo::view::InstrumentLike;

// The handler as the fuzzer drives it: no socket, no thread, settings applied on this thread.
TEST(ViewHandler, AnswersWithoutSocketsOnTheCallersThread) {
    setenv("ZARVO_SIM", "1", 1);
    zarvo::station::Station station(zarvo::station::Station::Mode::Synchronous);
    ASSERT_TRUE(station.Open());
    zarvo::view::RequestHandler handler(station, "127.0.0.1:8080");
    const zarvo::view::Headers headers = {{"host", "127.0.0.1:8080"},
                                          {"content-type", "application/json"}};
    auto r =
        handler.Handle({"POST", "/api/settings", headers, R"({"ch1.range": 5, "length": 300})"});
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_EQ(json::parse(r.body)["settings"]["ch1.range"], 4.0);
    EXPECT_EQ(handler.Handle({"GET", "/api/record.csv", headers, ""}).status, 404)
        << "no record before the first step";
    station.Step();
    r = handler.Handle({"GET", "/api/record.csv?seq=1", headers, ""});
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.contentType, "text/csv");
    EXPECT_EQ(std::count(r.body.begin(), r.body.end(), '\n'), 301) << "header and 300 samples";
    r = handler.Handle({"GET", "/api/record.svg", headers, ""});
    EXPECT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<svg"), std::string::npos);
    EXPECT_EQ(handler.Handle({"GET", "/api/record.csv?seq=x", headers, ""}).status, 400);
    EXPECT_EQ(handler.Handle({"GET", "/", {{"Host", "127.0.0.1:8081"}}, ""}).status, 403)
        << "another port is another server";
    EXPECT_EQ(handler.Handle({"DELETE", "/api/settings", headers, ""}).status, 405);
}

struct SyncView {
    zarvo::station::Station station{zarvo::station::Station::Mode::Synchronous};
    zarvo::view::RequestHandler handler{station, "127.0.0.1:8080"};
    const zarvo::view::Headers headers = {{"host", "127.0.0.1:8080"},
                                          {"content-type", "application/json"}};

    explicit SyncView(const char* simulate) {
        setenv("ZARVO_SIM", simulate, 1);
        EXPECT_TRUE(station.Open());
    }
    zarvo::view::Response Get(const std::string& target) {
        return handler.Handle({"GET", target, headers, ""});
    }
    zarvo::view::Response Post(const std::string& target, const std::string& body) {
        return handler.Handle({"POST", target, headers, body});
    }
};

TEST(ViewHandler, KeptRecordsTheirSpectrumAndMathFigures) {
    SyncView view("ch1=sine:1000:1,ch2=sine:1000:1");
    ASSERT_EQ(view.Post("/api/settings", R"({"ch1.range": 2, "ch2.range": 2, "rate": 100000,
        "length": 5000})")
                  .status,
              200);
    view.station.Step();
    view.station.Step();
    auto r = view.Get("/api/record.json?seq=1");
    ASSERT_EQ(r.status, 200) << r.body;
    const json record = json::parse(r.body);
    EXPECT_EQ(record["seq"], 1);
    EXPECT_EQ(record["kept"], json::array({1, 2}));
    EXPECT_EQ(record["traces"][0]["codes"].size(), 5000u);
    // The same sine on both: nothing in the difference, twice the sine in the sum.
    EXPECT_EQ(record["math"]["diff"]["pp"], "0 V");
    EXPECT_EQ(record["math"]["diff"]["period"], "-");
    EXPECT_EQ(record["math"]["sum"]["period"], "1 ms");
    EXPECT_EQ(json::parse(view.Get("/api/state").body)["status"]["kept"], json::array({1, 2}));

    r = view.Get("/api/spectrum?seq=2&window=hann");
    ASSERT_EQ(r.status, 200) << r.body;
    const json spectrum = json::parse(r.body);
    EXPECT_EQ(spectrum["window"], "hann");
    ASSERT_EQ(spectrum["channels"].size(), 2u);
    const json& ch1 = spectrum["channels"][0];
    EXPECT_EQ(ch1["dBV"].size(), 2501u) << "bins 0 to half the rate";
    EXPECT_NEAR(ch1["peak"]["hz"].get<double>(), 1000, spectrum["binHz"].get<double>());
    EXPECT_EQ(ch1["peak"]["text"], "peak: 1 kHz, \u22123.0 dBV");

    const struct {
        const char* target;
        int status;
        const char* says;
    } bad[] = {
        {"/api/spectrum?window=blackman", 400, "hann, flattop or rect"},
        {"/api/spectrum?seq=3", 404, "record 3 is not kept; the records kept are 1 to 2"},
        {"/api/spectrum?seq=-1", 400, "record number"},
        {"/api/spectrum?windows=hann", 400, "seq and window"},
        {"/api/record.json?seq=99", 404, "not kept"},
    };
    for (const auto& b : bad) {
        r = view.Get(b.target);
        EXPECT_EQ(r.status, b.status) << b.target;
        EXPECT_NE(json::parse(r.body)["error"].get<std::string>().find(b.says), std::string::npos)
            << b.target << ": " << r.body;
    }
}

TEST(ViewHandler, AutoFindsRangeTimeBaseAndTriggerOfAnUnknownSine) {
    SyncView view("ch1=sine:1234:1.7");
    ASSERT_EQ(
        view.Post("/api/settings", R"({"ch1.range": 80, "rate": 50000, "acquire": "stop"})").status,
        200);
    const auto r = view.Post("/api/auto", "{}");
    ASSERT_EQ(r.status, 200) << r.body;
    const json answer = json::parse(r.body);
    const json& s = answer["settings"];
    EXPECT_EQ(s["ch1.range"], 2.0);
    const double periods = s["length"].get<double>() * 1234 / s["rate"].get<double>();
    EXPECT_GE(periods, 2.0);
    EXPECT_LE(periods, 6.0);
    EXPECT_EQ(s["trigger.source"], "ch1");
    EXPECT_EQ(s["trigger.slope"], "rising");
    EXPECT_GT(s["trigger.level"].get<double>(), -1.7);
    EXPECT_LT(s["trigger.level"].get<double>(), 1.7);
    EXPECT_EQ(s["acquire"], "run");
    const std::string text = answer["auto"]["text"];
    EXPECT_NE(text.find("channel 1 on the 2 V range"), std::string::npos) << text;
    EXPECT_NE(text.find("1.234 kHz on channel 1"), std::string::npos) << text;
    EXPECT_EQ(view.Post("/api/auto", R"({"ch1.range": 2})").status, 400);
}

// zarvo view --open as the handler serves it: the saved record, exact, in every request that
// reads a record; every request for the instrument refused in words.
TEST(ViewHandler, ASavedRecordIsShownExactlyAndTheInstrumentIsRefused) {
    const zarvo::core::Record saved = InstrumentLike();
    const struct {
        FileFormat format;
        double range2;  // a CSV keeps no range: the smallest that holds 0.3 V
    } files[] = {{FileFormat::Csv, 0.4}, {FileFormat::Sigrok, 4}, {FileFormat::Numpy, 4}};
    for (const auto& f : files) {
        const std::string name = "saved." + std::string(zarvo::files::InfoOf(f.format).name);
        const zarvo::core::Record read =
            zarvo::files::DecodeRecord(zarvo::files::EncodeRecord(saved, f.format), f.format, name);
        zarvo::station::Station station(zarvo::station::Station::Mode::Synchronous);
        station.ShowRecord(zarvo::station::TakenFromVolts(read, name), name);
        const zarvo::core::Record shown = station.Latest()->Volts();
        ASSERT_EQ(shown.traces.size(), 2u) << name;
        EXPECT_EQ(shown.traces[0].range, 8.0) << name << ": the ramp fills the 8 V range";
        EXPECT_EQ(shown.traces[1].range, f.range2) << name;
        for (std::size_t k = 0; k < 2; ++k) {
            EXPECT_EQ(shown.traces[k].volts, saved.traces[k].volts) << name << " channel " << k + 1;
        }
        EXPECT_EQ(shown.sampleRate, 1e6) << name;
        EXPECT_EQ(shown.preSamples, 100) << name;

        zarvo::view::RequestHandler handler(station, "127.0.0.1:8080");
        const zarvo::view::Headers headers = {{"host", "127.0.0.1:8080"},
                                              {"content-type", "application/json"}};
        const json state = json::parse(handler.Handle({"GET", "/api/state", headers, ""}).body);
        EXPECT_EQ(state["status"]["file"]["path"], name);
        EXPECT_FALSE(state["status"]["found"]);
        EXPECT_EQ(state["settings"]["acquire"], "stop");
        EXPECT_EQ(state["settings"]["rate"], 1e6);
        for (const char* target : {"/api/record.wav", "/api/record.json", "/api/spectrum"}) {
            EXPECT_EQ(handler.Handle({"GET", target, headers, ""}).status, 200) << target;
        }
        for (const auto& [target, body] :
             {std::pair{"/api/settings", R"({"acquire": "run"})"}, std::pair{"/api/auto", "{}"},
              std::pair{"/api/restart", "{}"}}) {
            const auto r = handler.Handle({"POST", target, headers, body});
            EXPECT_EQ(r.status, 400) << target;
            EXPECT_NE(r.body.find("showing " + name + ", a saved record: no instrument is in use"),
                      std::string::npos)
                << target << ": " << r.body;
        }
    }
}

}  // namespace
