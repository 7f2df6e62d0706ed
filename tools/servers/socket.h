// SPDX-License-Identifier: MIT
// A socket descriptor owned by one object and closed with it: the listening sockets and the
// client connections of zarvo serve (raw SCPI and VXI-11).
#pragma once

#include <unistd.h>

namespace zarvo::servers {

class Socket {
public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace zarvo::servers
