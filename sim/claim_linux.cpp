// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/claim.h"

namespace zarvo::sim {

namespace {

// The holder's process id and program name, written into the claim file while the lock is
// held, so that a program that finds the port busy can say who has it ("4242 zarvo").
// Written without allocating, so that claiming a port never fails half-way.
void RecordHolder(int fd) noexcept {
    char program[64] = {};
    const int comm = ::open("/proc/self/comm", O_RDONLY | O_CLOEXEC);
    if (comm >= 0) {
        const ssize_t n = ::read(comm, program, sizeof program - 1);
        ::close(comm);
        for (ssize_t k = 0; k < n; ++k)
            if (program[k] == '\n') program[k] = '\0';
    }
    char text[96] = {};
    const int length =
        std::snprintf(text, sizeof text, "%ld %s\n", static_cast<long>(::getpid()), program);
    if (length <= 0 || ::ftruncate(fd, 0) != 0) return;
    const auto size = static_cast<std::size_t>(std::min<int>(length, sizeof text - 1));
    if (::pwrite(fd, text, size, 0) < 0) return;
}

}  // namespace

std::intptr_t LockFileExclusive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    // flock locks belong to the open file description, so a second open in this process
    // conflicts as well as one in another process.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    RecordHolder(fd);
    return fd;
}

void UnlockFile(std::intptr_t lock) {
    if (lock < 0) return;
    ::close(static_cast<int>(lock));  // closing the descriptor drops the lock
}

std::string TemporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string UserTag() {
    return std::to_string(::getuid()) + "-";
}

}  // namespace zarvo::sim
