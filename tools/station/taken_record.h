// SPDX-License-Identifier: MIT
// One record as the station took it: the instrument's own sample words and what turns them
// into volts. Kept this way rather than in volts, a word is two bytes where a volt value is
// eight, so that a hundred full-length two-channel records stay near 13 MB.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/core/record.h"

namespace zarvo::station {

// The input ranges of every model, full scale in volts, smallest first. A saved record is shown
// and turned back into counts with no instrument to ask (the library reports its ranges only
// while one runs), so the ranges it was taken on are known here; the station's state reports
// the running instrument's own list (GetAvailableSensitivities).
inline constexpr double kInputRanges[] = {0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};

// Range and scale are at the probe tip: the input's times the probe factor.
struct TakenTrace {
    int channel = 1;
    double range = 0;  // full scale in volts
    double scale = 0;  // volts per count of (word - 0x8000), as the volt exports convert
    std::vector<std::uint16_t> words;
    double probe = 1;  // the probe factor

    // The code of a sample: 0 is 0 V, volts = code x scale.
    int CodeAt(std::size_t i) const { return static_cast<int>(words[i]) - 0x8000; }
    double VoltsAt(std::size_t i) const { return static_cast<double>(CodeAt(i)) * scale; }
    // Every sample in volts.
    std::vector<double> Volts() const;
};

struct TakenRecord {
    std::uint64_t seq = 0;  // counts the records of this process from 1
    double rate = 0;        // samples per second
    std::int32_t pre = 0;   // index of the trigger point
    bool forced = false;    // no trigger within the time-out: it was forced
    double readoutMs = 0;   // wall-clock time (ms since the epoch) of the readout
    core::TriggerInfo trigger;
    std::vector<TakenTrace> traces;  // the channels that were on, channel 1 first
    // With averaging on, the words are the mean of the last `averaged` records (of at most
    // `averageOf`) taken with the same settings; 0 and 0 without averaging.
    int averaged = 0;
    int averageOf = 0;
    // The statistics of the figures when this record was taken (FigureTracker::Texts), for
    // the page; null for a record read from a file.
    std::shared_ptr<const nlohmann::json> statistics;

    std::size_t size() const { return traces.empty() ? 0 : traces.front().words.size(); }
    // The record in volts, for figures and the file writers.
    core::Record Volts() const;
};

// A record read from a file (volts), as words on an input range: the file's range when it
// names one of the instrument's and holds the samples, else the smallest range that holds
// them (a CSV names none). Throws a files::FileError naming `name` when the samples go beyond
// the largest range.
TakenRecord TakenFromVolts(const core::Record& record, const std::string& name);

}  // namespace zarvo::station
