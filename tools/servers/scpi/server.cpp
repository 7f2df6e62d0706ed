// SPDX-License-Identifier: MIT
// The TCP side of zarvo serve: one poll loop over the listening socket and the connections,
// and over the sockets of the protocol served beside them (VXI-11). One client controls the
// instrument at a time; a connection made meanwhile is answered with one line saying who
// controls it, and closed, unless the controlling client has been silent for the idle
// time-out: then it is let go and the new one takes over. Nothing a client does (closing in
// the middle of an answer, a line without end, silence) blocks the loop.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include "tools/core/numbers.h"
#include "tools/core/process.h"
#include "tools/core/status.h"
#include "tools/servers/listen.h"
#include "tools/servers/scpi/command_tree.h"
#include "tools/servers/scpi/control.h"
#include "tools/servers/scpi/line_reader.h"
#include "tools/servers/scpi/serve.h"
#include "tools/servers/scpi/values.h"
#include "tools/servers/socket.h"

namespace zarvo::scpi {

namespace {

// A turned-away client gets its answer and this long to read it before the socket closes.
constexpr auto kTurnAwayLinger = std::chrono::seconds(2);
constexpr std::size_t kMaxTurnedAway = 16;

using servers::Socket;

struct Connection {
    Socket socket;
    std::string peer;
    LineReader reader;
    std::string out;
    std::size_t sent = 0;
    Clock::time_point heard = Clock::now();
    bool ended = false;              // the client sent its last byte
    std::unique_ptr<Client> client;  // null: turned away
    Clock::time_point closeBy{};

    Connection(int fd, std::string who) : socket(fd), peer(std::move(who)) {}
    bool Flushed() const { return sent == out.size(); }
};

std::string PeerName(const sockaddr_storage& address, socklen_t length) {
    char host[NI_MAXHOST] = "?";
    char port[NI_MAXSERV] = "?";
    getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, port,
                sizeof port, NI_NUMERICHOST | NI_NUMERICSERV);
    return std::string(host) + ":" + port;
}

int Listen(const ServeOptions& options, int& port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(options.port);
    if (getaddrinfo(options.bind.c_str(), service.c_str(), &hints, &found) != 0) return -1;
    int fd = -1;
    for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 16) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd < 0) return -1;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    port = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return fd;
}

