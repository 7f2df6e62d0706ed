// SPDX-License-Identifier: MIT
// Status codes of the library, in words, and the error the tool reports them with.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zarvo::core {

// "RC_BAD_VALUE" ... for a status code; "unknown status N" otherwise.
std::string StatusName(std::uint16_t status);
// A sentence saying what the status means to the person at the terminal.
std::string StatusMeaning(std::uint16_t status);

// A failure the tool reports on standard error before exiting non-zero.
class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& what, int exitCode = 1)
        : std::runtime_error(what), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// Throws a ToolError naming the call and the status when status is not RC_OK.
void Check(std::uint16_t status, const char* call);

}  // namespace zarvo::core
