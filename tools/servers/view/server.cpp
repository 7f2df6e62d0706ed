// SPDX-License-Identifier: MIT
// The HTTP side of the view: cpp-httplib turns sockets into Requests for the RequestHandler
// and carries records to the page as Server-Sent Events.
#include <httplib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "tools/core/process.h"
#include "tools/core/status.h"
#include "tools/files/record_files.h"
#include "tools/servers/listen.h"
#include "tools/servers/view/handler.h"
#include "tools/servers/view/record_event.h"
#include "tools/servers/view/reference.h"
#include "tools/servers/view/view.h"
#include "tools/station/settings_file.h"

namespace zarvo::view {

namespace {

Request FromHttplib(const httplib::Request& req) {
    Request r{req.method, req.target, {}, req.body};
    for (const auto& [name, value] : req.headers) r.headers[name] = value;
    return r;
}

void ToHttplib(const Response& out, httplib::Response& res) {
    res.status = out.status;
    for (const auto& [name, value] : out.headers) res.set_header(name, value);
    res.set_header("Cache-Control", "no-store");
    res.set_content(out.body, out.contentType.c_str());
}

// One event stream: the state whenever it changes, and the newest record whenever there is
// one. A page that reads slower than records come skips to the newest (the sequence numbers
// tell it); nothing queues up behind it.
struct EventStream {
    Station& station;
    const std::atomic<bool>& stopping;
    std::atomic<int>& open;  // streams open at the moment
    std::uint64_t stateSent = 0;
    std::uint64_t recordSent = 0;
    bool started = false;

    EventStream(Station& s, const std::atomic<bool>& stop, std::atomic<int>& count)
        : station(s), stopping(stop), open(count) {
        ++open;
    }
    ~EventStream() { --open; }
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    bool Next(httplib::DataSink& sink) {
        if (started) station.WaitForChange(stateSent + recordSent, 1000);
        if (stopping || station.Quitting()) {
            sink.done();
            return true;
        }
        std::string text;
        const std::uint64_t state = station.StateVersion();
        if (!started || state != stateSent) {
            stateSent = state;
            text += "event: state\ndata: " +
                    station.State().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                    "\n\n";
        }
        const std::uint64_t records = station.RecordVersion();
        if (records != recordSent) {
            recordSent = records;
            if (const auto [seq, event] = station.LatestDescription(); event != nullptr)
                text += "event: record\ndata: " + *event + "\n\n";
        }
        // A page that loses the stream (the view starting again) comes back within half a
        // second.
        if (!started) text = "retry: 500\n\n" + text;
        if (text.empty()) text = ": idle\n\n";  // keeps proxies and the browser from timing out
        started = true;
        return sink.write(text.data(), text.size());
    }
};

// Handing over to a fresh process (see Station::Restart): the same command line, the port it
// was serving, and the settings to apply, through the environment.
// Pages that may watch at once; the rest of the server's threads stay free for requests.
constexpr int kMaxStreams = 4;

constexpr const char* kPortVariable = "ZARVO_VIEW_PORT";
constexpr const char* kSettingsVariable = "ZARVO_VIEW_SETTINGS";

[[noreturn]] void ExecuteAgain(int port, const nlohmann::json& settings) {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\0', at);
        args.push_back(text.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv(kPortVariable, std::to_string(port).c_str(), 1);
    setenv(kSettingsVariable, settings.dump().c_str(), 1);
    std::cout.flush();
    close_range(3, ~0U, 0);
    execv("/proc/self/exe", argv.data());
    throw core::ToolError("cannot start the view again: " + std::string(std::strerror(errno)));
}

// Takes a variable a previous process left for this one.
std::string TakeVariable(const char* name) {
    const char* value = std::getenv(name);
    std::string text = value != nullptr ? value : "";
    unsetenv(name);
    return text;
}

// zarvo view --open: the saved record, read before anything is served.
void ShowSavedRecord(Station& station, const std::string& path) {
    try {
        station.ShowRecord(station::TakenFromVolts(files::ReadRecordFile(path), path), path);
    } catch (const files::FileError& e) {
        throw core::ToolError(std::string("cannot show the saved record ") + e.what(), 2);
    }
    std::cerr << "zarvo view: showing " << path << ", a saved record; no instrument is opened\n";
}

}  // namespace

int RunView(const ViewOptions& options) {
    zarvo::station::ReturnLargeBuffersToTheSystem();
    Station station(Station::Mode::Threaded);
    station.SetDescriber([](const zarvo::station::TakenRecord& record) {
        return RecordEvent(record, Station::KeptWith(record.seq))
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    });
    // The settings of the process this one takes over from win over a settings file: they are
    // what the page showed last.
    const nlohmann::json previous =
        nlohmann::json::parse(TakeVariable(kSettingsVariable), nullptr, false);
    if (previous.is_object()) {
        station.SetInitial(previous);
    } else if (!options.settingsPath.empty()) {
        nlohmann::json initial = zarvo::station::DefaultSettings();
        initial.update(zarvo::station::ReadSettingsFile(options.settingsPath));
        station.SetInitial(initial);
    }
    const std::string handedPort = TakeVariable(kPortVariable);
    const nlohmann::json references = ReadReferences(options.referencePaths);
    if (!options.openPath.empty()) {
        ShowSavedRecord(station, options.openPath);
    } else if (!station.Open()) {
        const auto status = station.State()["status"];
        std::cerr << "zarvo view: " << status["error"].value("text", "no instrument found")
                  << "\nzarvo view: the page shows this and tries again on Run\n";
    } else if (!options.settingsPath.empty() && !previous.is_object()) {
        const auto status = station.State()["status"];
        if (status.contains("error")) {
            std::cerr << "zarvo view: the instrument refused the settings of "
                      << options.settingsPath << ": " << status["error"].value("text", "")
                      << "; it starts with the defaults\n";
        }
    }

    httplib::Server server;
    // Bodies over the limit reach the handler, which says what the limit is, up to the size of
    // a reference file (reference.h, the one larger body); larger ones httplib refuses by
    // itself before reading them.
    server.set_payload_max_length(kMaxReferenceBytes + kMaxBody);
    // Stopping waits for every idle connection a browser keeps open to time out; a second
    // instead of five is all the page, which fetches over the loopback, notices of it.
    server.set_keep_alive_timeout(1);
    int port = handedPort.empty() ? options.port : std::atoi(handedPort.c_str());
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.bind)) > 0
                                 : server.bind_to_port(options.bind, port);
    if (!bound) {
        throw core::ToolError("cannot listen on " + options.bind + ":" +
                              std::to_string(options.port) +
                              ": the port is in use (another zarvo view?) or the address is not "
                              "this machine's; choose another with --port or --bind");
    }
    const std::string served = options.bind + ":" + std::to_string(port);
    RequestHandler handler(station, served);
    std::atomic<bool> stopping{false};
    std::atomic<int> openStreams{0};

