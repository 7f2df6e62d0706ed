// SPDX-License-Identifier: MIT
// A VXI-11 client's side of the RPC, for the tests and the fuzzer's seeds: calls encoded as a
// client sends them, and the replies' headers and results read back.
#pragma once

#include <rpc/rpc.h>

#include <cstdint>
#include <string>

#include "tools/servers/vxi11/protocol.h"
#include "tools/servers/vxi11/rpc.h"

namespace zarvo::vxi11::test {

// A call record (no record mark): header with null credentials, then the arguments.
template <class Args>
std::string EncodeCall(std::uint32_t xid, std::uint32_t program, std::uint32_t version,
                       std::uint32_t procedure, Args& args, std::uint32_t rpcVersion = 2) {
    std::string out(256 + 70000, '\0');
    XDR x;
    xdrmem_create(&x, out.data(), static_cast<u_int>(out.size()), XDR_ENCODE);
    u_int words[] = {xid, 0, rpcVersion, program, version, procedure, 0, 0, 0, 0};
    bool ok = true;
    for (u_int& w : words) ok = ok && xdr_u_int(&x, &w);
    ok = ok && Xdr(&x, args);
    out.resize(ok ? xdr_getpos(&x) : 0);
    xdr_destroy(&x);
    return out;
}

struct Reply {
    std::uint32_t xid = 0;
    bool accepted = false;
    std::uint32_t stat = 99;  // accept_stat when accepted, reject_stat when denied
    std::string results;      // the bytes after the header
};

inline Reply DecodeReply(const std::string& bytes) {
    Reply r;
    std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    XDR x;
    DecodeStream(&x, bytes.data(), length);
    u_int direction = 0;
    u_int state = 0;
    if (xdr_u_int(&x, &r.xid) && xdr_u_int(&x, &direction) && direction == 1 &&
        xdr_u_int(&x, &state)) {
        r.accepted = state == 0;
        u_int flavor = 0;
        u_int verifier = 0;
        if (r.accepted) {
            if (xdr_u_int(&x, &flavor) && xdr_u_int(&x, &verifier) && verifier == 0) {
                xdr_u_int(&x, &r.stat);
            }
        } else {
            xdr_u_int(&x, &r.stat);
        }
        r.results = bytes.substr(std::min<std::size_t>(xdr_getpos(&x), bytes.size()));
    }
    xdr_destroy(&x);
    return r;
}

// A result read from a reply's result bytes.
template <class Result>
bool DecodeResult(const std::string& results, Result& result) {
    std::uint32_t length = static_cast<std::uint32_t>(results.size());
    XDR x;
    DecodeStream(&x, results.data(), length);
    const bool ok = Xdr(&x, result);
    xdr_destroy(&x);
    return ok;
}

// device_read's result: its error, reason and data.
inline bool DecodeRead(const std::string& results, std::int32_t& error, std::int32_t& why,
                       std::string& data) {
    std::uint32_t length = static_cast<std::uint32_t>(results.size());
    XDR x;
    DecodeStream(&x, results.data(), length);
    u_int n = 0;
    int e = 0;
    int w = 0;
    bool ok = xdr_int(&x, &e) && xdr_int(&x, &w) && xdr_u_int(&x, &n) && n <= length;
    if (ok) {
        data.resize(n);
        ok = n == 0 || xdr_opaque(&x, data.data(), n);
    }
    xdr_destroy(&x);
    error = e;
    why = w;
    return ok;
}

}  // namespace zarvo::vxi11::test
