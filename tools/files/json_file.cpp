// SPDX-License-Identifier: MIT
// Records as one JSON document: the settings they were taken with and each channel's figures.
#include "tools/files/json_file.h"

#include <nlohmann/json.hpp>

#include "tools/analysis/figures.h"

namespace zarvo::cli {

namespace {

void AddFrames(nlohmann::json& entry, const ::analysis::decode::Result& result) {
    namespace decode = ::analysis::decode;
    nlohmann::json frames = nlohmann::json::array();
    for (const decode::Frame& f : result.frames) {
        frames.push_back({{"time_s", f.start},
                          {"end_s", f.end},
                          {"bus", decode::BusName(f.bus)},
                          {"kind", decode::KindName(f.kind)},
                          {"value", f.value},
                          {"read", f.read},
                          {"error", f.error.empty() ? nlohmann::json() : nlohmann::json(f.error)}});
    }
    entry["frames"] = std::move(frames);
    entry["decode_message"] =
        result.message.empty() ? nlohmann::json() : nlohmann::json(result.message);
}

}  // namespace

void WriteJson(std::ostream& out, const Obtained& obtained, const MeasureSettings& settings,
               const std::vector<Record>& records, long firstNumber,
               std::span<const ::analysis::decode::Result> decoded) {
    using nlohmann::json;
    json channels = json::array();
    for (int ch : obtained.channels) {
        const ChannelSettings& c = settings.channel[static_cast<std::size_t>(ch - 1)];
        channels.push_back({{"channel", ch},
                            {"range_V", obtained.range[static_cast<std::size_t>(ch - 1)]},
                            {"coupling", c.coupling},
                            {"dc_level_V", c.dcLevel},
                            {"auto_range", settings.autoRange}});
    }
    json trigger = {
        {"source", settings.trigger}, {"slope", settings.slope}, {"timeout_s", settings.timeout}};
    if (!records.empty() && records.front().trigger.levelChannel != 0) {
        trigger["level_V"] = records.front().trigger.level;
        trigger["level_channel"] = records.front().trigger.levelChannel;
    }
    json document = {{"settings",
                      {{"sample_rate_Hz", obtained.rate},
                       {"record_length", obtained.length},
                       {"pre_samples", obtained.pre},
                       {"post_samples", obtained.post},
                       {"channels", channels},
                       {"trigger", trigger}}},
                     {"records", json::array()}};
    for (std::size_t r = 0; r < records.size(); ++r) {
        const Record& record = records[r];
        json time = json::array();
        for (std::size_t i = 0; i < record.size(); ++i) time.push_back(record.TimeOf(i));
        json entry = {{"record", firstNumber + static_cast<long>(r)}, {"time_s", time}};
        json figures = json::object();
        for (const Trace& t : record.traces) {
            entry["ch" + std::to_string(t.channel) + "_V"] = t.volts;
            figures["ch" + std::to_string(t.channel)] =
                FigureValues(Analyse(t.volts, record.sampleRate));
        }
        entry["figures"] = std::move(figures);
        if (r < decoded.size()) AddFrames(entry, decoded[r]);
        document["records"].push_back(std::move(entry));
    }
    out << document.dump() << '\n';
}

}  // namespace zarvo::cli