    server.Get("/api/events", [&](const httplib::Request& req, httplib::Response& res) {
        if (auto refused = handler.Refuse(FromHttplib(req))) return ToHttplib(*refused, res);
        // Each open page holds one of the server's few threads for its event stream.
        if (openStreams >= kMaxStreams) {
            return ToHttplib({503,
                              "application/json",
                              R"({"error": "too many pages watch this view already; close one"})",
                              {}},
                             res);
        }
        res.set_header("Cache-Control", "no-store");
        auto stream = std::make_shared<EventStream>(station, stopping, openStreams);
        res.set_chunked_content_provider(
            "text/event-stream",
            [stream](std::size_t, httplib::DataSink& sink) { return stream->Next(sink); });
    });
    auto reference = [&](const httplib::Request& req, httplib::Response& res) {
        ToHttplib(AnswerReference(handler, FromHttplib(req), references), res);
    };
    server.Get("/api/references", reference);
    server.Post("/api/reference", reference);
    auto glue = [&](const httplib::Request& req, httplib::Response& res) {
        ToHttplib(handler.Handle(FromHttplib(req)), res);
    };
    server.Get(".*", glue);
    server.Post(".*", glue);
    server.Put(".*", glue);
    server.Patch(".*", glue);
    server.Delete(".*", glue);
    server.Options(".*", glue);

    std::thread listener([&] { server.listen_after_bind(); });
    std::cout << "zarvo view: open http://" << served << "/ in a browser; Ctrl-C stops"
              << std::endl;
    servers::WarnBeyondLoopback("zarvo view", options.bind);
    while (!core::Interrupted() && !station.RestartRequested()) core::PauseMs(50);
    stopping = true;
    server.stop();
    listener.join();
    station.Close();
    if (!core::Interrupted() && station.RestartRequested()) {
        std::cerr << "zarvo view: starting again with a fresh instrument session\n";
        ExecuteAgain(port, station.Desired());
    }
    std::cerr << (station.ShowingRecord() ? "zarvo view: stopped\n"
                                          : "zarvo view: stopped; the instrument is released\n");
    return 0;
}

}  // namespace zarvo::view
