// SPDX-License-Identifier: MIT
// A record as CSV rows: time from the trigger point, then volts per channel.
#pragma once

#include <ostream>

#include "tools/core/record.h"

namespace zarvo::files {

// CSV with a header line: time in seconds, then volts per channel. A record number other
// than 0 adds a first column `record` holding it, so that several records can share a file.
void WriteCsv(std::ostream& out, const core::Record& record, long number = 0);
void WriteCsvHeader(std::ostream& out, const core::Record& record, bool numbered);
void WriteCsvRows(std::ostream& out, const core::Record& record, long number);

}  // namespace zarvo::files
