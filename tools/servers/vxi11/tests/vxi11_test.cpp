// SPDX-License-Identifier: MIT
// VXI-11's procedures as a client meets them, without sockets: the calls go to the core as
// records, over the simulated instrument in a station that takes a record when told to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "tools/servers/scpi/command_tree.h"
#include "tools/servers/scpi/commands.h"
#include "tools/servers/vxi11/core.h"
#include "tools/servers/vxi11/tests/rpc_client.h"

namespace zarvo::vxi11 {
namespace {

using test::DecodeRead;
using test::DecodeReply;
using test::DecodeResult;
using test::EncodeCall;

struct Instrument {
    station::Station station{station::Station::Mode::Synchronous};
    std::unique_ptr<scpi::Device> device;
    scpi::CommandTree tree{scpi::CommandRows()};
    scpi::Control control;
    std::unique_ptr<Core> core;

    explicit Instrument(double idleTimeout = 60) : control(idleTimeout) {
        setenv("ZARVO_SIM", "serial=4711", 1);
        EXPECT_TRUE(station.Open());
        device = std::make_unique<scpi::Device>(station);
        core = std::make_unique<Core>(*device, tree, control, 1234);
    }
};

// A client connection with the calls of a VISA library.
struct Client {
    Core& core;
    Connection connection;
    std::uint32_t xid = 1;

    Client(Core& c, int id) : core(c) {
        connection.id = id;
        connection.peer = "127.0.0.1:" + std::to_string(40000 + id);
        connection.host = "127.0.0.1";
    }
    ~Client() { core.Closed(connection); }

