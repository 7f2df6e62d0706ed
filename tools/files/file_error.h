// SPDX-License-Identifier: MIT
// The error of a record file that cannot be written or read: its message names the file and
// says what is wrong with it ("capture.sr: truncated: ..."), ready to be shown as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace zarvo::files {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws a FileError "NAME: WHAT".
[[noreturn]] inline void FailFile(const std::string& name, const std::string& what) {
    throw FileError(name + ": " + what);
}

}  // namespace zarvo::files
