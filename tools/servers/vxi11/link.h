// SPDX-License-Identifier: MIT
// A VXI-11 link and the connection it came by. A link is one SCPI dialogue, like a raw
// connection: its own error queue and status registers, the bytes written to it cut into
// lines, and the answers held until the client reads them, each answer one message (a read
// never runs from one answer into the next).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "tools/servers/scpi/client.h"
#include "tools/servers/scpi/control.h"
#include "tools/servers/scpi/line_reader.h"
#include "tools/servers/vxi11/protocol.h"
#include "tools/servers/vxi11/rpc.h"

namespace zarvo::vxi11 {

using scpi::Clock;

// A call that could not be answered at once (a read waiting for its answer, a write behind a
// waiting *OPC?, a lock held by another client); the calls after it on the connection wait
// behind it.
struct WaitingCall {
    CallHeader header;
    Clock::time_point ioDeadline{};
    Clock::time_point lockDeadline{};
    std::int32_t link = 0;
    std::int32_t flags = 0;
    CreateLinkParms create;
    WriteParms write;
    ReadParms read;
};

struct Connection {
    int id = 0;
    std::string peer;           // "127.0.0.1:40114"
    std::string host;           // "127.0.0.1"
    bool abortChannel = false;  // serves device_abort instead of the core channel
    // Whether the client has closed its side; empty: it has not.
    std::function<bool()> hungUp;
    std::optional<WaitingCall> waiting;
};

class Link final : public scpi::Controller {
public:
    // Answers held back from a client that writes faster than it reads: the client starts no
    // further message while this much is unread.
    static constexpr std::size_t kBudget = 1 << 20;

    Link(std::int32_t id, Connection& connection, scpi::Device& device,
         const scpi::CommandTree& tree)
        : id_(id), connection_(connection), client_(device, tree) {}

    std::string Name() const override {
        return "VXI-11 link " + std::to_string(id_) + " of " + connection_.peer;
    }
    Clock::time_point Heard() const override { return heard_; }
    bool Gone() const override { return connection_.hungUp && connection_.hungUp(); }
    // Another client takes control: what this link had written and not read is dropped.
    void LetGo() override;

    std::int32_t Id() const { return id_; }
    const Connection& Owner() const { return connection_; }
    void Hear() { heard_ = Clock::now(); }

    // Bytes of a device_write; `end` ends the message (a line without its line feed).
    void Write(std::string_view data, bool end);
    // Runs the client while the unread answers stay under the budget.
    void Pump();
    // device_clear: input, output and the message being run (a waiting *OPC?) are dropped.
    void Clear();
    // The client has lines it has not run, or waits for an operation.
    bool Busy() const { return client_.Busy(); }
    bool Waiting() const { return client_.Waiting(); }
    // The status byte, with bit 4 (message available) while an answer is unread.
    std::uint8_t StatusByte() const;

    bool HasOutput() const { return !out_.empty(); }
    // Up to `size` bytes of the oldest answer, stopping after `term` when it is given; the
    // reason bits of the piece. The piece stays valid until the next call.
    std::string_view Read(std::uint32_t size, std::optional<char> term, std::int32_t& why);

    bool locked = false;   // device_lock held
    bool aborted = false;  // device_abort came for the call waiting on this link

private:
    std::int32_t id_;
    Connection& connection_;
    scpi::Client client_;
    scpi::LineReader reader_;
    bool partial_ = false;  // the last byte written was not a line feed
    std::deque<std::string> out_;
    std::size_t outAt_ = 0;     // bytes of out_.front() read
    std::size_t outBytes_ = 0;  // unread bytes in out_
    std::string piece_;
    Clock::time_point heard_ = Clock::now();
};

}  // namespace zarvo::vxi11