    template <class Args>
    Outcome Call(std::uint32_t procedure, Args args) {
        return core.Call(connection, EncodeCall(xid++, kCoreProgram, kVersion, procedure, args));
    }
    std::string Results(const Outcome& o) {
        EXPECT_EQ(o.kind, Outcome::Kind::Reply);
        const test::Reply r = DecodeReply(o.reply);
        EXPECT_TRUE(r.accepted);
        EXPECT_EQ(r.stat, SUCCESS);
        return r.results;
    }
    std::int32_t Error(const Outcome& o) {
        std::int32_t error = -1;
        EXPECT_TRUE(DecodeResult(Results(o), error));
        return error;
    }
    CreateLinkResp Link(bool lock = false) {
        CreateLinkResp r;
        EXPECT_TRUE(DecodeResult(
            Results(Call(proc::kCreateLink, CreateLinkParms{7, lock, 0, "inst0"})), r));
        return r;
    }
    WriteResp Write(std::int32_t link, const std::string& data, std::int32_t flags = flag::kEnd,
                    std::uint32_t lockTimeout = 0) {
        WriteResp r{-1, 0};
        EXPECT_TRUE(DecodeResult(
            Results(Call(proc::kWrite, WriteParms{link, 1000, lockTimeout, flags, data})), r));
        return r;
    }
    // device_read; error -1 while it waits.
    std::int32_t Read(std::int32_t link, std::uint32_t size, std::string& data, std::int32_t& why,
                      std::uint32_t ioTimeout = 0, std::int32_t flags = 0, char term = 0) {
        const Outcome o = Call(proc::kRead, ReadParms{link, size, ioTimeout, 0, flags, term});
        std::int32_t error = -1;
        if (o.kind == Outcome::Kind::Reply) {
            EXPECT_TRUE(DecodeRead(Results(o), error, why, data));
        }
        return error;
    }
    // A whole answer, read in pieces of `size`; the reasons of the pieces in `reasons`.
    std::string Answer(std::int32_t link, std::uint32_t size, std::string* reasons = nullptr) {
        std::string all;
        for (int i = 0; i < 10000; ++i) {
            std::string piece;
            std::int32_t why = 0;
            if (Read(link, size, piece, why) != error::kNone) break;
            all += piece;
            if (reasons != nullptr) *reasons += std::to_string(why);
            if ((why & reason::kEnd) != 0) break;
        }
        return all;
    }
};

TEST(Vxi11, LinksAnswerTheirOwnClientOnly) {
    Instrument in;
    Client a(*in.core, 1);
    Client b(*in.core, 2);
    const CreateLinkResp link = a.Link();
    ASSERT_EQ(link.error, error::kNone);
    EXPECT_EQ(link.abortPort, 1234);
    EXPECT_EQ(link.maxRecvSize, kMaxReceive);
    // A message in two writes: END only on the second.
    EXPECT_EQ(a.Write(link.link, "*ID", 0).size, 3u);
    EXPECT_EQ(a.Write(link.link, "N?").error, error::kNone);
    EXPECT_EQ(a.Answer(link.link, 1000), in.device->Identification() + "\n");

    EXPECT_EQ(b.Write(link.link, "*RST").error, error::kInvalidLink) << "not b's link";
    EXPECT_EQ(b.Error(b.Call(proc::kDestroyLink, link.link)), error::kInvalidLink);
    EXPECT_EQ(a.Error(a.Call(proc::kDestroyLink, link.link)), error::kNone);
    EXPECT_EQ(a.Write(link.link, "*RST").error, error::kInvalidLink) << "destroyed";
    EXPECT_EQ(a.Error(a.Call(proc::kCreateIntrChan, RemoteFunc{})), error::kNotSupported);
}

TEST(Vxi11, AnswersComeInPiecesOfTheRequestSizeWithEndOnTheLast) {
    Instrument in;
    Client a(*in.core, 1);
    const std::int32_t link = a.Link().link;
    a.Write(link, ":ACQ:POIN 5000;:FORM REAL,32");
    in.station.Step();
    a.Write(link, ":WAV:DATA? CH1\n");
    std::string reasons;
    const std::string block = a.Answer(link, 4096, &reasons);
    ASSERT_EQ(block.size(), std::string("#520000").size() + 20000 + 1);
    EXPECT_EQ(block.substr(0, 7), "#520000");
    EXPECT_EQ(block.back(), '\n');
    EXPECT_EQ(reasons, "11114") << "four full pieces, then the end";

    // The termination character ends a piece when the client asks for it.
    a.Write(link, "*IDN?");
    std::string piece;
    std::int32_t why = 0;
    EXPECT_EQ(a.Read(link, 1000, piece, why, 0, flag::kTermChar, ','), error::kNone);
    EXPECT_EQ(piece, "Zarvo,");
    EXPECT_EQ(why, reason::kTermChar);
    EXPECT_EQ(a.Answer(link, 1000).back(), '\n') << "the rest of the answer";
}

TEST(Vxi11, OneControllerAtATimeWithLocksAndTheirTimeOut) {
    Instrument in;
    auto a = std::make_unique<Client>(*in.core, 1);
    Client b(*in.core, 2);
    const std::int32_t la = a->Link().link;
    const std::int32_t lb = b.Link().link;
    EXPECT_EQ(a->Write(la, ":CHAN1:RANG 4").error, error::kNone);
    EXPECT_EQ(b.Write(lb, ":CHAN1:RANG 8").error, error::kLocked) << "a controls";

    // Waiting for the lock: the call waits, and is refused when its lock time-out has passed.
    const Outcome waits =
        b.Call(proc::kWrite, WriteParms{lb, 1000, 30, flag::kEnd | flag::kWaitLock, "*RST"});
    EXPECT_EQ(waits.kind, Outcome::Kind::Waits);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    WriteResp late;
    ASSERT_TRUE(DecodeResult(b.Results(in.core->Retry(b.connection)), late));
    EXPECT_EQ(late.error, error::kLocked);

    EXPECT_EQ(b.Error(b.Call(proc::kLock, LockParms{lb, 0, 0})), error::kLocked);
    EXPECT_EQ(a->Error(a->Call(proc::kLock, LockParms{la, 0, 0})), error::kNone);
    EXPECT_EQ(a->Error(a->Call(proc::kUnlock, la)), error::kNone);
    EXPECT_EQ(a->Error(a->Call(proc::kUnlock, la)), error::kNoLock);

    // A client that goes frees the instrument at once; its setting stays.
    a.reset();
    EXPECT_EQ(b.Write(lb, ":CHAN1:RANG?").error, error::kNone);
    EXPECT_EQ(b.Answer(lb, 100), "4\n");
}

TEST(Vxi11, ASilentLinkGivesWayToANewcomer) {
    Instrument in(0.2);
    Client a(*in.core, 1);
    Client b(*in.core, 2);
    const std::int32_t la = a.Link().link;
    const std::int32_t lb = b.Link().link;
    a.Write(la, "*IDN?");
    EXPECT_EQ(b.Write(lb, "*RST").error, error::kLocked);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(b.Write(lb, "*RST").error, error::kNone) << "a was silent too long";
    EXPECT_EQ(a.Write(la, "*RST").error, error::kLocked);
    ASSERT_NE(in.control.Holder(), nullptr);
    EXPECT_EQ(in.control.Holder()->Name(), "VXI-11 link 2 of 127.0.0.1:40002");
}

TEST(Vxi11, ATimedOutReadKeepsTheLinkAndClearDropsTheWait) {
    Instrument in;
    Client a(*in.core, 1);
    const std::int32_t link = a.Link().link;
    a.Write(link, ":SING;*OPC?");
    std::string data;
    std::int32_t why = 0;
    EXPECT_EQ(a.Read(link, 100, data, why, 0), error::kTimeout) << "no record yet";
    EXPECT_EQ(a.Read(link, 100, data, why, 5000), -1) << "waits for the record";
    in.station.Step();
    ASSERT_EQ(a.Results(in.core->Retry(a.connection)).empty(), false);
    EXPECT_EQ(a.Answer(link, 100), "") << "the waiting read had the answer";

    a.Write(link, ":SING;*OPC?");
    EXPECT_EQ(a.Read(link, 100, data, why, 0), error::kTimeout);
    EXPECT_EQ(a.Error(a.Call(proc::kClear, GenericParms{link, 0, 0, 0})), error::kNone);
    in.station.Step();
    in.core->Pump();
    EXPECT_EQ(a.Read(link, 100, data, why, 0), error::kTimeout) << "the *OPC? was dropped";
    a.Write(link, "*OPC?");
    EXPECT_EQ(a.Answer(link, 100), "1\n");
    ReadStbResp stb;
    ASSERT_TRUE(DecodeResult(a.Results(a.Call(proc::kReadStb, GenericParms{link, 0, 0, 0})), stb));
    EXPECT_EQ(stb.stb, 0);
    a.Write(link, "*IDN?;:CHAN3:RANG 2");
    ASSERT_TRUE(DecodeResult(a.Results(a.Call(proc::kReadStb, GenericParms{link, 0, 0, 0})), stb));
    EXPECT_EQ(stb.stb, 0x14) << "an error queued and an answer unread";
}

TEST(Vxi11, RejectionsAreTheRpcsOwn) {
    Instrument in;
    Client a(*in.core, 1);
    std::int32_t none = 0;
    auto stat = [&](std::uint32_t program, std::uint32_t version, std::uint32_t procedure,
                    std::uint32_t rpc = 2) {
        const Outcome o =
            in.core->Call(a.connection, EncodeCall(9, program, version, procedure, none, rpc));
        const test::Reply r = DecodeReply(o.reply);
        EXPECT_EQ(r.xid, 9u);
        return std::make_pair(r.accepted, r.stat);
    };
    EXPECT_EQ(stat(kCoreProgram + 5, kVersion, proc::kNull), std::make_pair(true, 1u));
    EXPECT_EQ(stat(kCoreProgram, 2, proc::kNull), std::make_pair(true, 2u));
    EXPECT_EQ(stat(kCoreProgram, kVersion, 99), std::make_pair(true, 3u));
    EXPECT_EQ(stat(kCoreProgram, kVersion, proc::kWrite), std::make_pair(true, 4u))
        << "a link id alone is no device_write";
    EXPECT_EQ(stat(kCoreProgram, kVersion, proc::kNull, 3), std::make_pair(false, 0u));
    EXPECT_EQ(in.core->Call(a.connection, "\x01\x02").kind, Outcome::Kind::Close);
    EXPECT_EQ(a.Link().error, error::kNone) << "the connection serves on";

    RecordReader reader;
    std::string record;
    reader.Add(
        std::string("\x00\x00\x00\x02"
                    "ab"
                    "\x80\x00\x00\x01"
                    "c",
                    11));
    EXPECT_EQ(reader.Next(record), RecordReader::Got::Record);
    EXPECT_EQ(record, "abc") << "two fragments, one record";
    reader.Add(std::string("\x80\x10\x00\x01", 4));
    EXPECT_EQ(reader.Next(record), RecordReader::Got::TooLong);
}

}  // namespace
}  // namespace zarvo::vxi11
