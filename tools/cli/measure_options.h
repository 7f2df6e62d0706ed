// SPDX-License-Identifier: MIT
// The measurement settings a person gives on the command line.
#pragma once

#include "tools/core/measure_settings.h"

namespace CLI {
class App;
}

namespace zarvo::cli {

// Declares the options on a subcommand; their checks reject values outside what the
// instrument can do before any call is made.
void AddMeasureOptions(CLI::App& app, core::MeasureSettings& settings);

}  // namespace zarvo::cli
