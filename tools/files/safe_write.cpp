#include "tools/files/safe_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <streambuf>
#include <system_error>
#include <utility>

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

// Puts the complete temporary file in place of `path`.
void PutInPlace(const std::string& temporary, const std::string& path) {
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
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

// Closes the temporary file and puts it in place, or removes it and reports `error` (or a
// failure of the close: some file systems, NFS or quotas, report a failed write only then).
void Finish(int fd, int error, const std::string& temporary, const std::string& path) {
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        FailWrite(path, error);
    }
    PutInPlace(temporary, path);
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

void WriteFileSafely(const std::string& path, std::string_view bytes) {
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    Finish(fd, WriteAll(fd, bytes), temporary, path);
}

struct SafeFile::Impl {
    std::string temporary;
    int fd = -1;
    std::unique_ptr<FileBuffer> buffer;
    std::ostream stream{nullptr};
};

SafeFile::SafeFile(std::string path) : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
    impl_->fd = CreateTemporary(path_, impl_->temporary);
    impl_->buffer = std::make_unique<FileBuffer>(impl_->fd);
    impl_->stream.rdbuf(impl_->buffer.get());
}

SafeFile::~SafeFile() {
    if (impl_->fd >= 0) {
        ::close(impl_->fd);
        ::unlink(impl_->temporary.c_str());
    }
}

std::ostream& SafeFile::Stream() {
    return impl_->stream;
}

void SafeFile::Commit() {
    impl_->stream.flush();
    const int fd = std::exchange(impl_->fd, -1);
    Finish(fd, impl_->buffer->Error(), impl_->temporary, path_);
}

}  // namespace zarvo::cli
