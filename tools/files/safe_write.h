// Writing a file so that a failure leaves nothing half-written under its name.
//
// The bytes go to a temporary file in the same folder (".NAME.PID-N.part"), which is renamed
// to NAME once everything is written and closed: a full disk, a missing permission or an
// interrupted program leaves either the old file or none, never a truncated one. The rename
// stays within one folder, so it is atomic on the same file system. Every failure throws a
// FileError naming the final path and the reason, after removing the temporary file.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace zarvo::cli {

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
    const std::string& Path() const { return path_; }

private:
    struct Impl;
    std::string path_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zarvo::cli
