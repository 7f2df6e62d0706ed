// SPDX-License-Identifier: MIT
// The zip archives of the sigrok session and the NumPy archive, in memory through libzip.
#include "tools/files/zip_archive.h"

#include <zip.h>

#include <cstdio>

#include "tools/files/file_error.h"

namespace zarvo::files {

namespace {

// A zip_error_t that is always released.
struct ZipError {
    zip_error_t error;
    ZipError() { zip_error_init(&error); }
    ~ZipError() { zip_error_fini(&error); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;
    std::string Text() { return zip_error_strerror(&error); }
};

[[noreturn]] void FailZip(const char* what, const std::string& detail) {
    throw std::runtime_error(std::string("cannot build the zip archive: ") + what + ": " + detail);
}

}  // namespace

ZipWriter::ZipWriter() {
    ZipError error;
    source_ = zip_source_buffer_create(nullptr, 0, 0, &error.error);
    if (source_ == nullptr) FailZip("buffer", error.Text());
    archive_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error.error);
    if (archive_ == nullptr) {
        zip_source_free(source_);
        FailZip("open", error.Text());
    }
    zip_source_keep(source_);  // the bytes are read from it after zip_close
}

ZipWriter::ZipWriter(const std::string& path) : path_(path) {
    int error = 0;
    archive_ = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive_ == nullptr) {
        ZipError text;
        zip_error_init_with_code(&text.error, error);
        throw FileError("cannot write " + path + ": " + text.Text());
    }
}

ZipWriter::~ZipWriter() {
    if (archive_ != nullptr) zip_discard(archive_);
    zip_source_free(source_);
}

void ZipWriter::Add(const std::string& name, std::string data, int level) {
    members_.push_back(std::move(data));
    const std::string& kept = members_.back();
    zip_source_t* member = zip_source_buffer(archive_, kept.data(), kept.size(), 0);
    if (member == nullptr) FailZip(name.c_str(), zip_strerror(archive_));
    const zip_int64_t index = zip_file_add(archive_, name.c_str(), member, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(member);
        FailZip(name.c_str(), zip_strerror(archive_));
    }
    const zip_int32_t method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), method,
                                 static_cast<zip_uint32_t>(level)) != 0) {
        FailZip(name.c_str(), zip_strerror(archive_));
    }
}

std::string ZipWriter::Finish() {
    // libzip removes an archive left without members instead of writing one.
    const bool empty = zip_get_num_entries(archive_, 0) == 0;
    if (zip_close(archive_) != 0) {
        if (path_.empty()) FailZip("close", zip_strerror(archive_));
        throw FileError("cannot write " + path_ + ": " + zip_strerror(archive_));
    }
    archive_ = nullptr;
    if (!path_.empty() || empty) return {};
    if (zip_source_open(source_) != 0 || zip_source_seek(source_, 0, SEEK_END) != 0) {
        FailZip("read back", zip_error_strerror(zip_source_error(source_)));
    }
    const zip_int64_t size = zip_source_tell(source_);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    const bool read = size >= 0 && zip_source_seek(source_, 0, SEEK_SET) == 0 &&
                      zip_source_read(source_, bytes.data(), bytes.size()) == size;
    zip_source_close(source_);
    if (!read) FailZip("read back", zip_error_strerror(zip_source_error(source_)));
    return bytes;
}

ZipReader::ZipReader(std::string_view bytes, std::string name) : name_(std::move(name)) {
    if (bytes.empty()) FailFile(name_, "is empty");  // libzip would take it for an empty archive
    ZipError error;
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error.error);
    if (source == nullptr) FailFile(name_, "cannot be read: " + error.Text());
    archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error.error);
    if (archive_ == nullptr) {
        zip_source_free(source);
        // A zip file starts with a local header; one that does but does not open was cut
        // short or damaged, one that does not is some other kind of file.
        if (bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4)) {
            FailFile(name_,
                     "truncated or damaged: the zip archive does not open (" + error.Text() + ")");
        }
        FailFile(name_, "not a zip archive");
    }
}

ZipReader::~ZipReader() {
    if (archive_ != nullptr) zip_discard(archive_);
}

std::optional<std::string> ZipReader::Read(const std::string& member, std::size_t maxSize) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_, member.c_str(), 0, &stat) != 0) return std::nullopt;
    if ((stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > maxSize) {
        FailFile(name_, member + " is larger than a record can be");
    }
    zip_file_t* file = zip_fopen(archive_, member.c_str(), 0);
    if (file == nullptr) FailFile(name_, member + " cannot be read: " + zip_strerror(archive_));
    std::string data(static_cast<std::size_t>(stat.size), '\0');
    std::size_t have = 0;
    // Reading on to the end (a read of 0 bytes) makes libzip check the member's checksum.
    char probe = 0;
    for (;;) {
        char* into = have < data.size() ? data.data() + have : &probe;
        const std::size_t want = have < data.size() ? data.size() - have : 1;
        const zip_int64_t got = zip_fread(file, into, want);
        if (got < 0) {
            const std::string why = zip_error_strerror(zip_file_get_error(file));
            zip_fclose(file);
            FailFile(name_, "damaged: " + member + " cannot be read (" + why + ")");
        }
        if (got == 0) break;
        if (into == &probe) {
            zip_fclose(file);
            FailFile(name_, "damaged: " + member + " holds more than its stated size");
        }
        have += static_cast<std::size_t>(got);
    }
    zip_fclose(file);
    if (have != data.size()) FailFile(name_, "truncated: " + member + " ends early");
    return data;
}

}  // namespace zarvo::files
