// SPDX-License-Identifier: MIT
// zarvo serve: the instrument as a SCPI instrument on the network (raw socket, one command
// line per line feed), for VISA programs.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace zarvo::scpi {

struct ServeOptions {
    std::string bind = "127.0.0.1";
    int port = 5025;  // 0: any free port (the address printed says which)
    // A client that has sent nothing for this long gives way to a new connection.
    double idleTimeout = 60;
};

// The serve subcommand with its options.
CLI::App* AddServeCommand(CLI::App& app, ServeOptions& options);

// Serves until Ctrl-C or SIGTERM, then releases the instrument; returns the exit status.
int RunServe(const ServeOptions& options);

}  // namespace zarvo::scpi
