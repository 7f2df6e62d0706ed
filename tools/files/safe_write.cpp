// SPDX-License-Identifier: MIT
// Writing a file under a temporary name in its folder and renaming it once it is complete.
#include "tools/files/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <streambuf>
#include <system_error>
#include <utility>

#include "tools/files/file_error.h"

namespace zarvo::files {

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
        // Piece by piece: gcc 12 at -O3 warns falsely (-Wrestrict) about a literal added in
        // front of a temporary string.
        std::string name = ".";
        name += final.filename().string();
        name += '.';
        name += std::to_string(::getpid());
        name += '-';
        name += std::to_string(temporaryCount++);
        name += ".part";
        temporary = (final.parent_path() / name).string();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) FailWrite(path, errno);
    }
    FailWrite(path, EEXIST);
}

// Opens a file that is not a regular one (a device such as /dev/null, a pipe) to write into
// it as it is: such a file cannot be swapped for a new one, and must not be.
int OpenInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) FailWrite(path, errno);
    return fd;
}

// Puts the complete temporary file in place of `path`.
void PutInPlace(const std::string& temporary, const std::string& file, const std::string& path) {
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        FailWrite(path, error);
    }
}

// Writes all of `bytes` to `fd`; the errno of a failure, or 0.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return written < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// The file written, and the temporary file that becomes it (none when written in place).
struct Target {
    std::string file;
    std::string temporary;
    int fd = -1;
};

// Opens what a write of `path` writes to: a temporary file next to the regular file `path`
// names (through a symbolic link: the link stays and its file is replaced), or a special file
// itself.
Target Open(const std::string& path) {
    Target target;
    const std::optional<std::string> file = ReplaceableFile(path);
    if (!file) {
        target.fd = OpenInPlace(path);
        return target;
    }
    target.file = *file;
    target.fd = CreateTemporary(target.file, target.temporary);
    return target;
}

// Closes the file and puts it in place, or removes it and reports `error` (or a failure of the
// close: some file systems, NFS or quotas, report a failed write only then) naming `path`.
void Finish(const Target& target, int error, const std::string& path) {
    if (::close(target.fd) != 0 && error == 0) error = errno;
    if (target.temporary.empty()) {
        if (error != 0) FailWrite(path, error);
        return;
    }
    if (error != 0) {
        ::unlink(target.temporary.c_str());
        FailWrite(path, error);
    }
    PutInPlace(target.temporary, target.file, path);
}

// A stream buffer over the temporary file that keeps the errno of the first failed write,
// so that the report says why (a full disk, the file size limit).
class FileBuffer final : public std::streambuf {
public:
    explicit FileBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (Drain() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain() == 0 ? 0 : -1; }

private:
    int Drain() {
        if (error_ == 0) error_ = WriteAll(fd_, std::string_view(pbase(), pptr() - pbase()));
        setp(buffer_, buffer_ + sizeof buffer_);
        return error_;
    }

    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

}  // namespace

std::optional<std::string> ReplaceableFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return path;  // a new file (or the open fails)
    if (!S_ISREG(status.st_mode)) return std::nullopt;
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    std::error_code error;
    const std::filesystem::path file = std::filesystem::canonical(path, error);
    return error ? path : file.string();
}

void WriteFileSafely(const std::string& path, std::string_view bytes) {
    const Target target = Open(path);
    Finish(target, WriteAll(target.fd, bytes), path);
}

struct SafeFile::Impl {
    Target target;
    std::unique_ptr<FileBuffer> buffer;
    std::ostream stream{nullptr};
};

SafeFile::SafeFile(std::string path) : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
    impl_->target = Open(path_);
    impl_->buffer = std::make_unique<FileBuffer>(impl_->target.fd);
    impl_->stream.rdbuf(impl_->buffer.get());
}

SafeFile::~SafeFile() {
    if (impl_->target.fd >= 0) {
        ::close(impl_->target.fd);
        if (!impl_->target.temporary.empty()) ::unlink(impl_->target.temporary.c_str());
    }
}

std::ostream& SafeFile::Stream() {
    return impl_->stream;
}

void SafeFile::Commit() {
    impl_->stream.flush();
    Target target = impl_->target;
    impl_->target.fd = -1;
    Finish(target, impl_->buffer->Error(), path_);
}

}  // namespace zarvo::files
