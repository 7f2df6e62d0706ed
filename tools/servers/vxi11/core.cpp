// SPDX-License-Identifier: MIT
// VXI-11's calls: decoding, the RPC's rejections, links and who controls, and the procedures.
#include "tools/servers/vxi11/core.h"

#include <algorithm>
#include <iostream>
#include <limits>

namespace zarvo::vxi11 {

namespace {

struct Empty {};
bool Xdr(XDR*, Empty&) {
    return true;
}
using vxi11::Xdr;

template <class Result>
std::string Answer(const WaitingCall& w, Result result, std::size_t room = 64) {
    return Success(w.header.xid, result, room);
}

std::string ErrorOnly(const WaitingCall& w, std::int32_t error) {
    return Answer(w, error);
}

Clock::time_point After(Clock::time_point start, std::uint32_t ms) {
    return start + std::chrono::milliseconds(ms);
}

// A call's link, flags and both time-outs, for the procedures whose arguments carry all four.
template <typename Parms>
void TakeTimes(WaitingCall& w, const Parms& p, Clock::time_point now) {
    w.link = p.link;
    w.flags = p.flags;
    w.ioDeadline = After(now, p.ioTimeout);
    w.lockDeadline = After(now, p.lockTimeout);
}

// Decodes a procedure's arguments into the call; false: garbage.
bool DecodeArguments(XDR* x, std::uint32_t procedure, WaitingCall& w, Clock::time_point now) {
    switch (procedure) {
        case proc::kNull:
            return true;
        case proc::kCreateLink:
            if (!Xdr(x, w.create)) return false;
            w.lockDeadline = After(now, w.create.lockTimeout);
            return true;
        case proc::kWrite:
            if (!Xdr(x, w.write)) return false;
            TakeTimes(w, w.write, now);
            return true;
        case proc::kRead:
            if (!Xdr(x, w.read)) return false;
            TakeTimes(w, w.read, now);
            return true;
        case proc::kReadStb:
        case proc::kTrigger:
        case proc::kClear:
        case proc::kRemote:
        case proc::kLocal: {
            GenericParms p;
            if (!Xdr(x, p)) return false;
            TakeTimes(w, p, now);
            return true;
        }
        case proc::kLock: {
            LockParms p;
            if (!Xdr(x, p)) return false;
            w.link = p.link;
            w.flags = p.flags;
            w.lockDeadline = After(now, p.lockTimeout);
            return true;
        }
        case proc::kAbort:
        case proc::kUnlock:
        case proc::kDestroyLink:
            return Xdr(x, w.link);
        case proc::kEnableSrq: {
            EnableSrqParms p;
            if (!Xdr(x, p)) return false;
            w.link = p.link;
            return true;
        }
        case proc::kDocmd: {
            DocmdParms p;
            if (!Xdr(x, p)) return false;
            w.link = p.link;
            return true;
        }
        case proc::kCreateIntrChan: {
            RemoteFunc p;
            return Xdr(x, p);
        }
        case proc::kDestroyIntrChan:
            return true;
        default:
            return false;
    }
}

bool Known(std::uint32_t program, std::uint32_t procedure) {
    if (program == kAbortProgram) return procedure == proc::kNull || procedure == proc::kAbort;
    switch (procedure) {
        case proc::kNull:
        case proc::kCreateLink:
        case proc::kWrite:
        case proc::kRead:
        case proc::kReadStb:
        case proc::kTrigger:
        case proc::kClear:
        case proc::kRemote:
        case proc::kLocal:
        case proc::kLock:
        case proc::kUnlock:
        case proc::kEnableSrq:
        case proc::kDocmd:
        case proc::kDestroyLink:
        case proc::kCreateIntrChan:
        case proc::kDestroyIntrChan:
            return true;
        default:
            return false;
    }
}

}  // namespace

Outcome Core::Call(Connection& c, std::string_view record) {
    std::uint32_t length = static_cast<std::uint32_t>(record.size());
    XDR x;
    DecodeStream(&x, record.data(), length);
    CallHeader h;
    const bool isCall = DecodeCallHeader(&x, h);
    WaitingCall w;
    w.header = h;
    const std::uint32_t program = c.abortChannel ? kAbortProgram : kCoreProgram;
    Outcome out;
    if (!isCall) {
        out.kind = Outcome::Kind::Close;
    } else if (h.rpcVersion != 2) {
        out.reply = DeniedVersion(h.xid);
    } else if (h.program != program) {
        out.reply = Rejected(h.xid, PROG_UNAVAIL);
    } else if (h.version != kVersion) {
        out.reply = VersionMismatch(h.xid, kVersion, kVersion);
    } else if (!Known(program, h.procedure)) {
        out.reply = Rejected(h.xid, PROC_UNAVAIL);
    } else if (!DecodeArguments(&x, h.procedure, w, Clock::now())) {
        out.reply = Rejected(h.xid, GARBAGE_ARGS);
    } else {
        xdr_destroy(&x);
        // Silence counts from the call's arrival, not from its tries while it waits.
        if (Link* link = c.abortChannel ? nullptr : Own(c, w.link)) link->Hear();
        c.waiting = std::move(w);
        return Retry(c);
    }
    xdr_destroy(&x);
    return out;
}

Outcome Core::Retry(Connection& c) {
    if (!c.waiting) return {Outcome::Kind::Waits, {}};
    Reply reply = Run(c, *c.waiting);
    if (!reply) return {Outcome::Kind::Waits, {}};
    c.waiting.reset();
    return {Outcome::Kind::Reply, std::move(*reply)};
}

Link* Core::Own(const Connection& c, std::int32_t id) {
    const auto it = links_.find(id);
    if (it == links_.end() || &it->second->Owner() != &c) return nullptr;
    return it->second.get();
}

std::optional<std::int32_t> Core::NeedControl(Link& link, const WaitingCall& w) {
    if (control_.Take(link, link.Name())) return std::nullopt;
    const bool wait = w.header.procedure == proc::kCreateLink ? w.create.lockDevice
                                                              : (w.flags & flag::kWaitLock) != 0;
    if (wait && Clock::now() < w.lockDeadline) return 0;
    return error::kLocked;
}

Core::Reply Core::Run(Connection& c, WaitingCall& w) {
    const std::uint32_t p = w.header.procedure;
    if (p == proc::kNull) return Answer(w, Empty{});
    if (c.abortChannel) return Abort(c, w);
    if (p == proc::kCreateLink) return CreateLink(c, w);
    if (p == proc::kCreateIntrChan) return ErrorOnly(w, error::kNotSupported);
    if (p == proc::kDestroyIntrChan) return ErrorOnly(w, error::kNoChannel);
    Link* link = Own(c, w.link);
    if (link == nullptr) {
        if (p == proc::kWrite) return Answer(w, WriteResp{error::kInvalidLink, 0});
        if (p == proc::kRead) return Answer(w, ReadResp{error::kInvalidLink, 0, {}});
        if (p == proc::kReadStb) return Answer(w, ReadStbResp{error::kInvalidLink, 0});
        return ErrorOnly(w, error::kInvalidLink);
    }
    switch (p) {
        case proc::kWrite:
            return Write(*link, w);
        case proc::kRead:
            return Read(*link, w);
        case proc::kReadStb:
            return Answer(w, ReadStbResp{error::kNone, link->StatusByte()});
        case proc::kUnlock: {
            if (!link->locked) return ErrorOnly(w, error::kNoLock);
            link->locked = false;
            return ErrorOnly(w, error::kNone);
        }
        case proc::kDestroyLink:
            Destroy(link->Id(), "closed its link");
            return ErrorOnly(w, error::kNone);
        case proc::kEnableSrq:
        case proc::kDocmd:
            // No service requests reach the client (there is no interrupt channel), and no
            // commands beyond SCPI's.
            if (p == proc::kDocmd) return Answer(w, ReadResp{error::kNotSupported, 0, {}});
            return ErrorOnly(w, error::kNotSupported);
        default:
            return Generic(*link, w);
    }
}

Core::Reply Core::CreateLink(Connection& c, WaitingCall& w) {
    // A link made by the first try of a call that waits for the lock.
    Link* link = w.link != 0 ? Own(c, w.link) : nullptr;
    if (link == nullptr) {
        const auto own = std::count_if(links_.begin(), links_.end(),
                                       [&](const auto& l) { return &l.second->Owner() == &c; });
        if (links_.size() >= kMaxLinks || static_cast<std::size_t>(own) >= kMaxLinksPerConnection) {
            return Answer(w, CreateLinkResp{error::kOutOfResources, 0, 0, 0});
        }
        const std::int32_t id = nextId_;
        nextId_ = nextId_ == std::numeric_limits<std::int32_t>::max() ? 1 : nextId_ + 1;
        link =
            links_.emplace(id, std::make_unique<Link>(id, c, device_, tree_)).first->second.get();
        w.link = id;
    }
    if (w.create.lockDevice) {
        const auto refused = NeedControl(*link, w);
        if (refused && *refused == 0) return std::nullopt;
        if (refused) {
            Destroy(link->Id(), nullptr);
            return Answer(w, CreateLinkResp{*refused, 0, 0, 0});
        }
        link->locked = true;
    }
    return Answer(w, CreateLinkResp{error::kNone, link->Id(), abortPort_, kMaxReceive});
}

Core::Reply Core::Write(Link& link, WaitingCall& w) {
    if (link.aborted) {
        link.aborted = false;
        return Answer(w, WriteResp{error::kAbort, 0});
    }
    if (const auto refused = NeedControl(link, w)) {
        if (*refused == 0) return std::nullopt;
        return Answer(w, WriteResp{*refused, 0});
    }
    // The client takes more only once it has run what it has (an *OPC? that waits holds
    // the lines behind it), as the raw socket reads no further meanwhile.
    link.Pump();
    if (link.Busy()) {
        if (Clock::now() < w.ioDeadline) return std::nullopt;
        return Answer(w, WriteResp{error::kTimeout, 0});
    }
    link.Write(w.write.data, (w.flags & flag::kEnd) != 0);
    return Answer(w, WriteResp{error::kNone, static_cast<std::uint32_t>(w.write.data.size())});
}

Core::Reply Core::Read(Link& link, WaitingCall& w) {
    if (link.aborted) {
        link.aborted = false;
        return Answer(w, ReadResp{error::kAbort, 0, {}});
    }
    if (const auto refused = NeedControl(link, w)) {
        if (*refused == 0) return std::nullopt;
        return Answer(w, ReadResp{*refused, 0, {}});
    }
    link.Pump();
    if (!link.HasOutput()) {
        if (Clock::now() < w.ioDeadline) return std::nullopt;
        return Answer(w, ReadResp{error::kTimeout, 0, {}});
    }
    std::optional<char> term;
    if ((w.flags & flag::kTermChar) != 0) term = w.read.termChar;
    ReadResp r{error::kNone, 0, {}};
    r.data = link.Read(std::min(w.read.requestSize, kMaxRead), term, r.reason);
    return Answer(w, r, r.data.size() + 64);
}

Core::Reply Core::Generic(Link& link, WaitingCall& w) {
    if (const auto refused = NeedControl(link, w)) {
        if (*refused == 0) return std::nullopt;
        return ErrorOnly(w, *refused);
    }
    switch (w.header.procedure) {
        case proc::kTrigger:
            link.Pump();
            if (link.Busy()) {
                if (Clock::now() < w.ioDeadline) return std::nullopt;
                return ErrorOnly(w, error::kTimeout);
            }
            link.Write("*TRG\n", true);
            break;
        case proc::kClear:
            link.Clear();
            break;
        case proc::kLock:
            link.locked = true;
            break;
        default:  // remote and local: the instrument has no front panel to lock out
            break;
    }
    return ErrorOnly(w, error::kNone);
}

Core::Reply Core::Abort(Connection& c, WaitingCall& w) {
    if (w.header.procedure != proc::kAbort) return ErrorOnly(w, error::kNone);
    // The abort channel is a connection of its own: the link is the client's when it came
    // from the same host.
    const auto it = links_.find(w.link);
    if (it == links_.end() || it->second->Owner().host != c.host) {
        return ErrorOnly(w, error::kInvalidLink);
    }
    Link& link = *it->second;
    const Connection& owner = link.Owner();
    if (owner.waiting && owner.waiting->link == link.Id()) link.aborted = true;
    return ErrorOnly(w, error::kNone);
}

void Core::Destroy(std::int32_t id, const char* how) {
    const auto it = links_.find(id);
    if (it == links_.end()) return;
    if (control_.Holds(*it->second)) {
        if (how != nullptr)
            std::cerr << "zarvo serve: " << it->second->Name() << ' ' << how << '\n';
        control_.Release(*it->second);
    }
    links_.erase(it);
}

void Core::Closed(Connection& c) {
    c.waiting.reset();
    for (auto it = links_.begin(); it != links_.end();) {
        const std::int32_t id = it->first;
        const bool own = &it->second->Owner() == &c;
        ++it;
        if (own) Destroy(id, "disconnected");
    }
}

void Core::Pump() {
    for (auto& [id, link] : links_) {
        if (link->Busy()) link->Pump();
    }
}

int Core::Patience() const {
    for (const auto& [id, link] : links_) {
        if (link->Waiting()) return 1;
    }
    return 100;
}

}  // namespace zarvo::vxi11
