// SPDX-License-Identifier: MIT
// The mean of the last N records, sample by sample, over the instrument's 16-bit sample words.
//
// A ring holds the last N records' words and a running sum per sample: a new record adds its
// words and takes away those of the record it replaces, so each record costs one pass over
// its samples however deep the average is, and nothing is allocated once the ring is sized.
// Sums of words are exact (256 x 65535 fits in 32 bits), so the average never drifts. The
// converter's 8 bits sit in the high byte of a word, which leaves the low byte for the
// fractions of a count that the mean brings out of the noise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zarvo::analysis {

inline constexpr int kMinAverage = 2;
inline constexpr int kMaxAverage = 256;

class RecordAverager {
public:
    // Sizes the ring for `depth` records (kMinAverage..kMaxAverage) of `channels` traces of
    // `length` samples and empties it. The only call that allocates.
    void Configure(int depth, std::size_t channels, std::size_t length);
    // Forgets the records held (the ring keeps its size).
    void Reset();
    // Whether the ring is sized for this shape of record.
    bool Fits(int depth, std::size_t channels, std::size_t length) const {
        return depth == depth_ && channels == channels_ && length == length_;
    }

    // Adds one record, `channels` spans of `length` words each, replacing the oldest once the
    // ring is full. False (nothing changed) when the shape differs from the configured one.
    bool Add(std::span<const std::span<const std::uint16_t>> record);
    // The mean word of each sample of `channel` over the records held, rounded to the nearest.
    // False when nothing is held or `out` is not `length` long.
    bool Mean(std::size_t channel, std::span<std::uint16_t> out) const;

    int Depth() const { return depth_; }
    int Held() const { return held_; }

private:
    int depth_ = 0;
    std::size_t channels_ = 0;
    std::size_t length_ = 0;
    int held_ = 0;
    int next_ = 0;                     // the slot the next record goes to
    std::vector<std::uint16_t> ring_;  // depth x channels x length words
    std::vector<std::uint32_t> sums_;  // channels x length
};

}  // namespace zarvo::analysis
