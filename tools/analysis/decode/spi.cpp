// SPDX-License-Identifier: MIT
// SPI: words read on the clock's sampling edges, transfers ended by pauses in the clock.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/analysis/decode/buses.h"

namespace zarvo::analysis::decode {

namespace {

// A pause in the clock longer than this many shortest clock periods ends a transfer: a word
// cut short by it is dropped, and the next word starts after it.
constexpr double kGapPeriods = 4.0;

struct Sample {
    double leading;  // the clock edge that began the bit
    double at;       // the edge at which the data line was read
    bool one;
};

}  // namespace

void DecodeSpi(const BusSetup& setup, const Record& record, const Line& clock, const Line& data,
               Result* result) {
    const std::uint8_t idle = (setup.mode & 2) != 0 ? 1 : 0;  // CPOL
    const bool onLeading = (setup.mode & 1) == 0;             // CPHA 0: read at the first edge
    std::vector<Sample> samples;
    double leading = 0.0;
    for (std::size_t i = 1; i < record.count; ++i) {
        if (clock.level[i] == clock.level[i - 1]) continue;
        const double edge = clock.EdgeAt(i);
        const bool isLeading = clock.level[i] != idle;
        if (isLeading) leading = edge;
        if (isLeading == onLeading) samples.push_back({leading, edge, data.level[i] != 0});
    }
    if (samples.empty()) {
        result->message = "no clock on channel " + std::to_string(setup.clk);
        return;
    }
    double shortest = INFINITY;
    for (std::size_t k = 1; k < samples.size(); ++k) {
        shortest = std::min(shortest, samples[k].at - samples[k - 1].at);
    }
    const double perClock = SamplesPerClock(clock, record.count);
    if (perClock < kLeastSamplesPerClock) {
        result->message = TooFewSamplesPerClock(perClock, record.rate);
        return;
    }
    const double gap = kGapPeriods * shortest;
    bool anyGap = false;
    for (std::size_t k = 1; k < samples.size() && !anyGap; ++k) {
        anyGap = samples[k].at - samples[k - 1].at > gap;
    }
    // A record that opens in the middle of a transfer cannot tell where its words begin:
    // they are read from the first pause on. Without any pause, from the first bit.
    bool aligned = !anyGap || samples[0].leading > gap;
    int count = 0;
    std::uint32_t word = 0;
    double wordStart = 0.0;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        if (k > 0 && samples[k].at - samples[k - 1].at > gap) {
            aligned = true;
            count = 0;
        }
        if (!aligned) continue;
        if (count == 0) {
            wordStart = samples[k].leading;
            word = 0;
        }
        const std::uint32_t bit = samples[k].one ? 1u : 0u;
        if (setup.lsbFirst) {
            word |= bit << count;
        } else {
            word = (word << 1) | bit;
        }
        if (++count == setup.bits) {
            Frame frame;
            frame.bus = Bus::Spi;
            frame.kind = Kind::Data;
            frame.value = word;
            frame.start = Seconds(wordStart, record);
            frame.end = Seconds(samples[k].at, record);
            result->frames.push_back(frame);
            count = 0;
        }
    }
    if (result->frames.empty()) {
        result->message = "no complete " + std::to_string(setup.bits) + "-bit word on channel " +
                          std::to_string(setup.data);
    }
}

}  // namespace zarvo::analysis::decode
