// SPDX-License-Identifier: MIT
// ONC RPC messages over TCP as VXI-11 clients send them: the call header of a record, the
// replies (success with the procedure's result, or the RPC's own rejections), and the record
// marking that frames them on the stream.
#pragma once

#include <rpc/rpc.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/servers/vxi11/protocol.h"

namespace zarvo::vxi11 {

struct CallHeader {
    std::uint32_t xid = 0;
    std::uint32_t rpcVersion = 0;
    std::uint32_t program = 0;
    std::uint32_t version = 0;
    std::uint32_t procedure = 0;
};

// Decodes a call's header, credentials and verifier (any flavour is taken, none checked);
// the stream is then at the arguments. False when the record is not an RPC call.
bool DecodeCallHeader(XDR* x, CallHeader& header);

// Reply messages, without the record mark.
std::string DeniedVersion(std::uint32_t xid);  // an RPC version other than 2
std::string Rejected(std::uint32_t xid, accept_stat stat);
std::string VersionMismatch(std::uint32_t xid, std::uint32_t low, std::uint32_t high);

// An accepted reply header with SUCCESS, at the start of `out` (which has room).
bool EncodeSuccessHeader(XDR* x, std::uint32_t xid);

template <class Result>
std::string Success(std::uint32_t xid, Result& result, std::size_t room = 64) {
    std::string out(room + 64, '\0');
    XDR x;
    xdrmem_create(&x, out.data(), static_cast<u_int>(out.size()), XDR_ENCODE);
    const bool fits = EncodeSuccessHeader(&x, xid) && Xdr(&x, result);
    out.resize(fits ? xdr_getpos(&x) : 0);
    xdr_destroy(&x);
    return out;
}

// Record marking: each record is sent as one last fragment.
void AppendRecord(std::string& stream, std::string_view record);

// Cuts the bytes of a connection into records. A fragment or a record over kMaxRecord makes
// the connection unusable: the caller closes it.
class RecordReader {
public:
    static constexpr std::size_t kMaxRecord = 1 << 20;
    enum class Got { Nothing, Record, TooLong };

    void Add(std::string_view bytes) { buffer_.append(bytes); }
    // The next complete record, moved into `record`.
    Got Next(std::string& record);
    std::size_t Buffered() const { return buffer_.size() - at_; }

private:
    std::string buffer_;
    std::size_t at_ = 0;  // bytes of buffer_ already taken
    std::string record_;  // fragments so far of the record being read
};

}  // namespace zarvo::vxi11
