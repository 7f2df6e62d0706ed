// SPDX-License-Identifier: MIT
// The record CSV, written and read back: a header "time_s,ch1_V[,ch2_V]" (a column behind a
// probe says its factor, "ch1_V_x10"; with a first column "record" when several records share
// the file), then one row per sample, the time from the trigger point.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "tools/core/record.h"

namespace zarvo::files {

// CSV with a header line: time in seconds, then volts per channel. A record number other
// than 0 adds a first column `record` holding it, so that several records can share a file.
void WriteCsv(std::ostream& out, const core::Record& record, long number = 0);
void WriteCsvHeader(std::ostream& out, const core::Record& record, bool numbered);
void WriteCsvRows(std::ostream& out, const core::Record& record, long number);

// The whole file for one record, unnumbered (the row of the formats table).
std::string EncodeCsv(const core::Record& record);

// The first record of a CSV the tool wrote. The sample rate comes from the time column, which
// must advance in equal steps, and the trigger point is the first sample at time 0; a
// FileError names `name` with what is wrong.
core::Record DecodeCsv(std::string_view bytes, const std::string& name);

}  // namespace zarvo::files
