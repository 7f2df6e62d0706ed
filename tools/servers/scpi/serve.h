// SPDX-License-Identifier: MIT
// zarvo serve: the instrument as a SCPI instrument on the network (raw socket, one command
// line per line feed, and VXI-11 beside it when built in), for VISA programs.
#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zarvo::scpi {

class CommandTree;
class Control;
class Device;

struct ServeOptions {
    std::string bind = "127.0.0.1";
    int port = 5025;  // 0: any free port (the address printed says which)
    // A client that has sent nothing for this long gives way to a new connection.
    double idleTimeout = 60;
    bool vxi11 = true;  // serve VXI-11 (TCPIP::HOST::INSTR) beside the raw socket
};

// A protocol served beside the raw socket from the same poll loop, on the same instrument,
// command tree and control.
class Service {
public:
    virtual ~Service() = default;
    // The sockets to wait on; may lower the time the loop sleeps (milliseconds).
    virtual void Prepare(std::vector<pollfd>& fds, int& timeoutMs) = 0;
    // Runs what the sockets brought and what has waited long enough; never blocks.
    virtual void Serve() = 0;
    // After the start-up line: what the service has to say once (announcing on the network).
    virtual void Started() {}
};

struct ServeContext {
    Device& device;
    const CommandTree& tree;
    Control& control;
    const ServeOptions& options;
    int rawPort;       // the raw socket's port as bound
    std::string host;  // what clients open: the bound address, or this machine's name
};

// Makes the service beside the raw socket, adding the VISA resources it serves; null when it
// serves nothing (it has said why).
using ServiceMaker =
    std::function<std::unique_ptr<Service>(const ServeContext&, std::vector<std::string>&)>;

// The serve subcommand with its options.
CLI::App* AddServeCommand(CLI::App& app, ServeOptions& options);

// Serves until Ctrl-C or SIGTERM, then releases the instrument; returns the exit status.
int RunServe(const ServeOptions& options, const ServiceMaker& beside = {});

}  // namespace zarvo::scpi
