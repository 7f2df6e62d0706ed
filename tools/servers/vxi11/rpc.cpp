// SPDX-License-Identifier: MIT
// ONC RPC call headers, replies and record marking, on libtirpc's XDR primitives.
#include "tools/servers/vxi11/rpc.h"

namespace zarvo::vxi11 {

namespace {

constexpr std::uint32_t kRpcVersion = 2;
constexpr u_int kCall = 0;
constexpr u_int kReply = 1;
constexpr u_int kAccepted = 0;
constexpr u_int kDenied = 1;

bool U(XDR* x, std::uint32_t v) {
    u_int u = v;
    return xdr_u_int(x, &u) != FALSE;
}

// Credentials or verifier: a flavour and up to 400 bytes, skipped.
bool SkipAuth(XDR* x) {
    char body[MAX_AUTH_BYTES];
    opaque_auth auth{};
    auth.oa_base = body;
    return xdr_opaque_auth(x, &auth) != FALSE;
}

// xid, REPLY, and the null verifier of an accepted reply.
bool AcceptedHeader(XDR* x, std::uint32_t xid, accept_stat stat) {
    return U(x, xid) && U(x, kReply) && U(x, kAccepted) && U(x, AUTH_NONE) && U(x, 0) &&
           U(x, static_cast<std::uint32_t>(stat));
}

template <class Encode>
std::string Message(Encode encode) {
    char buffer[64];
    XDR x;
    xdrmem_create(&x, buffer, sizeof buffer, XDR_ENCODE);
    const bool ok = encode(&x);
    std::string out(buffer, ok ? xdr_getpos(&x) : 0);
    xdr_destroy(&x);
    return out;
}

}  // namespace

bool DecodeCallHeader(XDR* x, CallHeader& h) {
    u_int direction = 0;
    if (!xdr_u_int(x, &h.xid) || !xdr_u_int(x, &direction) || direction != kCall) return false;
    if (!xdr_u_int(x, &h.rpcVersion)) return false;
    if (h.rpcVersion != kRpcVersion) return true;  // answered as denied; the rest unread
    return xdr_u_int(x, &h.program) && xdr_u_int(x, &h.version) && xdr_u_int(x, &h.procedure) &&
           SkipAuth(x) && SkipAuth(x);
}

bool EncodeSuccessHeader(XDR* x, std::uint32_t xid) {
    return AcceptedHeader(x, xid, SUCCESS);
}

std::string DeniedVersion(std::uint32_t xid) {
    return Message([&](XDR* x) {
        return U(x, xid) && U(x, kReply) && U(x, kDenied) && U(x, RPC_MISMATCH) &&
               U(x, kRpcVersion) && U(x, kRpcVersion);
    });
}

std::string Rejected(std::uint32_t xid, accept_stat stat) {
    return Message([&](XDR* x) { return AcceptedHeader(x, xid, stat); });
}

std::string VersionMismatch(std::uint32_t xid, std::uint32_t low, std::uint32_t high) {
    return Message(
        [&](XDR* x) { return AcceptedHeader(x, xid, PROG_MISMATCH) && U(x, low) && U(x, high); });
}

void AppendRecord(std::string& stream, std::string_view record) {
    const std::uint32_t mark = 0x80000000u | static_cast<std::uint32_t>(record.size());
    const char bytes[4] = {static_cast<char>(mark >> 24), static_cast<char>(mark >> 16),
                           static_cast<char>(mark >> 8), static_cast<char>(mark)};
    stream.append(bytes, 4);
    stream.append(record);
}

RecordReader::Got RecordReader::Next(std::string& record) {
    for (;;) {
        if (Buffered() < 4) break;
        const auto* p = reinterpret_cast<const unsigned char*>(buffer_.data() + at_);
        const std::uint32_t mark = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                   (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
        const std::size_t length = mark & 0x7FFFFFFFu;
        if (length > kMaxRecord || record_.size() + length > kMaxRecord) return Got::TooLong;
        if (Buffered() < 4 + length) break;
        record_.append(buffer_, at_ + 4, length);
        at_ += 4 + length;
        if ((mark & 0x80000000u) != 0) {
            record = std::move(record_);
            record_.clear();
            return Got::Record;
        }
    }
    // Taken bytes are dropped once they are most of the buffer.
    if (at_ > 0 && at_ * 2 >= buffer_.size()) {
        buffer_.erase(0, at_);
        at_ = 0;
    }
    return Got::Nothing;
}

}  // namespace zarvo::vxi11
