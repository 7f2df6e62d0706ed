// The HTTP side of the view: cpp-httplib turns sockets into Requests for the RequestHandler
// and carries records to the page as Server-Sent Events.
#include <httplib.h>

#include <atomic>
#include <iostream>
#include <memory>

#include "tools/session.h"
#include "tools/status.h"
#include "tools/view/handler.h"
#include "tools/view/view.h"

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
    std::uint64_t stateSent = 0;
    std::uint64_t recordSent = 0;
    bool started = false;

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
            if (auto latest = station.Latest())
                text += "event: record\ndata: " + latest->event + "\n\n";
        }
        if (text.empty()) text = ": idle\n\n";  // keeps proxies and the browser from timing out
        started = true;
        return sink.write(text.data(), text.size());
    }
};

bool IsLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "localhost" || address == "::1";
}

}  // namespace

int RunView(const ViewOptions& options) {
    Station station(Station::Mode::Threaded);
    if (!station.Open()) {
        const auto status = station.State()["status"];
        std::cerr << "zarvo view: " << status["error"].value("text", "no instrument found")
                  << "; the page shows this and tries again on Run\n";
    }

    httplib::Server server;
    // Bodies a little over the limit reach the handler, which says what the limit is; larger
    // ones httplib refuses by itself before reading them.
    server.set_payload_max_length(16 * kMaxBody);
    int port = options.port;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.bind)) > 0
                                 : server.bind_to_port(options.bind, port);
    if (!bound) {
        throw cli::ToolError("cannot listen on " + options.bind + ":" +
                             std::to_string(options.port) +
                             ": the port is in use (another zarvo view?) or the address is not "
                             "this machine's; choose another with --port or --bind");
    }
    const std::string served = options.bind + ":" + std::to_string(port);
    RequestHandler handler(station, served);
    std::atomic<bool> stopping{false};

    server.Get("/api/events", [&](const httplib::Request& req, httplib::Response& res) {
        if (auto refused = handler.Refuse(FromHttplib(req))) return ToHttplib(*refused, res);
        res.set_header("Cache-Control", "no-store");
        auto stream = std::make_shared<EventStream>(EventStream{station, stopping});
        res.set_chunked_content_provider(
            "text/event-stream",
            [stream](std::size_t, httplib::DataSink& sink) { return stream->Next(sink); });
    });
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
    if (!IsLoopback(options.bind)) {
        std::cout << "zarvo view: listening on " << options.bind
                  << ", beyond this machine's loopback: whoever reaches this address can drive "
                     "the instrument"
                  << std::endl;
    }
    while (!cli::Interrupted()) cli::PauseMs(50);
    stopping = true;
    server.stop();
    listener.join();
    station.Close();
    std::cerr << "zarvo view: stopped; the instrument is released\n";
    return 0;
}

}  // namespace zarvo::view
