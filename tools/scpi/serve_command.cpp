#include "tools/scpi/serve.h"

namespace zarvo::scpi {

CLI::App* AddServeCommand(CLI::App& app, ServeOptions& options) {
    CLI::App* serve =
        app.add_subcommand("serve", "serve the instrument to SCPI programs (VISA) over TCP");
    serve->add_option("--bind", options.bind, "address to listen on")->capture_default_str();
    serve->add_option("--port", options.port, "port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    serve
        ->add_option("--idle-timeout", options.idleTimeout,
                     "seconds of silence after which the controlling client gives way to a "
                     "new connection")
        ->check(CLI::Range(0.0, 1e6))
        ->capture_default_str();
    return serve;
}

}  // namespace zarvo::scpi
