#include "tools/files/safe_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "tools/files/file_error.h"

namespace zarvo::cli {

namespace {

std::atomic<unsigned> temporaryCount{0};

[[noreturn]] void FailWrite(const std::string& path, int error) {
    const std::string reason =
        error != 0 ? std::generic_category().message(error) : "the write failed";
    throw FileError("cannot write " + path + ": " + reason);
}

// Creates a fresh temporary file next to `path` (O_EXCL: never one that exists already) with
// the permissions a new file gets from the umask, and returns its descriptor.
int CreateTemporary(const std::string& path, std::string& temporary) {
    const std::filesystem::path final(path);
    if (!final.has_filename()) throw FileError("cannot write " + path + ": it names a folder");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + final.filename().string() + "." +
                                 std::to_string(::getpid()) + "-" +
                                 std::to_string(temporaryCount++) + ".part";
        temporary = (final.parent_path() / name).string();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) FailWrite(path, errno);
    }
    FailWrite(path, EEXIST);
}

// Puts the complete temporary file in place of `path`.
void PutInPlace(const std::string& temporary, const std::string& path) {
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        FailWrite(path, error);
    }
}

}  // namespace

void WriteFileSafely(const std::string& path, std::string_view bytes) {
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    int error = 0;
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // Some file systems (NFS, quotas) report a failed write only when the file is closed.
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        FailWrite(path, error);
    }
    PutInPlace(temporary, path);
}

struct SafeFile::Impl {
    std::string temporary;
    std::ofstream stream;
    bool committed = false;
};

SafeFile::SafeFile(std::string path) : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
    const int fd = CreateTemporary(path_, impl_->temporary);
    ::close(fd);
    impl_->stream.open(impl_->temporary, std::ios::binary | std::ios::trunc);
    if (!impl_->stream) {
        const int error = errno;
        ::unlink(impl_->temporary.c_str());
        FailWrite(path_, error);
    }
}

SafeFile::~SafeFile() {
    if (!impl_->committed) ::unlink(impl_->temporary.c_str());
}

std::ostream& SafeFile::Stream() {
    return impl_->stream;
}

void SafeFile::Commit() {
    errno = 0;
    impl_->stream.flush();
    if (impl_->stream) impl_->stream.close();
    if (!impl_->stream) {
        const int error = errno;
        ::unlink(impl_->temporary.c_str());
        impl_->committed = true;  // nothing left to remove
        FailWrite(path_, error);
    }
    impl_->committed = true;
    PutInPlace(impl_->temporary, path_);
}

}  // namespace zarvo::cli
