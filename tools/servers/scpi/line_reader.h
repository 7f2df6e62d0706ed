// SPDX-License-Identifier: MIT
// Cuts the bytes a client sends into lines for its dialogue. A line may be at most 64 KiB: a
// longer one is dropped up to its line feed and its place taken by a "too much data" error,
// so that a client sending without line feeds cannot make the server hold unbounded memory.
#pragma once

#include <string>
#include <string_view>

#include "tools/servers/scpi/client.h"

namespace zarvo::scpi {

class LineReader {
public:
    static constexpr std::size_t kMaxLine = 64 * 1024;

    void Add(std::string_view bytes, Client& client) {
        while (!bytes.empty()) {
            const std::size_t end = bytes.find('\n');
            const std::string_view part = bytes.substr(0, end);
            if (!dropping_) {
                if (pending_.size() + part.size() > kMaxLine) {
                    pending_.clear();
                    dropping_ = true;
                    client.TakeTooLong();
                } else {
                    pending_.append(part);
                }
            }
            if (end == std::string_view::npos) return;
            if (!dropping_) client.Take(std::move(pending_));
            pending_.clear();
            dropping_ = false;
            bytes.remove_prefix(end + 1);
        }
    }

private:
    std::string pending_;
    bool dropping_ = false;  // the rest of an over-long line
};

}  // namespace zarvo::scpi
