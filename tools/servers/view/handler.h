// SPDX-License-Identifier: MIT
// The live view's HTTP requests, answered without sockets.
//
// RequestHandler::Handle takes one request as plain data (method, target with its query, the
// headers, the body) and returns the status, content type and body to send. The HTTP server
// only translates between the socket and these structs; the event stream (GET /api/events)
// is the one answer it builds itself, after CheckHost/Refuse have passed the request.
//
// The handler works on a Station (station.h). Built over a Station in Synchronous mode, every
// setting is applied on the caller's thread before Handle returns, with no thread and no
// socket anywhere: the way tests and the fuzzer drive it:
//
//     zarvo::station::Station station(zarvo::station::Station::Mode::Synchronous);
//     station.Open();  // the simulated instrument when ZARVO_SIM is set
//     zarvo::view::RequestHandler handler(station, "127.0.0.1:8080");
//     auto r = handler.Handle({"POST", "/api/settings",
//                              {{"Host", "127.0.0.1:8080"}, {"Content-Type", "application/json"}},
//                              R"({"ch1.range": 3})"});
//     // r.status 200, r.body {"settings": {"ch1.range": 4, ...}, ...}: what the instrument took
//
// Over a Station in Threaded mode the same calls queue the settings to the measurement thread
// and wait for it. Over one showing a saved record (zarvo view --open, Station::ShowRecord) the
// requests that read a record read that one, and those for the instrument are refused (400).
//
// Requests:
//   GET  /                       the page (also its scripts and /view.css, the files listed
//                                in page/files.cmake)
//   GET  /api/state              settings as read back, status line, available ranges, the
//                                number of records taken so far and those kept (status.kept)
//   GET  /api/table              the settings table: key, kind, range, choices, exports
//   POST /api/settings           JSON object {key: value, ...}; 200 with the state, or 400
//   POST /api/restart            JSON body ({}); opens the instrument again (202 once it had
//                                started: a fresh process takes over, see Station::Restart)
//   GET  /api/record.csv?seq=N   a recent record (the latest without seq) as CSV
//   GET  /api/record.svg?seq=N   the same as an SVG plot; likewise .sr, .wav and .npz (the
//                                record files of tools/files/record_files.h)
//   GET  /api/record.json?seq=N  a kept record as its record event (record_event.h)
//   GET  /api/spectrum?seq=N&window=hann|flattop|rect
//                                each channel's spectrum in dBV per bin, with its peak
//   POST /api/auto               JSON body ({}); auto set-up: 200 with the state and
//                                "auto": {"text"}, or 400 when it could not probe
//   GET  /api/settings.json      the settings as a file for --settings (a download)
//   GET  /api/references, POST /api/reference?name=FILE
//                                reference traces from saved records (reference.h; the
//                                server routes them there, past the body limit below)
//   POST /api/statistics/reset   JSON body ({}); the figures' statistics start again
//   GET  /api/trend?trace=ch1&figure=freq
//                                one figure over the records since the reset, for the plot
//   GET  /api/trend.csv          the same records' figures as `zarvo monitor --log` writes them
// The requests of the bench instrument's readings (record.json, spectrum, auto, settings.json)
// are answered in measure_api.cpp.
// Refused: a Host header other than the served address (403), a state-changing request that
// is not application/json (415), a body over kMaxBody bytes (413), any bad value (400 with a
// sentence and, where the library refused it, the status name); nothing is changed then.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "tools/analysis/spectrum.h"
#include "tools/station/station.h"

namespace zarvo::view {

using station::Station;

// Header names compare without regard to case, as HTTP has them.
struct Caseless {
    bool operator()(const std::string& a, const std::string& b) const;
};
using Headers = std::map<std::string, std::string, Caseless>;

struct Request {
    std::string method;
    std::string target;  // path and query, e.g. "/api/record.csv?seq=12"
    Headers headers;
    std::string body;
};

struct Response {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    Headers headers;  // extra headers (Content-Disposition of downloads)
};

// Bodies larger than this are refused: every request is a few settings at most.
constexpr std::size_t kMaxBody = 4096;

class RequestHandler {
public:
    // servedHost: "ADDRESS:PORT" as the server listens. 127.0.0.1 and localhost are accepted
    // for a loopback address; a wildcard address (0.0.0.0) accepts any numeric IPv4 host
    // with the port, never a name that could be rebound to it.
    RequestHandler(Station& station, std::string servedHost);

    Response Handle(const Request& request);

    // The refusal every request meets first (Host, Origin, body size, content type), or none.
    std::optional<Response> Refuse(const Request& request) const;

private:
    // A JSON answer, and a refusal: {"error": sentence} with the library's status name when
    // it refused the request itself.
    static Response Json(int status, const nlohmann::json& body);
    static Response Error(int status, const std::string& sentence,
                          const std::string& statusName = {});
    // What the station made of a request, as HTTP says it: 200 applied, 202 accepted for the
    // fresh process that takes over, 400 refused, 503 when the station is closing.
    static Response Answer(const station::ApplyResult& result);

    bool HostAllowed(const std::string& host) const;
    Response Download(const std::string& query, const std::string& extension);
    // The frames of a kept record as CSV, decoded with the setting in force (frames_api.cpp).
    Response FramesDownload(const std::string& query);
    // measure_api.cpp
    Response RecordJson(const std::string& query);
    Response SpectrumOf(const std::string& query);
    Response AutoSetup(const nlohmann::json& body);
    Response SettingsDownload();
    // statistics_api.cpp
    Response ResetStatistics();
    Response TrendOf(const std::string& query);
    Response TrendCsv();

    Station& station_;
    std::string address_;
    std::string port_;
    // One FFT plan for every request, kept from one to the next; requests come on the server's
    // threads, one spectrum at a time.
    std::mutex spectrumMutex_;
    analysis::SpectrumAnalyser analyser_;
    analysis::Spectrum spectrum_;
};

}  // namespace zarvo::view
