// SPDX-License-Identifier: MIT
// A sigrok session with logic channels: each analog trace CHn also as the logic channel Dn,
// its volts cut at a threshold with hysteresis as the serial-bus decoders cut them, so that
// sigrok's own decoders read the same bits as ours.
#pragma once

#include <optional>
#include <string>

#include "tools/core/record.h"

namespace zarvo::files {

// The level each channel is cut at (volts); none: the middle of the channel's swing.
struct LogicThresholds {
    std::optional<double> threshold[2];
};

std::string EncodeSigrokWithLogic(const cli::Record& record, const LogicThresholds& logic);
void WriteSigrokWithLogic(const std::string& path, const cli::Record& record,
                          const LogicThresholds& logic);

}  // namespace zarvo::files
