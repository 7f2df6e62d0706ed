// SPDX-License-Identifier: MIT
// Decoded serial-bus frames as CSV: time_s (the frame's start from the trigger point), bus,
// kind (start, address, data, ack, nack, stop, error), value ("0x48", "0x50 write"), error.
#pragma once

#include <ostream>

#include "tools/analysis/decode/frames.h"

namespace zarvo::files {

// A record number other than 0 adds a first column `record`, as the record CSV does, so that
// the frames of several records share one file.
void WriteFramesCsvHeader(std::ostream& out, bool numbered);
void WriteFramesCsvRows(std::ostream& out, const ::analysis::decode::Result& result, long number);

}  // namespace zarvo::files
