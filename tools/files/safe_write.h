// SPDX-License-Identifier: MIT
// Writing a file so that a failure leaves nothing half-written under its name.
//
// The bytes go to a temporary file in the same folder (".NAME.PID-N.part"), which is renamed
// to NAME once everything is written and closed: a full disk, a missing permission or an
// interrupted program leaves either the old file or none, never a truncated one. The rename
// stays within one folder, so it is atomic on the same file system. A device or a pipe (such as
// /dev/null) is written as it is. Every failure throws a
// FileError naming the final path and the reason, after removing the temporary file.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace zarvo::files {

// Where a write of `path` puts its temporary file and renames it to: `path`, or the file a
// symbolic link names (the link stays). Nothing for a file that is not a regular one (a device
// such as /dev/null, a pipe): that is written as it is, never replaced.
std::optional<std::string> ReplaceableFile(const std::string& path);

// The whole file at once.
void WriteFileSafely(const std::string& path, std::string_view bytes);

// A file written in pieces (several records of CSV as they come): Stream() while writing,
// Commit() to put it in place; destroyed without Commit(), the temporary file is removed.
class SafeFile {
public:
    explicit SafeFile(std::string path);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    std::ostream& Stream();
    void Commit();

private:
    struct Impl;
    std::string path_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zarvo::files
