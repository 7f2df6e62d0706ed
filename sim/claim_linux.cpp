#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "sim/claim.h"

namespace zarvo::sim {

namespace {

// The holder's process id and program name, written into the claim file while the lock is
// held, so that a program that finds the port busy can say who has it ("4242 zarvo").
void RecordHolder(int fd) {
    std::string program;
    std::getline(std::ifstream("/proc/self/comm"), program);
    const std::string text = std::to_string(::getpid()) + ' ' + program + '\n';
    if (::ftruncate(fd, 0) != 0) return;
    if (::pwrite(fd, text.data(), text.size(), 0) < 0) return;
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
