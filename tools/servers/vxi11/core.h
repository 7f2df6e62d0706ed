// SPDX-License-Identifier: MIT
// VXI-11's procedures over the SCPI command tree: the core channel (links, write, read, status
// byte, trigger, clear, remote and local, locks) and the abort channel, for calls that have
// been cut out of their connection's stream. Sockets are the caller's: a call goes in as a
// record and its reply comes out as one, at once or, for a call that waits, from a later
// Retry. Nothing here blocks.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "tools/servers/scpi/command_tree.h"
#include "tools/servers/scpi/control.h"
#include "tools/servers/scpi/device.h"
#include "tools/servers/vxi11/link.h"

namespace zarvo::vxi11 {

// The most a device_write may carry, told to each link.
constexpr std::uint32_t kMaxReceive = 64 * 1024;
// The most one device_read answers.
constexpr std::uint32_t kMaxRead = 512 * 1024;
constexpr std::size_t kMaxLinksPerConnection = 16;
constexpr std::size_t kMaxLinks = 64;

struct Outcome {
    enum class Kind { Reply, Waits, Close } kind = Kind::Reply;
    std::string reply;  // the reply message (Kind::Reply), without its record mark
};

class Core {
public:
    Core(scpi::Device& device, const scpi::CommandTree& tree, scpi::Control& control,
         std::uint16_t abortPort)
        : device_(device), tree_(tree), control_(control), abortPort_(abortPort) {}
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // A call from `connection`; the connection must have no call waiting. Kind::Close: the
    // record is no RPC call, and there is nothing to answer it with.
    Outcome Call(Connection& connection, std::string_view record);
    // The connection's waiting call again: answered now, or still waiting.
    Outcome Retry(Connection& connection);
    // The connection has closed: its links are destroyed, the instrument freed if one of them
    // controlled it.
    void Closed(Connection& connection);
    // Runs the links whose client waits for an operation (*OPC? after :SINGle).
    void Pump();
    // Milliseconds the loop may sleep before a waiting client or call needs looking at.
    int Patience() const;
    std::size_t Links() const { return links_.size(); }

private:
    using Reply = std::optional<std::string>;  // nullopt: the call waits

    Reply Run(Connection& c, WaitingCall& w);
    Reply CreateLink(Connection& c, WaitingCall& w);
    Reply Write(Link& link, WaitingCall& w);
    Reply Read(Link& link, WaitingCall& w);
    Reply Generic(Link& link, WaitingCall& w);
    Reply Abort(Connection& c, WaitingCall& w);
    // The link of this id, when `c` made it.
    Link* Own(const Connection& c, std::int32_t id);
    // Control for the link: taken when free (or from a client gone or silent), else waited
    // for as long as the call's lock time-out asks when it asked to wait. nullopt: the link
    // controls; otherwise an error number to answer, or 0 when the call waits.
    std::optional<std::int32_t> NeedControl(Link& link, const WaitingCall& w);
    void Destroy(std::int32_t id, const char* how);

    scpi::Device& device_;
    const scpi::CommandTree& tree_;
    scpi::Control& control_;
    std::uint16_t abortPort_;
    std::map<std::int32_t, std::unique_ptr<Link>> links_;
    std::int32_t nextId_ = 1;
};

}  // namespace zarvo::vxi11
