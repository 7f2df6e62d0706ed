// SPDX-License-Identifier: MIT
// Where the tool's servers (zarvo view, zarvo serve) listen: their --bind and --port options,
// and the warning when the address reaches beyond this machine.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace zarvo::servers {

// --bind ADDRESS and --port N (0: any free port) on a server's subcommand.
void AddListenOptions(CLI::App& command, std::string& bind, int& port);

bool IsLoopback(const std::string& address);

// Prints, for an address beyond the loopback, that whoever reaches it can drive the
// instrument ("zarvo view: listening on 0.0.0.0, beyond ...").
void WarnBeyondLoopback(const std::string& program, const std::string& bind);

}  // namespace zarvo::servers
