// SPDX-License-Identifier: MIT
// A record drawn as text for a terminal.
#pragma once

#include <string>

#include "tools/core/record.h"

namespace zarvo::cli {

// A text picture of the waveform for a terminal, `width` characters wide in all (labels and
// frame included) and `height` rows of trace, scaled to the span of the signal: its volts at
// the top and bottom rows, the time span on a line below; channel 1 in '*', channel 2 in 'o',
// '#' where they meet.
std::string Preview(const core::Record& record, int width = 80, int height = 14);

}  // namespace zarvo::cli
