// SPDX-License-Identifier: MIT
// Fuzzing VXI-11 as the network delivers it: byte streams of three client connections (two on
// the core channel, one on the abort channel) cut into records and calls as zarvo serve cuts
// them, over the simulated instrument in a station that takes a record when the input says.
//
// Input layout: chunks one after another, each [op: 1 byte][length: 2 bytes][bytes]:
//   op & 3      the connection (3: none, the station takes a record instead)
//   op & 4      the bytes as one record, framed here with its record mark (else the bytes are
//               the stream itself, marks and all)
//   op & 8      the waiting calls are tried again after the chunk
//
// What is checked, besides what the sanitizers catch: every reply is an RPC reply to the
// call's own xid; a connection is given up only for a record over 1 MiB or a record that is
// no call, and then takes nothing more; nothing waits longer than the input.
#include <stdlib.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "tools/servers/scpi/command_tree.h"
#include "tools/servers/scpi/commands.h"
#include "tools/servers/vxi11/core.h"
#include "tools/servers/vxi11/tests/rpc_client.h"

using namespace zarvo::fuzz;
using namespace zarvo;

namespace {

struct Instrument {
    station::Station station{station::Station::Mode::Synchronous};
    std::unique_ptr<scpi::Device> device;
    scpi::CommandTree tree{scpi::CommandRows()};
    nlohmann::json desired;  // the settings asked for after the start
};

Instrument& TheInstrument() {
    static Instrument* in = [] {
        // Who controls the instrument is logged on every input: nothing to read here.
        std::cerr.rdbuf(nullptr);
        auto* i = new Instrument;
        i->station.Open();
        i->device = std::make_unique<scpi::Device>(i->station);
        i->device->Apply(i->device->Startup());
        i->desired = i->station.Desired();
        return i;
    }();
    return *in;
}

struct Wire {
    vxi11::Connection connection;
    vxi11::RecordReader reader;
    bool closed = false;
};

void CheckReply(const std::string& call, const vxi11::Outcome& o) {
    if (o.kind != vxi11::Outcome::Kind::Reply) return;
    const vxi11::test::Reply r = vxi11::test::DecodeReply(o.reply);
    if (o.reply.size() < 12) Fail("reply too short", static_cast<long long>(o.reply.size()));
    if (call.size() >= 4 && o.reply.compare(0, 4, call, 0, 4) != 0) Fail("reply xid", r.xid);
}

void Feed(vxi11::Core& core, Wire& w) {
    std::string record;
    while (!w.closed) {
        if (w.connection.waiting) {
            const vxi11::Outcome o = core.Retry(w.connection);
            if (o.kind == vxi11::Outcome::Kind::Waits) return;
        }
        const auto got = w.reader.Next(record);
        if (got == vxi11::RecordReader::Got::Nothing) return;
        if (got == vxi11::RecordReader::Got::TooLong) {
            w.closed = true;
            return;
        }
        const vxi11::Outcome o = core.Call(w.connection, record);
        if (o.kind == vxi11::Outcome::Kind::Close) w.closed = true;
        CheckReply(record, o);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The simulated port's claim in a folder of its own; the machine on virtual time, so
    // that the driver's relay waits cost no real time.
    static char pattern[] = "/tmp/zarvo-fuzz-XXXXXX";
    if (mkdtemp(pattern) != nullptr) setenv("TMPDIR", pattern, 1);
    setenv("ZARVO_SIM", "time=virtual", 1);
    TheInstrument();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Instrument& in = TheInstrument();
    // Each input starts from the start-up settings (applied again only when the previous
    // input changed some: applying them costs more than most inputs), with no one in control.
    if (in.station.Desired() != in.desired) {
        in.device->Apply(in.device->Startup());
        in.desired = in.station.Desired();
    }
    scpi::Control control(60);
    vxi11::Core core(*in.device, in.tree, control, 1000);
    Wire wires[3];
    for (int i = 0; i < 3; ++i) {
        wires[i].connection.id = i + 1;
        wires[i].connection.peer = "127.0.0.1:" + std::to_string(40000 + i);
        wires[i].connection.host = "127.0.0.1";
        wires[i].connection.abortChannel = i == 2;
    }
    Input input(data, size);
    while (!input.Empty()) {
        const std::uint8_t op = input.Byte();
        const std::string bytes = input.Text(input.U16());
        if ((op & 3) == 3) {
            in.station.Step();
            core.Pump();
            continue;
        }
        Wire& w = wires[op & 3];
        if (w.closed) continue;
        if ((op & 4) != 0) {
            std::string framed;
            vxi11::AppendRecord(framed, bytes);
            w.reader.Add(framed);
        } else {
            w.reader.Add(bytes);
        }
        Feed(core, w);
        if ((op & 8) != 0) {
            for (Wire& other : wires) Feed(core, other);
        }
    }
    for (Wire& w : wires) core.Closed(w.connection);
    if (core.Links() != 0) Fail("links left", static_cast<long long>(core.Links()));
    return 0;
}
