// SPDX-License-Identifier: MIT
// Registering the core channel with rpcbind through libtirpc (rpcb_set and its kin).
#include "tools/servers/vxi11/portmap.h"

#include <netinet/in.h>
#include <rpc/rpc.h>
#include <unistd.h>

#include <cstring>

namespace zarvo::vxi11 {

namespace {

constexpr std::uint16_t kPortMapperPort = 111;

const char* NetId(int family) {
    return family == AF_INET6 ? "tcp6" : "tcp";
}

std::uint16_t PortOf(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&a)->sin6_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(&a)->sin_port);
}

// Whether something accepts connections at the port on the loopback.
bool Answers(int family, std::uint16_t port) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_storage a{};
    socklen_t length = 0;
    if (family == AF_INET6) {
        auto* a6 = reinterpret_cast<sockaddr_in6*>(&a);
        a6->sin6_family = AF_INET6;
        a6->sin6_addr = in6addr_loopback;
        a6->sin6_port = htons(port);
        length = sizeof *a6;
    } else {
        auto* a4 = reinterpret_cast<sockaddr_in*>(&a);
        a4->sin_family = AF_INET;
        a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a4->sin_port = htons(port);
        length = sizeof *a4;
    }
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), length) == 0;
    ::close(fd);
    return answered;
}

// The port the program's entry names now; 0 when there is none.
std::uint16_t Registered(std::uint32_t program, std::uint32_t version, netconfig* nc) {
    sockaddr_storage found{};
    netbuf address{sizeof found, 0, &found};
    if (!rpcb_getaddr(program, version, nc, &address, "localhost")) return 0;
    return PortOf(found);
}

}  // namespace

bool PortMapperRuns() {
    return Answers(AF_INET, kPortMapperPort);
}

std::unique_ptr<Registration> Registration::Make(std::uint32_t program, std::uint32_t version,
                                                 const sockaddr_storage& bound, socklen_t length,
                                                 std::string& why) {
    netconfig* nc = getnetconfigent(NetId(bound.ss_family));
    if (nc == nullptr) {
        why = std::string("the system knows no network ") + NetId(bound.ss_family);
        return nullptr;
    }
    const std::uint16_t port = PortOf(bound);
    const std::uint16_t there = Registered(program, version, nc);
    if (there != 0 && there != port && Answers(bound.ss_family, there)) {
        freenetconfigent(nc);
        why = "another server (port " + std::to_string(there) +
              ") holds the port mapper's entry for VXI-11; stop it, or give this one --no-vxi11";
        return nullptr;
    }
    // An entry left behind by a server that has gone.
    if (there != 0) rpcb_unset(program, version, nc);
    sockaddr_storage address = bound;
    netbuf buffer{length, length, &address};
    const bool set = rpcb_set(program, version, nc, &buffer);
    freenetconfigent(nc);
    if (!set) {
        why = "the port mapper refused the entry (another user's server holds it?)";
        return nullptr;
    }
    return std::unique_ptr<Registration>(new Registration(program, version, bound.ss_family, port));
}

Registration::~Registration() {
    netconfig* nc = getnetconfigent(NetId(family_));
    if (nc == nullptr) return;
    // Only while the entry is still this server's: another may have replaced it meanwhile.
    if (Registered(program_, version_, nc) == port_) rpcb_unset(program_, version_, nc);
    freenetconfigent(nc);
}

}  // namespace zarvo::vxi11
