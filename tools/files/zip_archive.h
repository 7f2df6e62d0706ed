// SPDX-License-Identifier: MIT
// A zip archive in memory, through libzip: written member by member and then taken as bytes,
// or opened from bytes and read member by member. Used by the sigrok session and the NumPy
// archive, both zip files.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace zarvo::files {

class ZipWriter {
public:
    // In memory: Finish() returns the archive's bytes.
    ZipWriter();
    // Straight into the file at `path`: libzip writes it under a temporary name in the same
    // folder and renames it when complete, so a failed write leaves nothing half-written (and
    // touches no more memory than the members), and Finish() returns nothing; its failure is a
    // FileError naming the path.
    explicit ZipWriter(const std::string& path);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Adds a member; `level` 0 stores it, 1 to 9 deflates it (1 fastest).
    void Add(const std::string& name, std::string data, int level);
    // The archive's bytes (in memory; none without members) or the file in place; the writer
    // is spent afterwards.
    std::string Finish();

private:
    std::string path_;  // empty: in memory
    zip_source* source_ = nullptr;
    zip* archive_ = nullptr;
    std::deque<std::string> members_;  // libzip reads them at Finish
};

class ZipReader {
public:
    // Throws a FileError naming `name` when the bytes are no zip archive (or a truncated one).
    ZipReader(std::string_view bytes, std::string name);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // A member's contents, none when there is no such member; a FileError when it is larger
    // than maxSize or cannot be read in full (damaged data, a wrong checksum).
    std::optional<std::string> Read(const std::string& member, std::size_t maxSize) const;

private:
    std::string name_;
    zip* archive_ = nullptr;
};

}  // namespace zarvo::files
