// SPDX-License-Identifier: MIT
// The figures log: one CSV row per record, the time of day and each channel's figures, as
// `zarvo monitor --log` appends them and the view's trend downloads them.
//
//   time,ch1_min_V,ch1_max_V,...,ch1_fall_s,ch2_min_V,...
//   2026-12-09T15:04:05.123Z,-1.002,0.998,...
#pragma once

#include <string>
#include <vector>

#include "tools/analysis/stats.h"

namespace zarvo::analysis {

// "2026-12-09T15:04:05.123Z" for milliseconds since the epoch.
std::string UtcStamp(double epochMs);
// The header line, with its newline, for these channels.
std::string LogHeader(const std::vector<int>& channels);
// One row with its newline: `figures` holds one entry per channel of the header.
std::string LogRow(const std::string& stamp, const std::vector<analysis::Stats>& figures);

}  // namespace zarvo::analysis
