// zarvo view: the instrument's screen in a browser, served from this machine.
#pragma once

#include <string>

namespace zarvo::view {

struct ViewOptions {
    std::string bind = "127.0.0.1";
    int port = 8080;           // 0: any free port (the address printed says which)
    std::string settingsPath;  // settings to start with (a settings file); empty: the defaults
};

// Serves until Ctrl-C or SIGTERM, then releases the instrument; returns the exit status.
int RunView(const ViewOptions& options);

}  // namespace zarvo::view
