// SPDX-License-Identifier: MIT
// Fuzzing the live view's request handling: any method, target, header values and body go
// through the same entry point the HTTP server uses (RequestHandler::Handle), over a station
// that applies settings on this thread and takes a record when asked.
//
// Input layout: one byte per request choosing its method, target, Host, Origin and content
// type from the values a browser or an attacker would send (or taking them from the input as
// text), then the body as length-prefixed text; requests follow one another, with records
// taken between them.
//
// What is checked, besides what the sanitizers catch:
//   - every answer has a status the view defines, and a JSON answer parses;
//   - a refused request changes no setting;
//   - the settings the view reports are those the library reads back through its exports.
// Before every input the settings go back to those after the start, so that an input gives
// the same answers alone as after others.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "tools/servers/view/handler.h"
#include "tools/station/station.h"
#include "zarvo.h"

using namespace zarvo::fuzz;
using nlohmann::json;

namespace {

const char* const kServed = "127.0.0.1:8080";

struct View {
    zarvo::station::Station station{zarvo::station::Station::Mode::Synchronous};
    zarvo::view::RequestHandler handler{station, kServed};
    json initial;
};

View& TheView() {
    static View* view = [] {
        auto* v = new View;
        v->station.Open();
        v->initial = v->station.State()["settings"];
        return v;
    }();
    return *view;
}

std::string Pick(Input& in, const std::initializer_list<const char*>& choices, std::size_t n) {
    const std::uint8_t pick = in.Byte();
    if (pick < choices.size()) return *(choices.begin() + pick);
    return in.Text(n);
}

zarvo::view::Request MakeRequest(Input& in) {
    zarvo::view::Request r;
    r.method = Pick(in, {"GET", "POST", "HEAD", "PUT", "DELETE", "OPTIONS"}, 8);
    r.target = Pick(in,
                    {"/", "/view.js", "/view.css", "/api/state", "/api/table", "/api/settings",
                     "/api/record.csv", "/api/record.svg", "/api/record.csv?seq=1",
                     "/api/record.svg?seq=0", "/api/events", "/api/record.csv?seq=-1",
                     "/api/record.json?seq=1", "/api/spectrum?window=flattop",
                     "/api/spectrum?seq=1&window=box", "/api/settings.json", "/api/auto"},
                    48);
    const std::uint8_t present = in.Byte();
    if (present & 1) {
        r.headers["Host"] =
            Pick(in, {kServed, "localhost:8080", "127.0.0.1", "evil.example:8080", ""}, 40);
    }
    if (present & 2) {
        r.headers["Content-Type"] = Pick(in,
                                         {"application/json", "application/json; charset=utf-8",
                                          "text/plain", "APPLICATION/JSON", ""},
                                         40);
    }
    if (present & 4) {
        r.headers["Origin"] =
            Pick(in, {"http://127.0.0.1:8080", "http://evil.example", "null", ""}, 40);
    }
    if (present & 8) r.headers[in.Text(16)] = in.Text(32);
    const std::size_t length = in.U16() % 6000;  // past the largest body the view takes
    r.body = in.Text(length);
    return r;
}

bool DefinedStatus(int status) {
    switch (status) {
        case 200:
        case 202:
        case 400:
        case 403:
        case 404:
        case 405:
        case 413:
        case 415:
        case 503:
            return true;
        default:
            return false;
    }
}

// The settings the view reports against what the library itself reads back.
void CheckAgainstLibrary(const json& settings) {
    if (settings.contains("length") && settings["length"].is_number() &&
        settings["length"].get<double>() != GetRecordLength()) {
        Fail("the view reports a record length the library does not have", GetRecordLength());
    }
    if (settings.contains("ch1.range") && settings["ch1.range"].is_number()) {
        double volts = 0;
        if (GetSensitivity(1, &volts) == RC_OK && settings["ch1.range"].get<double>() != volts) {
            Fail("the view reports a range of channel 1 the library does not have", 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char pattern[] = "/tmp/zarvo-fuzz-XXXXXX";
    if (mkdtemp(pattern) != nullptr) setenv("TMPDIR", pattern, 1);
    setenv("ZARVO_SIM", "time=virtual", 1);
    TheView();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMaxRequests = 4;
    View& view = TheView();
    if (view.station.Apply(view.initial).outcome != zarvo::station::Outcome::Applied)
        Fail("the reset was refused", 0);
    Trace::Get().Begin(data, size);
    Input in(data, size);
    for (int n = 0; n < kMaxRequests && !in.Empty(); ++n) {
        const bool record = (in.Byte() & 1) != 0;
        if (record) view.station.Step();
        const zarvo::view::Request request = MakeRequest(in);
        // A restart hands the view over to a new process: nothing a fuzzer can follow.
        if (request.method == "POST" && request.target.rfind("/api/restart", 0) == 0) continue;
        const json before = view.station.State()["settings"];
        const zarvo::view::Response response = view.handler.Handle(request);
        Note("status", response.status);
        Trace::Get().NoteBytes("body", response.body.data(), response.body.size());
        if (!DefinedStatus(response.status))
            Fail("an answer with no defined status", response.status);
        if (response.contentType == "application/json" && !json::accept(response.body)) {
            Fail("a JSON answer that does not parse", response.status);
        }
        const json after = view.station.State()["settings"];
        if (response.status >= 400 && after != before)
            Fail("a refused request changed a setting", response.status);
        CheckAgainstLibrary(after);
    }
    Trace::Get().End();
    return 0;
}
