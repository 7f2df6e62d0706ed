// SPDX-License-Identifier: MIT
// zarvo serve on the command line: the subcommand and its options.
#include <CLI/CLI.hpp>

#include "tools/servers/listen.h"
#include "tools/servers/scpi/serve.h"

namespace zarvo::scpi {

CLI::App* AddServeCommand(CLI::App& app, ServeOptions& options) {
    CLI::App* serve =
        app.add_subcommand("serve", "serve the instrument to SCPI programs (VISA) over TCP");
    servers::AddListenOptions(*serve, options.bind, options.port);
    serve
        ->add_option("--idle-timeout", options.idleTimeout,
                     "seconds of silence after which the controlling client gives way to a "
                     "new connection")
        ->check(CLI::Range(0.0, 1e6))
        ->capture_default_str();
    serve->add_flag("--vxi11,!--no-vxi11", options.vxi11,
                    "serve VXI-11 (VISA resource TCPIP::HOST::INSTR) beside the raw socket; on "
                    "by default, where an RPC port mapper (rpcbind) runs");
    return serve;
}

}  // namespace zarvo::scpi
