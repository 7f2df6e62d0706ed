// SPDX-License-Identifier: MIT
// Announcing the instrument on the network (DNS-SD over multicast DNS, through the avahi
// daemon): _vxi-11._tcp and _scpi-raw._tcp under the instrument's identity, so that discovery
// programs list it. Only for an address beyond the loopback; without a daemon, or without
// avahi built in, the server says so once and serves as before.
#pragma once

#include <cstdint>
#include <memory>

#include "tools/servers/scpi/serve.h"

namespace zarvo::vxi11 {

class Announcement {
public:
    virtual ~Announcement() = default;
};

// Starts the announcement (vxi11Port 0: the raw socket only); null when nothing is announced,
// having said why when the address is not the loopback.
std::unique_ptr<Announcement> Announce(const scpi::ServeContext& context, std::uint16_t vxi11Port);

}  // namespace zarvo::vxi11
