// SPDX-License-Identifier: MIT
// zarvo view: the instrument's screen in a browser, served from this machine.
#pragma once

#include <string>
#include <vector>

namespace zarvo::view {

struct ViewOptions {
    std::string bind = "127.0.0.1";
    int port = 8080;           // 0: any free port (the address printed says which)
    std::string settingsPath;  // settings to start with (a settings file); empty: the defaults
    std::string openPath;      // a saved record (csv, sr, npz) to show instead of measuring
    std::vector<std::string> referencePaths;  // saved records drawn as R1 and R2
};

// Serves until Ctrl-C or SIGTERM, then releases the instrument; returns the exit status. A
// saved record or reference that cannot be read stops it before serving (ToolError, exit
// status 2).
int RunView(const ViewOptions& options);

}  // namespace zarvo::view
