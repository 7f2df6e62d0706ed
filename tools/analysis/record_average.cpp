// SPDX-License-Identifier: MIT
// The running average of the last N records: a ring of sample words and exact running sums.
#include "tools/analysis/record_average.h"

#include <algorithm>

namespace zarvo::analysis {

void RecordAverager::Configure(int depth, std::size_t channels, std::size_t length) {
    depth_ = std::clamp(depth, kMinAverage, kMaxAverage);
    channels_ = channels;
    length_ = length;
    ring_.assign(static_cast<std::size_t>(depth_) * channels * length, 0);
    sums_.assign(channels * length, 0);
    held_ = 0;
    next_ = 0;
}

void RecordAverager::Reset() {
    std::fill(sums_.begin(), sums_.end(), 0u);
    held_ = 0;
    next_ = 0;
}

bool RecordAverager::Add(std::span<const std::span<const std::uint16_t>> record) {
    if (depth_ == 0 || record.size() != channels_) return false;
    for (const auto& words : record) {
        if (words.size() != length_) return false;
    }
    const bool full = held_ == depth_;
    const std::size_t width = channels_ * length_;
    std::uint16_t* slot = ring_.data() + static_cast<std::size_t>(next_) * width;
    std::uint32_t* sum = sums_.data();
    for (const auto& words : record) {
        for (std::size_t i = 0; i < length_; ++i) {
            // The sum holds the slot's old word, so taking it away never goes below zero.
            if (full) sum[i] -= slot[i];
            sum[i] += words[i];
            slot[i] = words[i];
        }
        sum += length_;
        slot += length_;
    }
    next_ = (next_ + 1) % depth_;
    held_ = std::min(held_ + 1, depth_);
    return true;
}

bool RecordAverager::Mean(std::size_t channel, std::span<std::uint16_t> out) const {
    if (held_ == 0 || channel >= channels_ || out.size() != length_) return false;
    const auto n = static_cast<std::uint32_t>(held_);
    const std::uint32_t* sum = sums_.data() + channel * length_;
    for (std::size_t i = 0; i < length_; ++i) {
        out[i] = static_cast<std::uint16_t>((sum[i] + n / 2) / n);
    }
    return true;
}

}  // namespace zarvo::analysis
