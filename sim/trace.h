// SPDX-License-Identifier: MIT
// A port backend that passes every operation on and appends it to a trace file, one line
// each: "W AAAA VV" for a write and "R AAAA VV" for a read (address and value in upper-case
// hexadecimal). Lines are buffered and written out by Flush, which the simulated platform
// calls at the end of every export call, so another program can follow the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace zarvo::sim {

class TracingPort final : public PortBackend {
public:
    // Opens `path` for appending; nothing (and a message in *error) when it cannot be opened.
    static std::unique_ptr<TracingPort> Open(PortBackend& inner, const std::string& path,
                                             std::string* error);
    ~TracingPort() override;
    TracingPort(const TracingPort&) = delete;
    TracingPort& operator=(const TracingPort&) = delete;

    void Out(std::uint16_t port, std::uint8_t value) override {
        inner_.Out(port, value);
        Append('W', port, value);
    }
    std::uint8_t In(std::uint16_t port) override {
        const std::uint8_t value = inner_.In(port);
        Append('R', port, value);
        return value;
    }

    // Writes the buffered lines to the file and flushes it.
    void Flush();

    // The trace line of one operation, with its line feed.
    static std::string Line(bool write, std::uint16_t port, std::uint8_t value);

private:
    static constexpr std::size_t kLineLength = 10;  // "W AAAA VV\n"
    static constexpr std::size_t kBufferLines = 4096;

    TracingPort(PortBackend& inner, std::FILE* file) : inner_(inner), file_(file) {}
    void Append(char kind, std::uint16_t port, std::uint8_t value);

    PortBackend& inner_;
    std::FILE* file_;
    char buffer_[kLineLength * kBufferLines];
    std::size_t used_ = 0;
};

}  // namespace zarvo::sim
