// SPDX-License-Identifier: MIT
// --settings FILE on the measuring commands: a saved set-up, the command line winning over it.
#pragma once

#include <string>

#include "tools/core/measure_settings.h"

namespace CLI {
class App;
}

namespace zarvo::cli {

// --settings FILE on capture or monitor.
class SettingsFileOption {
public:
    // `decodeSpec`: where the file's decode setting goes when --decode is not given.
    SettingsFileOption(CLI::App& command, MeasureSettings& settings,
                       std::string* decodeSpec = nullptr);
    // After parsing: reads the file when one was given and takes from it what the command line
    // did not give. Throws ToolError (exit status 2) naming the file and the key.
    void Merge() const;

private:
    CLI::App& command_;
    MeasureSettings& settings_;
    std::string* decodeSpec_;
    std::string path_;
};

}  // namespace zarvo::cli
