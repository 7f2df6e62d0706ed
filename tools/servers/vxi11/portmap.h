// SPDX-License-Identifier: MIT
// The core channel's entry in the machine's RPC port mapper (rpcbind), for versions 2, 3 and
// 4 of its protocol alike: clients built on libtirpc ask 4 and 3 first, others 2.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <string>

namespace zarvo::vxi11 {

// Whether a port mapper answers on this machine (port 111 of the loopback).
bool PortMapperRuns();

class Registration {
public:
    // Registers the program and version at the address a listening socket is bound to,
    // replacing an entry whose server has gone. Null, with the reason in `why`, when the port
    // mapper refuses or another live server holds the entry.
    static std::unique_ptr<Registration> Make(std::uint32_t program, std::uint32_t version,
                                              const sockaddr_storage& bound, socklen_t length,
                                              std::string& why);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    Registration(std::uint32_t program, std::uint32_t version, int family, std::uint16_t port)
        : program_(program), version_(version), family_(family), port_(port) {}
    std::uint32_t program_;
    std::uint32_t version_;
    int family_;
    std::uint16_t port_;
};

}  // namespace zarvo::vxi11
