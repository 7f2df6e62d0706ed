// SPDX-License-Identifier: MIT
// VXI-11 in zarvo serve: the core and abort channels' sockets in the server's poll loop,
// registered with the machine's RPC port mapper, and the announcement on the network.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/servers/scpi/serve.h"

namespace zarvo::vxi11 {

// The service beside the raw socket: VXI-11 when asked for and a port mapper runs (else one
// line on stderr says why it is off and how to get it), and the announcement of what is
// served. Adds the VISA resource it serves to `resources`.
std::unique_ptr<scpi::Service> MakeService(const scpi::ServeContext& context,
                                           std::vector<std::string>& resources);

}  // namespace zarvo::vxi11
