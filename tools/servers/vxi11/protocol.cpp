// SPDX-License-Identifier: MIT
// The XDR encoding of VXI-11's arguments and results, on libtirpc's primitives.
#include "tools/servers/vxi11/protocol.h"

#include <limits>

namespace zarvo::vxi11 {

namespace {

bool Int(XDR* x, std::int32_t& v) {
    int i = v;
    if (!xdr_int(x, &i)) return false;
    v = i;
    return true;
}

bool Uint(XDR* x, std::uint32_t& v) {
    u_int u = v;
    if (!xdr_u_int(x, &u)) return false;
    v = u;
    return true;
}

bool Bool(XDR* x, bool& v) {
    bool_t b = v ? TRUE : FALSE;
    if (!xdr_bool(x, &b)) return false;
    v = b != FALSE;
    return true;
}

// What a decoding stream over `length` bytes (its x_public, set by DecodeStream) still holds.
std::uint32_t Left(XDR* x) {
    if (x->x_public == nullptr) return 0;
    const std::uint32_t length = *reinterpret_cast<const std::uint32_t*>(x->x_public);
    const std::uint32_t at = xdr_getpos(x);
    return at < length ? length - at : 0;
}

// opaque<max>: the length, the bytes and their padding to four. Decoding checks the length
// against what the stream still holds before it makes room.
bool Opaque(XDR* x, std::string& s, std::uint32_t max = std::numeric_limits<std::uint32_t>::max()) {
    if (s.size() > max) return false;
    u_int n = static_cast<u_int>(s.size());
    if (!xdr_u_int(x, &n)) return false;
    if (x->x_op == XDR_DECODE) {
        if (n > max || n > Left(x)) return false;
        s.resize(n);
    }
    return n == 0 || xdr_opaque(x, s.data(), n);
}

}  // namespace

bool Xdr(XDR* x, std::int32_t& v) {
    return Int(x, v);
}

bool Xdr(XDR* x, CreateLinkParms& p) {
    return Int(x, p.clientId) && Bool(x, p.lockDevice) && Uint(x, p.lockTimeout) &&
           Opaque(x, p.device, 256);
}

bool Xdr(XDR* x, WriteParms& p) {
    return Int(x, p.link) && Uint(x, p.ioTimeout) && Uint(x, p.lockTimeout) && Int(x, p.flags) &&
           Opaque(x, p.data);
}

bool Xdr(XDR* x, ReadParms& p) {
    // The terminating character travels as a whole XDR word.
    std::int32_t term = p.termChar;
    if (!(Int(x, p.link) && Uint(x, p.requestSize) && Uint(x, p.ioTimeout) &&
          Uint(x, p.lockTimeout) && Int(x, p.flags) && Int(x, term))) {
        return false;
    }
    p.termChar = static_cast<char>(static_cast<unsigned char>(term & 0xFF));
    return true;
}

bool Xdr(XDR* x, GenericParms& p) {
    return Int(x, p.link) && Int(x, p.flags) && Uint(x, p.lockTimeout) && Uint(x, p.ioTimeout);
}

bool Xdr(XDR* x, LockParms& p) {
    return Int(x, p.link) && Int(x, p.flags) && Uint(x, p.lockTimeout);
}

bool Xdr(XDR* x, RemoteFunc& p) {
    return Uint(x, p.hostAddr) && Uint(x, p.hostPort) && Uint(x, p.progNum) &&
           Uint(x, p.progVers) && Int(x, p.progFamily);
}

bool Xdr(XDR* x, EnableSrqParms& p) {
    return Int(x, p.link) && Bool(x, p.enable) && Opaque(x, p.handle, 40);
}

bool Xdr(XDR* x, DocmdParms& p) {
    return Int(x, p.link) && Int(x, p.flags) && Uint(x, p.ioTimeout) && Uint(x, p.lockTimeout) &&
           Int(x, p.cmd) && Bool(x, p.networkOrder) && Int(x, p.dataSize) && Opaque(x, p.data);
}

bool Xdr(XDR* x, CreateLinkResp& r) {
    std::uint32_t port = r.abortPort;
    if (!(Int(x, r.error) && Int(x, r.link) && Uint(x, port) && Uint(x, r.maxRecvSize))) {
        return false;
    }
    r.abortPort = static_cast<std::uint16_t>(port);
    return true;
}

bool Xdr(XDR* x, WriteResp& r) {
    return Int(x, r.error) && Uint(x, r.size);
}

bool Xdr(XDR* x, ReadResp& r) {
    // Encoded only: the bytes go out without a copy of their own.
    if (x->x_op != XDR_ENCODE) return false;
    u_int n = static_cast<u_int>(r.data.size());
    return Int(x, r.error) && Int(x, r.reason) && xdr_u_int(x, &n) &&
           (n == 0 || xdr_opaque(x, const_cast<char*>(r.data.data()), n));
}

bool Xdr(XDR* x, ReadStbResp& r) {
    std::uint32_t stb = r.stb;
    if (!(Int(x, r.error) && Uint(x, stb))) return false;
    r.stb = static_cast<std::uint8_t>(stb);
    return true;
}

}  // namespace zarvo::vxi11
