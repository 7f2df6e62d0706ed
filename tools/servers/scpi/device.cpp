// SPDX-License-Identifier: MIT
// The instrument as the SCPI clients see it: the station, its identity and the newest figures.
#include "tools/servers/scpi/device.h"

#include "tools/servers/scpi/errors.h"

#ifndef ZARVO_VERSION
#define ZARVO_VERSION "0"
#endif

namespace zarvo::scpi {

using json = nlohmann::json;

namespace {

// Why a command needs the instrument and there is none, when the station names no reason.
constexpr const char* kNoInstrument = "no instrument answers";

}  // namespace

Device::Device(station::Station& station) : station_(station) {
    identity_ = station_.ReadIdentity();
    // *RST returns to what the station started with; derived settings follow from the rest.
    const json settings = station_.State()["settings"];
    for (const auto& [key, value] : settings.items()) {
        const station::Setting* setting = station::FindSetting(key);
        if (setting != nullptr && !setting->derived && !value.is_null()) startup_[key] = value;
    }
    RestoreGenerator();
}

void Device::RestoreGenerator() {
    const double hz = startup_.value("generator", 0.0);
    generatorHz = hz > 0 ? hz : 1000;
}

std::string Device::Identification() const {
    // The exports tell the variants apart by their channels and acquisition memory.
    const std::string model = identity_.found
                                  ? std::to_string(Channels()) + "CH-" + std::to_string(MaxLength())
                                  : "NO-INSTRUMENT";
    return "Zarvo," + model + "," + std::to_string(identity_.serial) + "," + ZARVO_VERSION;
}

std::optional<std::string> Device::Missing(const json& status, const std::string& otherwise) {
    if (status.value("found", false) && !status.value("lost", false)) return std::nullopt;
    if (status.contains("error")) return status["error"].value("text", otherwise);
    return otherwise;
}

void Device::CheckFound() const {
    if (const auto why = Missing(station_.State()["status"], kNoInstrument)) {
        throw Refused(code::kHardwareMissing, *why);
    }
}

json Device::Setting(const std::string& key) const {
    const json state = station_.State();
    if (const auto why = Missing(state["status"], kNoInstrument)) {
        throw Refused(code::kHardwareMissing, *why);
    }
    const json& settings = state["settings"];
    const auto it = settings.find(key);
    if (it == settings.end() || it->is_null()) {
        throw Refused(code::kExecution, "the instrument cannot say its " + key);
    }
    return *it;
}

std::uint64_t Device::Apply(const json& settings) {
    std::uint64_t before = 0;
    const station::ApplyResult result = station_.ApplyCounting(settings, before);
    if (result.outcome == station::Outcome::Applied) return before;
    if (result.outcome == station::Outcome::AppliedLater) {
        throw Refused(code::kHardwareMissing,
                      "the instrument was lost; the library opens it again only in a new "
                      "process: start zarvo serve again");
    }
    // Refused, or the station closing: the body says why.
    const std::string sentence = result.body.value("error", "refused");
    const std::string status = result.body.value("status", "");
    if (status == "RC_NO_INSTRUMENT") throw Refused(code::kHardwareMissing, sentence);
    if (!status.empty()) throw Refused(code::kExecution, sentence);
    throw Refused(code::kSettingsConflict, sentence);
}

std::shared_ptr<const station::TakenRecord> Device::Record() const {
    auto record = station_.Latest();
    if (record != nullptr) return record;
    CheckFound();
    throw Refused(code::kDataStale, "no record has been taken yet");
}

const station::TakenTrace& Device::Trace(const station::TakenRecord& record, int channel) {
    for (const station::TakenTrace& t : record.traces) {
        if (t.channel == channel) return t;
    }
    throw Refused(code::kSettingsConflict,
                  "channel " + std::to_string(channel) + " was off in the last record");
}

const analysis::Stats& Device::Figures(int channel) {
    const auto record = Record();
    Cached* slot = nullptr;
    for (Cached& c : cached_) {
        if (c.channel == channel) slot = &c;
    }
    if (slot == nullptr) slot = &cached_.emplace_back(Cached{0, channel, {}});
    if (slot->seq == record->seq) return slot->stats;
    const station::TakenTrace& trace = Trace(*record, channel);
    slot->stats = analysis::Analyse(trace.Volts(), record->rate);
    slot->seq = record->seq;
    return slot->stats;
}

}  // namespace zarvo::scpi
