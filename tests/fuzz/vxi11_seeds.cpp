// SPDX-License-Identifier: MIT
// Writes the VXI-11 fuzzer's seed inputs into a folder: the calls a VISA client makes in a
// session (link, write, read in pieces, status byte, lock, clear, abort, destroy), framed as
// the fuzzer's chunks, so that it starts from inputs that reach every procedure.
//
//   vxi11_seeds DIR
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/servers/vxi11/protocol.h"
#include "tools/servers/vxi11/tests/rpc_client.h"

using namespace zarvo::vxi11;

namespace {

std::uint32_t xid = 1;

// One chunk: op, length, bytes (a whole record, framed by the fuzzer: op bit 2).
void Chunk(std::string& input, std::uint8_t op, const std::string& bytes) {
    input += static_cast<char>(op);
    input += static_cast<char>(bytes.size() & 0xFF);
    input += static_cast<char>((bytes.size() >> 8) & 0xFF);
    input += bytes;
}

template <class Args>
void Call(std::string& input, int connection, std::uint32_t procedure, Args args,
          std::uint32_t program = kCoreProgram) {
    Chunk(input, static_cast<std::uint8_t>(connection | 4 | 8),
          test::EncodeCall(xid++, program, kVersion, procedure, args));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::string> seeds;
    CreateLinkParms create{1, false, 0, "inst0"};
    // A query answered in pieces, with the termination character.
    std::string s;
    Call(s, 0, proc::kCreateLink, create);
    Call(s, 0, proc::kWrite, WriteParms{1, 100, 0, flag::kEnd, "*IDN?;:CHAN1:RANG?"});
    Call(s, 0, proc::kRead, ReadParms{1, 7, 0, 0, flag::kTermChar, ','});
    Call(s, 0, proc::kRead, ReadParms{1, 100, 0, 0, 0, 0});
    Call(s, 0, proc::kReadStb, GenericParms{1, 0, 0, 0});
    Call(s, 0, proc::kDestroyLink, std::int32_t{1});
    seeds.push_back(s);
    // A single record, its block read, a trigger and a clear.
    s.clear();
    Call(s, 0, proc::kCreateLink, create);
    Call(s, 0, proc::kWrite, WriteParms{1, 0, 0, flag::kEnd, ":ACQ:POIN 100;:SING;*OPC?"});
    Call(s, 0, proc::kRead, ReadParms{1, 100, 1, 0, 0, 0});
    Chunk(s, 3, "");
    Call(s, 0, proc::kWrite, WriteParms{1, 0, 0, flag::kEnd, ":FORM REAL;:WAV:DATA? CH1"});
    Call(s, 0, proc::kRead, ReadParms{1, 64, 0, 0, 0, 0});
    Call(s, 0, proc::kTrigger, GenericParms{1, 0, 0, 0});
    Call(s, 0, proc::kClear, GenericParms{1, 0, 0, 0});
    seeds.push_back(s);
    // Two clients and a lock; an abort of a waiting read.
    s.clear();
    Call(s, 0, proc::kCreateLink, create);
    Call(s, 1, proc::kCreateLink, CreateLinkParms{2, true, 10, "inst0"});
    Call(s, 0, proc::kLock, LockParms{1, flag::kWaitLock, 5});
    Call(s, 1, proc::kWrite, WriteParms{2, 0, 5, flag::kEnd | flag::kWaitLock, "*RST"});
    Call(s, 0, proc::kRead, ReadParms{1, 100, 1000, 0, 0, 0});
    Call(s, 2, proc::kAbort, std::int32_t{1}, kAbortProgram);
    Call(s, 0, proc::kUnlock, std::int32_t{1});
    Call(s, 0, proc::kRemote, GenericParms{1, 0, 0, 0});
    Call(s, 0, proc::kCreateIntrChan, RemoteFunc{});
    seeds.push_back(s);
    // A record in two fragments on the stream itself.
    s.clear();
    const std::string call =
        test::EncodeCall(xid++, kCoreProgram, kVersion, proc::kCreateLink, create);
    std::string stream = std::string("\x00\x00\x00\x08", 4) + call.substr(0, 8);
    AppendRecord(stream, call.substr(8));
    Chunk(s, 0, stream);
    seeds.push_back(s);

    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(dir + "/seed-" + std::to_string(i), std::ios::binary);
        out << seeds[i];
        if (!out) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], dir.c_str());
            return 1;
        }
    }
    return 0;
}
