// SPDX-License-Identifier: MIT
// The writers and readers of the binary formats (sigrok session, WAV, NumPy archive), the
// functions of their rows in record_files.h. Each encoder returns the whole file; each
// decoder checks what it reads and throws a FileError naming `name` with what is wrong
// (truncated, foreign, not a record).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/core/record.h"

namespace zarvo::files {

struct LogicThresholds;

class ZipWriter;

// The two zip formats fill an archive, in memory or on its way to a file. With `logic`, the
// sigrok session also holds each trace as a logic channel cut at its threshold.
void AddSigrok(ZipWriter& zip, const core::Record& record);
void AddSigrok(ZipWriter& zip, const core::Record& record, const LogicThresholds* logic);
core::Record DecodeSigrok(std::string_view bytes, const std::string& name);

std::string EncodeWav(const core::Record& record);

void AddNumpy(ZipWriter& zip, const core::Record& record);
core::Record DecodeNumpy(std::string_view bytes, const std::string& name);

// What every decoder checks before handing a record out: one or two distinct channels 1 and
// 2 of the same, non-zero length within kMaxReadSamples, finite volts, a positive sample
// rate and the trigger index inside the record.
void CheckDecoded(const core::Record& record, const std::string& name);

// The sample rate as the whole number of hertz the sigrok and WAV headers hold; a FileError
// (naming `format`) when the record has none or one too large for them.
std::uint32_t WholeHertz(double rate, const char* format);

}  // namespace zarvo::files
