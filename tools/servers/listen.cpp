// SPDX-License-Identifier: MIT
// --bind and --port of the servers, and the warning for an address beyond the loopback.
#include "tools/servers/listen.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace zarvo::servers {

void AddListenOptions(CLI::App& command, std::string& bind, int& port) {
    command.add_option("--bind", bind, "address to listen on")->capture_default_str();
    command.add_option("--port", port, "port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
}

bool IsLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "localhost" || address == "::1";
}

void WarnBeyondLoopback(const std::string& program, const std::string& bind) {
    if (IsLoopback(bind)) return;
    std::cout << program << ": listening on " << bind
              << ", beyond this machine's loopback: whoever reaches this address can drive the "
                 "instrument"
              << std::endl;
}

}  // namespace zarvo::servers
