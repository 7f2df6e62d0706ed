// SPDX-License-Identifier: MIT
// A record's frames for the page: the boxes' labels and the table's words.
#include "tools/servers/view/decode_event.h"

#include "tools/analysis/decode_record.h"

namespace zarvo::view {

namespace {

namespace decode = ::analysis::decode;

std::string Label(const decode::Frame& f) {
    switch (f.kind) {
        case decode::Kind::Start:
            return f.value != 0 ? "Sr" : "S";
        case decode::Kind::Stop:
            return "P";
        case decode::Kind::Ack:
            return "A";
        case decode::Kind::Nack:
            return "N";
        case decode::Kind::Address: {
            std::string value = analysis::FrameValue(f);
            return value.substr(0, value.find(' ')) + (f.read ? " R" : " W");
        }
        case decode::Kind::Error:
            return std::string(f.error);
        case decode::Kind::Data:
            break;
    }
    if (analysis::Printable(f)) return std::string(1, static_cast<char>(f.value));
    return analysis::FrameValue(f);
}

}  // namespace

nlohmann::json DecodeEvent(const decode::BusSetup& setup, const std::string& spec,
                           const cli::Record& volts) {
    const decode::Result result = analysis::DecodeFrames(setup, volts);
    nlohmann::json frames = nlohmann::json::array();
    for (const decode::Frame& f : result.frames) {
        frames.push_back({{"start", f.start},
                          {"end", f.end},
                          {"kind", decode::KindName(f.kind)},
                          {"value", f.value},
                          {"label", Label(f)},
                          {"text", analysis::FrameText(f)},
                          {"error", f.error.empty() ? nlohmann::json() : nlohmann::json(f.error)}});
    }
    return {{"spec", spec}, {"message", result.message}, {"frames", std::move(frames)}};
}

}  // namespace zarvo::view
