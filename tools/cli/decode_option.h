// SPDX-License-Identifier: MIT
// --decode SPEC, --decode-out FILE.csv and --logic: serial-bus frames from the records of
// capture and monitor.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "tools/analysis/decode/setup.h"
#include "tools/core/measure_settings.h"
#include "tools/core/record.h"
#include "tools/files/sigrok_logic.h"

namespace CLI {
class App;
}

namespace zarvo::cli {

struct DecodeRequest {
    std::string spec;     // "uart:baud=115200", ...; empty: no decoding
    std::string csvPath;  // the frames as CSV
    bool logic = false;   // D1/D2 in a .sr file (capture)
};

// Declares the options; `logic` only where records are written (capture).
void AddDecodeOptions(CLI::App& app, DecodeRequest& request, bool logic);

// The parsed setting (none without --decode), checked against the channels measured; a
// ToolError with exit status 2 and a sentence naming what is wrong, before the instrument is
// opened.
std::optional<::analysis::decode::BusSetup> CheckDecode(const DecodeRequest& request,
                                                        const MeasureSettings& settings);

// The thresholds the logic lines of a .sr file are cut at: those the decoder used, else the
// one given in the setting, else each line's middle.
zarvo::files::LogicThresholds ThresholdsOf(
    const ::analysis::decode::Result* result,
    const std::optional<::analysis::decode::BusSetup>& setup);

// One line per frame: its time from the trigger point and what it holds, indented by
// `indent`; a decoder that found nothing says why on `why` instead.
void PrintFrames(std::ostream& out, std::ostream& why, const ::analysis::decode::Result& result,
                 const std::string& indent, const std::string& who);

}  // namespace zarvo::cli
