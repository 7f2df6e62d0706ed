// SPDX-License-Identifier: MIT
// VXI-11 on the wire: its RPC programs and procedures, error numbers, flags and the arguments
// and results of the procedures served, with their XDR encoding (libtirpc's xdr_* routines).
#pragma once

#include <rpc/rpc.h>

#include <cstdint>
#include <string>

namespace zarvo::vxi11 {

// The core channel (every procedure but the abort) and the abort channel.
constexpr std::uint32_t kCoreProgram = 0x0607AF;
constexpr std::uint32_t kAbortProgram = 0x0607B0;
constexpr std::uint32_t kVersion = 1;

namespace proc {
constexpr std::uint32_t kNull = 0;
constexpr std::uint32_t kAbort = 1;  // on the abort channel
constexpr std::uint32_t kCreateLink = 10;
constexpr std::uint32_t kWrite = 11;
constexpr std::uint32_t kRead = 12;
constexpr std::uint32_t kReadStb = 13;
constexpr std::uint32_t kTrigger = 14;
constexpr std::uint32_t kClear = 15;
constexpr std::uint32_t kRemote = 16;
constexpr std::uint32_t kLocal = 17;
constexpr std::uint32_t kLock = 18;
constexpr std::uint32_t kUnlock = 19;
constexpr std::uint32_t kEnableSrq = 20;
constexpr std::uint32_t kDocmd = 22;
constexpr std::uint32_t kDestroyLink = 23;
constexpr std::uint32_t kCreateIntrChan = 25;
constexpr std::uint32_t kDestroyIntrChan = 26;
}  // namespace proc

// The protocol's own error numbers (Device_ErrorCode).
namespace error {
constexpr std::int32_t kNone = 0;
constexpr std::int32_t kSyntax = 1;
constexpr std::int32_t kNotAccessible = 3;
constexpr std::int32_t kInvalidLink = 4;
constexpr std::int32_t kParameter = 5;
constexpr std::int32_t kNoChannel = 6;
constexpr std::int32_t kNotSupported = 8;
constexpr std::int32_t kOutOfResources = 9;
constexpr std::int32_t kLocked = 11;  // device locked by another link
constexpr std::int32_t kNoLock = 12;  // no lock held by this link
constexpr std::int32_t kTimeout = 15;
constexpr std::int32_t kIo = 17;
constexpr std::int32_t kAbort = 23;
}  // namespace error

// Device_Flags.
namespace flag {
constexpr std::int32_t kWaitLock = 0x01;  // wait up to lock_timeout for the lock
constexpr std::int32_t kEnd = 0x08;       // the data ends the message
constexpr std::int32_t kTermChar = 0x80;  // termChar ends a read
}  // namespace flag

// Why a read ended (the reason bits of its result).
namespace reason {
constexpr std::int32_t kRequestCount = 1;
constexpr std::int32_t kTermChar = 2;
constexpr std::int32_t kEnd = 4;
}  // namespace reason

struct CreateLinkParms {
    std::int32_t clientId = 0;
    bool lockDevice = false;
    std::uint32_t lockTimeout = 0;
    std::string device;
};
struct CreateLinkResp {
    std::int32_t error = 0;
    std::int32_t link = 0;
    std::uint16_t abortPort = 0;
    std::uint32_t maxRecvSize = 0;
};
struct WriteParms {
    std::int32_t link = 0;
    std::uint32_t ioTimeout = 0;
    std::uint32_t lockTimeout = 0;
    std::int32_t flags = 0;
    std::string data;
};
struct WriteResp {
    std::int32_t error = 0;
    std::uint32_t size = 0;
};
struct ReadParms {
    std::int32_t link = 0;
    std::uint32_t requestSize = 0;
    std::uint32_t ioTimeout = 0;
    std::uint32_t lockTimeout = 0;
    std::int32_t flags = 0;
    char termChar = 0;
};
struct ReadResp {
    std::int32_t error = 0;
    std::int32_t reason = 0;
    std::string_view data;
};
struct ReadStbResp {
    std::int32_t error = 0;
    std::uint8_t stb = 0;
};
// Device_GenericParms: readstb, trigger, clear, remote, local.
struct GenericParms {
    std::int32_t link = 0;
    std::int32_t flags = 0;
    std::uint32_t lockTimeout = 0;
    std::uint32_t ioTimeout = 0;
};
struct LockParms {
    std::int32_t link = 0;
    std::int32_t flags = 0;
    std::uint32_t lockTimeout = 0;
};
// Device_RemoteFunc of create_intr_chan, read only to tell garbage from a call.
struct RemoteFunc {
    std::uint32_t hostAddr = 0;
    std::uint32_t hostPort = 0;
    std::uint32_t progNum = 0;
    std::uint32_t progVers = 0;
    std::int32_t progFamily = 0;
};
struct EnableSrqParms {
    std::int32_t link = 0;
    bool enable = false;
    std::string handle;  // at most 40 bytes
};
struct DocmdParms {
    std::int32_t link = 0;
    std::int32_t flags = 0;
    std::uint32_t ioTimeout = 0;
    std::uint32_t lockTimeout = 0;
    std::int32_t cmd = 0;
    bool networkOrder = false;
    std::int32_t dataSize = 0;
    std::string data;
};

// A decoding stream over bytes; `length` (which outlives the stream) bounds the opaque data.
inline void DecodeStream(XDR* x, const char* bytes, std::uint32_t& length) {
    xdrmem_create(x, const_cast<char*>(bytes), length, XDR_DECODE);
    x->x_public = reinterpret_cast<char*>(&length);
}

// Decoding (from a call's arguments) and encoding (into a reply): false when the bytes do
// not hold the structure.
bool Xdr(XDR* x, std::int32_t& v);
bool Xdr(XDR* x, CreateLinkParms& p);
bool Xdr(XDR* x, WriteParms& p);
bool Xdr(XDR* x, ReadParms& p);
bool Xdr(XDR* x, GenericParms& p);
bool Xdr(XDR* x, LockParms& p);
bool Xdr(XDR* x, RemoteFunc& p);
bool Xdr(XDR* x, EnableSrqParms& p);
bool Xdr(XDR* x, DocmdParms& p);
bool Xdr(XDR* x, CreateLinkResp& r);
bool Xdr(XDR* x, WriteResp& r);
bool Xdr(XDR* x, ReadResp& r);
bool Xdr(XDR* x, ReadStbResp& r);

}  // namespace zarvo::vxi11
