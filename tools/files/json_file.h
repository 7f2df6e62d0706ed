// SPDX-License-Identifier: MIT
// Records with the settings they were taken with, as JSON for programs.
#pragma once

#include <ostream>
#include <span>
#include <vector>

#include "tools/analysis/decode/frames.h"
#include "tools/core/measure_settings.h"
#include "tools/core/record.h"

namespace zarvo::cli {

// One JSON document: "settings" (what the instrument took: sample rate, record length, pre-
// and post-trigger samples, per channel range, coupling and DC level, the trigger) and
// "records", each with its number, the time axis in seconds from the trigger point, the
// volts per channel and the figures per channel ("figures": {"ch1": {"min_V", ..., "period_s",
// "duty_pct", "rise_s", "fall_s"}}, null where the record does not show one).
// `firstNumber` numbers the first of `records`. With `decoded` (one per record), each record
// also holds "frames": [{"time_s", "end_s", "bus", "kind", "value", "read", "error"}] and
// "decode_message", the decoder's reason when it found none.
void WriteJson(std::ostream& out, const Obtained& obtained, const MeasureSettings& settings,
               const std::vector<Record>& records, long firstNumber = 1,
               std::span<const ::analysis::decode::Result> decoded = {});

}  // namespace zarvo::cli