// Sends what the socket takes now; false when the client is gone.
bool Flush(Connection& c) {
    while (!c.Flushed()) {
        const ssize_t n = ::send(c.socket.fd(), c.out.data() + c.sent, c.out.size() - c.sent,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        c.sent += static_cast<std::size_t>(n);
    }
    c.out.clear();
    c.sent = 0;
    return true;
}

// Reads what has come; false when the connection failed.
bool Receive(Connection& c) {
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::recv(c.socket.fd(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0) {
            c.ended = true;
            return true;
        }
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        c.heard = Clock::now();
        if (c.client)
            c.reader.Add(std::string_view(buffer, static_cast<std::size_t>(n)), *c.client);
        // One buffer at a time for the client, so that its answers are sent before more
        // questions are read.
        if (c.client) return true;
    }
}

class Server {
public:
    Server(Device& device, const CommandTree& tree, Control& control, const ServeOptions& options,
           int listener, Service* beside)
        : device_(device),
          tree_(tree),
          control_(control),
          options_(options),
          listener_(listener),
          beside_(beside) {}

    void Serve() {
        while (!core::Interrupted()) {
            Poll();
            // The controller first, so that a client that closed and connects again at once
            // is seen gone before its new connection is taken.
            ServeController();
            Accept();
            ServeTurnedAway();
            if (beside_ != nullptr) beside_->Serve();
        }
    }

private:
    // The raw connection that controls, as the control sees it.
    class RawController final : public Controller {
    public:
        explicit RawController(Server& server) : server_(server) {}
        std::string Name() const override { return server_.controller_->peer; }
        Clock::time_point Heard() const override { return server_.controller_->heard; }
        bool Gone() const override { return HungUp(*server_.controller_); }
        void LetGo() override { server_.controller_.reset(); }

    private:
        Server& server_;
    };

    void Drop() {
        control_.Release(raw_);
        controller_.reset();
    }

    bool Idle(const Connection& c) const {
        const std::chrono::duration<double> silent = Clock::now() - c.heard;
        return silent.count() >= options_.idleTimeout;
    }

    // Whether the client has closed its side, though the loop has not read that yet (it
    // reads no further while an answer is being sent or an operation waited for).
    static bool HungUp(const Connection& c) {
        pollfd probe{c.socket.fd(), POLLRDHUP, 0};
        return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    }

    void Poll() {
        std::vector<pollfd> fds{{listener_.fd(), POLLIN, 0}};
        int timeoutMs = 100;
        if (controller_) {
            short events = 0;
            if (!controller_->Flushed()) {
                events = POLLOUT;
            } else if (!controller_->client->Busy() && !controller_->ended) {
                events = POLLIN;
            }
            if (controller_->client->Waiting()) timeoutMs = 1;  // *OPC? checks often
            if (controller_->Flushed() && controller_->client->Busy() &&
                !controller_->client->Waiting()) {
                timeoutMs = 0;
            }
            fds.push_back({controller_->socket.fd(), events, 0});
        }
        for (const auto& c : turnedAway_) {
            fds.push_back({c->socket.fd(), static_cast<short>(c->Flushed() ? POLLIN : POLLOUT), 0});
        }
        if (beside_ != nullptr) beside_->Prepare(fds, timeoutMs);
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
            throw core::ToolError("poll failed: " + std::string(std::strerror(errno)));
        }
    }

    void Accept() {
        for (;;) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            const int fd = ::accept4(listener_.fd(), reinterpret_cast<sockaddr*>(&address), &length,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            // Answers are small and awaited: send each at once.
            const int yes = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            auto connection = std::make_unique<Connection>(fd, PeerName(address, length));
            if (controller_ && HungUp(*controller_)) {
                std::cerr << "zarvo serve: " << controller_->peer << " disconnected\n";
                Drop();
            }
            if (controller_ && Idle(*controller_)) {
                std::cerr << "zarvo serve: " << controller_->peer << " silent for "
                          << options_.idleTimeout << " s or more: let go for " << connection->peer
                          << '\n';
                Drop();
            }
            if (!controller_ && control_.Take(raw_, connection->peer)) {
                connection->client = std::make_unique<Client>(device_, tree_);
                controller_ = std::move(connection);
            } else if (turnedAway_.size() < kMaxTurnedAway) {
                TurnAway(std::move(connection));
            }
        }
    }

    void TurnAway(std::unique_ptr<Connection> connection) {
        const double silent = control_.Silence();
        connection->out =
            FormatError(
                {code::kExecution, "another client (" + control_.Holder()->Name() +
                                       ") controls the instrument; try again when it disconnects "
                                       "or has been silent for " +
                                       FormatNumber(options_.idleTimeout) + " s (it has been for " +
                                       FormatNumber(std::floor(silent * 10) / 10) + " s)"}) +
            "\n";
        connection->closeBy = Clock::now() + kTurnAwayLinger;
        Flush(*connection);
        turnedAway_.push_back(std::move(connection));
    }

    void ServeController() {
        if (!controller_) return;
        Connection& c = *controller_;
        bool alive = Flush(c);
        if (alive && c.Flushed() && !c.client->Busy() && !c.ended) alive = Receive(c);
        if (alive && c.Flushed()) {
            c.out = c.client->Run();
            alive = Flush(c);
        }
        if (!alive || (c.ended && c.Flushed() && !c.client->Busy())) {
            std::cerr << "zarvo serve: " << c.peer << " disconnected\n";
            Drop();
        }
    }

    void ServeTurnedAway() {
        const auto now = Clock::now();
        std::erase_if(turnedAway_, [&](std::unique_ptr<Connection>& c) {
            if (!Flush(*c) || now >= c->closeBy) return true;
            if (!c->Flushed()) return false;
            // Answered: the client's own lines are read and dropped until it closes, so that
            // closing never resets the connection before the answer is read.
            ::shutdown(c->socket.fd(), SHUT_WR);
            return !Receive(*c) || c->ended;
        });
    }

    Device& device_;
    const CommandTree& tree_;
    Control& control_;
    const ServeOptions& options_;
    Socket listener_;
    Service* beside_;
    RawController raw_{*this};
    std::unique_ptr<Connection> controller_;
    std::vector<std::unique_ptr<Connection>> turnedAway_;
};

}  // namespace

int RunServe(const ServeOptions& options, const ServiceMaker& makeBeside) {
    station::ReturnLargeBuffersToTheSystem();
    station::Station station(station::Station::Mode::Threaded);
    if (!station.Open()) {
        const auto status = station.State()["status"];
        std::cerr << "zarvo serve: " << status["error"].value("text", "no instrument found")
                  << "\nzarvo serve: serving anyway; instrument commands answer -241 (hardware "
                     "missing)\n";
    }
    Device device(station);
    int port = 0;
    const int listener = Listen(options, port);
    if (listener < 0) {
        throw core::ToolError("cannot listen on " + options.bind + ":" +
                              std::to_string(options.port) +
                              ": the port is in use (another zarvo serve?) or the address is not "
                              "this machine's; choose another with --port or --bind");
    }
    // Bound to every address, the resources name this machine as other machines reach it.
    std::string host = options.bind;
    char name[256] = "";
    if ((host == "0.0.0.0" || host == "::") && gethostname(name, sizeof name - 1) == 0) {
        host = name;
    }
    const CommandTree tree(CommandRows());
    Control control(options.idleTimeout);
    std::vector<std::string> resources;
    std::unique_ptr<Service> beside;
    if (makeBeside)
        beside = makeBeside(ServeContext{device, tree, control, options, port, host}, resources);
    Server server(device, tree, control, options, listener, beside.get());
    resources.push_back("TCPIP::" + host + "::" + std::to_string(port) + "::SOCKET");
    std::cout << "zarvo serve: SCPI on " << options.bind << ":" << port << " (VISA resource"
              << (resources.size() > 1 ? "s " : " ") << core::ListedWithAnd(resources)
              << "); Ctrl-C stops" << std::endl;
    if (beside != nullptr) beside->Started();
    servers::WarnBeyondLoopback("zarvo serve", options.bind);
    server.Serve();
    beside.reset();
    station.Close();
    std::cerr << "zarvo serve: stopped; the instrument is released\n";
    return 0;
}

}  // namespace zarvo::scpi
