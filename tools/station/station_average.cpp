// SPDX-License-Identifier: MIT
// Averaging on the station: the mean of the last N records with the same settings, reset when
// the settings move.
#include <span>

#include "tools/station/station.h"

namespace zarvo::station {

void Station::Average(TakenRecord& record) {
    const int depth = controls_.average;
    if (depth < analysis::kMinAverage || record.traces.empty() || record.traces.size() > 2) {
        averageKey_ = {};
        return;
    }
    // Records average only with others of the same rate, trigger point, channels and ranges;
    // auto ranging moves a range without a settings request, which starts the average again.
    std::array<double, 8> key = {record.rate, static_cast<double>(record.pre),
                                 static_cast<double>(depth), static_cast<double>(record.size())};
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        key[4 + 2 * k] = record.traces[k].channel;
        key[5 + 2 * k] = record.traces[k].range;
    }
    if (!averager_.Fits(depth, record.traces.size(), record.size())) {
        averager_.Configure(depth, record.traces.size(), record.size());
    } else if (key != averageKey_) {
        averager_.Reset();
    }
    averageKey_ = key;
    std::array<std::span<const std::uint16_t>, 2> words;
    for (std::size_t k = 0; k < record.traces.size(); ++k) words[k] = record.traces[k].words;
    if (!averager_.Add(std::span(words.data(), record.traces.size()))) return;
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        averager_.Mean(k, record.traces[k].words);
    }
    record.averaged = averager_.Held();
    record.averageOf = depth;
}

void Station::SettingsMoved(const nlohmann::json& before) {
    auto withoutAcquire = [](nlohmann::json settings) {
        if (settings.is_object()) settings.erase("acquire");
        return settings;
    };
    if (withoutAcquire(before) == withoutAcquire(desired_)) return;
    averager_.Reset();
    averageKey_ = {};
    // Said on the page only when it threw records away.
    figures_.Reset(figures_.Records() > 0 ? "statistics reset: the settings changed" : "");
}

}  // namespace zarvo::station
