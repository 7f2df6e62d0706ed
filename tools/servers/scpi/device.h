// SPDX-License-Identifier: MIT
// The instrument as every client's commands see it: the station that owns it, what it said
// about itself, the settings *RST returns to, and the figures of the newest record. One per
// server; the clients take turns, so nothing here is shared between threads.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tools/analysis/stats.h"
#include "tools/station/station.h"

namespace zarvo::scpi {

// What the commands take for the instrument's channels and memory when none answered: the
// channel suffixes, the channel checks and the bounds (:ACQuire:POINts? MAX) answer then as
// they do with one, so that a program learns of the missing instrument from the command that
// needs it (-241), not from a range that moved. The instrument of this line has two channels
// of 32760 samples.
constexpr int kChannelsWithoutInstrument = 2;
constexpr std::int32_t kMaxLengthWithoutInstrument = 32760;

class Device {
public:
    // Reads the identity and the start-up settings of an opened station.
    explicit Device(station::Station& station);

    station::Station& Station() { return station_; }
    // As the library said when the station opened the instrument (GetNrChannels,
    // GetMaxRecordLength); the fallbacks above without one.
    int Channels() const {
        return identity_.channels > 0 ? identity_.channels : kChannelsWithoutInstrument;
    }
    std::int32_t MaxLength() const {
        return identity_.maxLength > 0 ? identity_.maxLength : kMaxLengthWithoutInstrument;
    }
    // Zarvo,<model>,<serial number>,<library version>
    std::string Identification() const;
    const nlohmann::json& Startup() const { return startup_; }

    // A setting as the instrument took it (the station's read-back); -241 without an
    // instrument.
    nlohmann::json Setting(const std::string& key) const;
    // Applies settings through the station; a refusal (which changed nothing) is thrown as
    // -241 (no instrument), -200 (the library refused, with its status) or -221 (the
    // settings contradict each other). Returns the records completed before they took effect.
    std::uint64_t Apply(const nlohmann::json& settings);

    // The newest complete record; -230 when there is none yet, -241 without an instrument.
    std::shared_ptr<const station::TakenRecord> Record() const;
    // A channel of that record; -221 when the channel was off.
    static const station::TakenTrace& Trace(const station::TakenRecord& record, int channel);
    // The figures of a channel of the newest record, computed once per record.
    const analysis::Stats& Figures(int channel);

    // Why the instrument cannot be used, from the station's status: nullopt while it is found
    // and not lost; else the station's sentence for it, or `otherwise` when it has none.
    static std::optional<std::string> Missing(const nlohmann::json& status,
                                              const std::string& otherwise);

    // The frequency the square-wave output takes when it is switched on.
    double generatorHz = 1000;
    // Back to the start-up's frequency, 1 kHz when the output started switched off.
    void RestoreGenerator();

private:
    void CheckFound() const;

    station::Station& station_;
    station::Station::Identity identity_;
    nlohmann::json startup_;
    struct Cached {
        std::uint64_t seq = 0;
        int channel = 0;
        analysis::Stats stats;
    };
    std::vector<Cached> cached_;  // one per channel asked for
};

}  // namespace zarvo::scpi
