// SPDX-License-Identifier: MIT
// VXI-11's sockets in the poll loop of zarvo serve: the core and abort channels' listeners,
// their connections cut into RPC records for the procedures, and the replies sent back.
// The records are cut here (record marking) and decoded with libtirpc's XDR routines rather
// than served by its svc_* dispatcher, whose procedures must answer before they return: here a
// call that has to wait (a read for an *OPC?, a write for a lock) waits in the loop, which
// goes on serving the raw socket and the other links meanwhile.
#include "tools/servers/vxi11/service.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <list>

#include "tools/servers/listen.h"
#include "tools/servers/scpi/device.h"
#include "tools/servers/socket.h"
#include "tools/servers/vxi11/announce.h"
#include "tools/servers/vxi11/core.h"
#include "tools/servers/vxi11/portmap.h"

namespace zarvo::vxi11 {

namespace {

constexpr std::size_t kMaxConnections = 32;
// A client that does not read its replies is read no further once this much waits for it.
constexpr std::size_t kMaxUnsent = 4 << 20;

using servers::Socket;

struct Listener {
    Socket socket;
    sockaddr_storage bound{};
    socklen_t length = 0;
    std::uint16_t Port() const {
        return ntohs(bound.ss_family == AF_INET6
                         ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                         : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
    }
    explicit Listener(int fd) : socket(fd) {}
};

// A listening socket on any free port of the address.
std::unique_ptr<Listener> Listen(const std::string& bind) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(bind.c_str(), "0", &hints, &found) != 0) return nullptr;
    std::unique_ptr<Listener> listener;
    for (addrinfo* a = found; a != nullptr && !listener; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 16) != 0) {
            ::close(fd);
            continue;
        }
        listener = std::make_unique<Listener>(fd);
        listener->length = sizeof listener->bound;
        getsockname(fd, reinterpret_cast<sockaddr*>(&listener->bound), &listener->length);
    }
    freeaddrinfo(found);
    return listener;
}

struct Wire {
    Socket socket;
    Connection connection;
    RecordReader reader;
    std::string out;
    std::size_t sent = 0;
    bool closed = false;
    explicit Wire(int fd) : socket(fd) {}
};

std::string PeerName(const sockaddr_storage& address, socklen_t length, std::string& host) {
    char name[NI_MAXHOST] = "?";
    char port[NI_MAXSERV] = "?";
    getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, name, sizeof name, port,
                sizeof port, NI_NUMERICHOST | NI_NUMERICSERV);
    host = name;
    return std::string(name) + ":" + port;
}

class Vxi11Service final : public scpi::Service {
public:
    Vxi11Service(const scpi::ServeContext& context, std::unique_ptr<Listener> core,
                 std::unique_ptr<Listener> abort, std::unique_ptr<Registration> registration)
        : context_(context),
          coreListener_(std::move(core)),
          abortListener_(std::move(abort)),
          registration_(std::move(registration)) {
        if (coreListener_) {
            core_ = std::make_unique<Core>(context.device, context.tree, context.control,
                                           abortListener_->Port());
        }
    }

    ~Vxi11Service() override {
        if (!core_) return;
        for (auto& w : wires_) core_->Closed(w.connection);
    }

    void Prepare(std::vector<pollfd>& fds, int& timeoutMs) override {
        if (!core_) return;
        fds.push_back({coreListener_->socket.fd(), POLLIN, 0});
        fds.push_back({abortListener_->socket.fd(), POLLIN, 0});
        bool waiting = false;
        for (const Wire& w : wires_) {
            short events = w.reader.Buffered() <= RecordReader::kMaxRecord + 8 ? POLLIN : 0;
            if (w.sent < w.out.size()) events |= POLLOUT;
            fds.push_back({w.socket.fd(), events, 0});
            waiting = waiting || w.connection.waiting.has_value();
        }
        timeoutMs = std::min(timeoutMs, core_->Patience());
        // A waiting call looks again at its deadlines and at who controls.
        if (waiting) timeoutMs = std::min(timeoutMs, 5);
    }

    void Serve() override {
        if (!core_) return;
        Accept(*coreListener_, false);
        Accept(*abortListener_, true);
        for (Wire& w : wires_) Receive(w);
        core_->Pump();
        for (Wire& w : wires_) {
            if (!w.closed) Process(w);
            if (!w.closed) Flush(w);
        }
        for (auto it = wires_.begin(); it != wires_.end();) {
            if (!it->closed) {
                ++it;
                continue;
            }
            core_->Closed(it->connection);
            it = wires_.erase(it);
        }
    }

