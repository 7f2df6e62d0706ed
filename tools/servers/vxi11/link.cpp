// SPDX-License-Identifier: MIT
// A VXI-11 link's dialogue: bytes in, answers out in messages, device clear.
#include "tools/servers/vxi11/link.h"

#include <algorithm>

namespace zarvo::vxi11 {

void Link::LetGo() {
    Clear();
    locked = false;
}

void Link::Write(std::string_view data, bool end) {
    if (!data.empty()) partial_ = data.back() != '\n';
    reader_.Add(data, client_);
    if (end && partial_) {
        reader_.Add("\n", client_);
        partial_ = false;
    }
    Pump();
}

void Link::Pump() {
    while (outBytes_ < kBudget) {
        std::string answer = client_.Run(1);
        if (answer.empty()) break;
        outBytes_ += answer.size();
        out_.push_back(std::move(answer));
    }
}

void Link::Clear() {
    client_.Clear();
    reader_ = scpi::LineReader{};
    partial_ = false;
    out_.clear();
    outAt_ = 0;
    outBytes_ = 0;
}

std::uint8_t Link::StatusByte() const {
    std::uint8_t stb = client_.StatusByte();
    if (HasOutput()) stb |= 0x10;
    return stb;
}

std::string_view Link::Read(std::uint32_t size, std::optional<char> term, std::int32_t& why) {
    why = 0;
    piece_.clear();
    if (out_.empty()) return piece_;
    const std::string& answer = out_.front();
    std::size_t n = std::min<std::size_t>(answer.size() - outAt_, size);
    if (term) {
        const std::size_t at = answer.find(*term, outAt_);
        if (at != std::string::npos && at < outAt_ + n) {
            n = at + 1 - outAt_;
            why |= reason::kTermChar;
        }
    }
    piece_.assign(answer, outAt_, n);
    outAt_ += n;
    outBytes_ -= n;
    if (outAt_ == answer.size()) {
        why |= reason::kEnd;
        out_.pop_front();
        outAt_ = 0;
    } else if (n == size) {
        why |= reason::kRequestCount;
    }
    return piece_;
}

}  // namespace zarvo::vxi11
