// SPDX-License-Identifier: MIT
// The decode options of capture and monitor: the setting checked before the instrument is
// opened, and the frames printed one per line.
#include "tools/cli/decode_option.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <iomanip>
#include <ostream>

#include "tools/analysis/decode_record.h"
#include "tools/core/numbers.h"
#include "tools/core/status.h"

namespace zarvo::cli {

void AddDecodeOptions(CLI::App& app, DecodeRequest& request, bool logic) {
    app.add_option("--decode", request.spec,
                   "decode a serial bus on the channels: uart[:baud=N:ch=1|2:bits=8:"
                   "parity=none|even|odd:stop=1|2:invert:threshold=V], i2c[:scl=1:sda=2], "
                   "spi[:clk=1:data=2:mode=0..3:lsb:bits=8]");
    app.add_option("--decode-out", request.csvPath,
                   "write the decoded frames to this CSV file (time_s,bus,kind,value,error)");
    if (logic) {
        app.add_flag("--logic", request.logic,
                     "a .sr file also holds the channels as logic lines D1/D2 at the decoder's "
                     "thresholds (implied by --decode)");
    }
}

std::optional<::analysis::decode::BusSetup> CheckDecode(const DecodeRequest& request,
                                                        const MeasureSettings& settings) {
    if (request.spec.empty()) {
        if (!request.csvPath.empty()) {
            throw ToolError("--decode-out needs --decode SPEC: give the bus to decode", 2);
        }
        return std::nullopt;
    }
    std::string error;
    const auto setup = ::analysis::decode::ParseBusSetup(request.spec, &error);
    if (!setup) throw ToolError("--decode " + request.spec + ": " + error, 2);
    int channels[2] = {0, 0};
    const int used = setup->Channels(channels);
    for (int k = 0; k < used; ++k) {
        const std::string ch = std::to_string(channels[k]);
        if (settings.channels != "both" && settings.channels != ch) {
            throw ToolError("--decode " + request.spec + " reads channel " + ch +
                                ", which is off: measure it with --channels " +
                                (used == 2 ? "both" : ch),
                            2);
        }
    }
    return setup;
}

zarvo::files::LogicThresholds ThresholdsOf(
    const ::analysis::decode::Result* result,
    const std::optional<::analysis::decode::BusSetup>& setup) {
    zarvo::files::LogicThresholds logic;
    for (int k = 0; k < 2; ++k) {
        if (result != nullptr && !std::isnan(result->threshold[k])) {
            logic.threshold[k] = result->threshold[k];
        } else if (setup) {
            logic.threshold[k] = setup->threshold;
        }
    }
    return logic;
}

void PrintFrames(std::ostream& out, std::ostream& why, const ::analysis::decode::Result& result,
                 const std::string& indent, const std::string& who) {
    if (result.frames.empty()) {
        why << who << "decode: " << result.message << '\n';
        return;
    }
    for (const ::analysis::decode::Frame& frame : result.frames) {
        out << indent << std::setw(12) << FormatSi(frame.start, "s", 6) << "  "
            << ::analysis::decode::BusName(frame.bus) << ' ' << analysis::FrameText(frame) << '\n';
    }
}

}  // namespace zarvo::cli