    void Started() override { announcer_ = Announce(context_, core_ ? coreListener_->Port() : 0); }

private:
    void Accept(Listener& listener, bool abortChannel) {
        for (;;) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            const int fd = ::accept4(listener.socket.fd(), reinterpret_cast<sockaddr*>(&address),
                                     &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            if (wires_.size() >= kMaxConnections) {
                ::close(fd);
                continue;
            }
            // Calls and replies are small and awaited: each goes out at once.
            const int yes = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            const int room = 1 << 20;
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
            Wire& w = wires_.emplace_back(fd);
            w.connection.id = ++connections_;
            w.connection.peer = PeerName(address, length, w.connection.host);
            w.connection.abortChannel = abortChannel;
            w.connection.hungUp = [fd] {
                pollfd probe{fd, POLLRDHUP, 0};
                return ::poll(&probe, 1, 0) > 0 &&
                       (probe.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
            };
        }
    }

    void Receive(Wire& w) {
        char buffer[65536];
        while (!w.closed && w.reader.Buffered() <= RecordReader::kMaxRecord + 8) {
            const ssize_t n = ::recv(w.socket.fd(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0) {
                w.closed = true;
            } else if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) w.closed = true;
                return;
            } else {
                w.reader.Add(std::string_view(buffer, static_cast<std::size_t>(n)));
            }
        }
    }

    void Process(Wire& w) {
        std::string record;
        for (;;) {
            if (w.connection.waiting) {
                Outcome o = core_->Retry(w.connection);
                if (o.kind == Outcome::Kind::Waits) return;
                AppendRecord(w.out, o.reply);
            }
            if (w.out.size() - w.sent > kMaxUnsent) return;
            const RecordReader::Got got = w.reader.Next(record);
            if (got == RecordReader::Got::Nothing) return;
            if (got == RecordReader::Got::TooLong) {
                std::cerr << "zarvo serve: " << w.connection.peer
                          << " sent an RPC record over 1 MiB: its connection is closed\n";
                w.closed = true;
                return;
            }
            Outcome o = core_->Call(w.connection, record);
            if (o.kind == Outcome::Kind::Close) {
                std::cerr << "zarvo serve: " << w.connection.peer
                          << " sent a record that is no RPC call: its connection is closed\n";
                w.closed = true;
                return;
            }
            if (o.kind == Outcome::Kind::Reply) AppendRecord(w.out, o.reply);
        }
    }

    static void Flush(Wire& w) {
        while (w.sent < w.out.size()) {
            const ssize_t n = ::send(w.socket.fd(), w.out.data() + w.sent, w.out.size() - w.sent,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) w.closed = true;
                return;
            }
            w.sent += static_cast<std::size_t>(n);
        }
        w.out.clear();
        w.sent = 0;
    }

    const scpi::ServeContext context_;
    std::unique_ptr<Listener> coreListener_;
    std::unique_ptr<Listener> abortListener_;
    std::unique_ptr<Registration> registration_;
    std::unique_ptr<Core> core_;
    std::list<Wire> wires_;  // a list: links keep a reference to their connection
    int connections_ = 0;
    std::unique_ptr<Announcement> announcer_;
};

}  // namespace

std::unique_ptr<scpi::Service> MakeService(const scpi::ServeContext& context,
                                           std::vector<std::string>& resources) {
    const std::string off =
        "zarvo serve: VXI-11 off (no TCPIP::" + context.options.bind + "::INSTR): ";
    std::unique_ptr<Listener> core;
    std::unique_ptr<Listener> abort;
    std::unique_ptr<Registration> registration;
    if (context.options.vxi11) {
        std::string why;
        if (!PortMapperRuns()) {
            why =
                "no RPC port mapper runs on this machine, and VISA finds the instrument through "
                "it; install and start one (apt-get install rpcbind) and start zarvo serve "
                "again";
        } else if (!(core = Listen(context.options.bind)) ||
                   !(abort = Listen(context.options.bind))) {
            why = "cannot listen on " + context.options.bind;
        } else {
            registration =
                Registration::Make(kCoreProgram, kVersion, core->bound, core->length, why);
        }
        if (registration) {
            resources.insert(resources.begin(), "TCPIP::" + context.host + "::INSTR");
        } else {
            std::cerr << off << why << '\n';
            core.reset();
            abort.reset();
        }
    }
    return std::make_unique<Vxi11Service>(context, std::move(core), std::move(abort),
                                          std::move(registration));
}

}  // namespace zarvo::vxi11
