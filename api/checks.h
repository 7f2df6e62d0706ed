// SPDX-License-Identifier: MIT
// The argument checks every export makes, in their fixed order.
//
// An application branches on the status code, so which check fails first matters as much as
// whether one fails: the instrument guard, then the Initialised test (measurement control
// only), then capability, then the channel, then the value. The chain below carries the
// stage it has reached in its type, so an export cannot ask for an earlier check after a
// later one, and once a check has failed the later ones are skipped (their predicates are
// not even evaluated, so they may freely read the instrument).
//
//     const auto check = Guard().Capable(DcLevelSettable).Channel(ch).Writable(value);
//     if (!check) return check.Status();
//     TZarvo& z = check.Instrument();
#pragma once

#include <cstdint>
#include <initializer_list>

#include "api/library.h"
#include "instrument/zarvo.h"
#include "zarvo.h"

namespace zarvo::api {

// Channels the API keeps per-channel state for (VoltScale, trigger modes, ranges).
inline constexpr unsigned kApiChannels = 4;
// Channels with sample buffers in the component.
inline constexpr unsigned kDataChannels = 2;

enum class Stage : int { Guard = 1, Initialised = 2, Capability = 3, Channel = 4, Value = 5 };

template <Stage S>
class Checks {
public:
    explicit operator bool() const { return rc_ == RC_OK; }
    std::uint16_t Status() const { return rc_; }
    // Only valid once every check has passed.
    TZarvo& Instrument() const { return *z_; }

    // RC_NOT_INITIALISED when no start-up has ever succeeded in this load of the library.
    Checks<Stage::Initialised> Initialised() const requires(S < Stage::Initialised) {
        return Next<Stage::Initialised>([](const TZarvo&) { return Lib().Initialised; },
                                        RC_NOT_INITIALISED);
    }

    // A capability flag or instrument type; several may follow each other.
    template <class Pred>
    Checks<Stage::Capability> Capable(Pred available, std::uint16_t code = RC_UNAVAILABLE) const
        requires(S <= Stage::Capability) {
        return Next<Stage::Capability>(available, code);
    }

    // A channel from 1 to the instrument's channel count.
    Checks<Stage::Channel> Channel(unsigned ch) const requires(S < Stage::Channel) {
        return Next<Stage::Channel>([ch](const TZarvo& z) { return ChannelExists(z, ch); },
                                    RC_BAD_CHANNEL);
    }
    // A channel whose samples the component keeps (it has result buffers for two).
    Checks<Stage::Channel> DataChannel(unsigned ch) const requires(S < Stage::Channel) {
        return Next<Stage::Channel>(
            [ch](const TZarvo& z) { return ChannelExists(z, ch) && ch <= kDataChannels; },
            RC_BAD_CHANNEL);
    }

    // A trigger input: a channel, or 0 for the external trigger input where there is one.
    Checks<Stage::Channel> Input(unsigned input) const requires(S < Stage::Channel) {
        return Next<Stage::Channel>(
            [input](const TZarvo& z) {
                return input == 0 ? z.FExtTrigAvail : ChannelExists(z, input);
            },
            RC_BAD_CHANNEL);
    }

    // Value tests. The predicate form is evaluated only when every earlier check passed.
    template <class Pred>
    Checks<Stage::Value> Valid(Pred valid) const requires(S <= Stage::Value) {
        return Next<Stage::Value>(valid, RC_BAD_VALUE);
    }
    Checks<Stage::Value> Valid(bool valid) const requires(S <= Stage::Value) {
        return Next<Stage::Value>([valid](const TZarvo&) { return valid; }, RC_BAD_VALUE);
    }
    // A caller's pointer that the export is about to read or write.
    Checks<Stage::Value> Readable(const void* p) const requires(S <= Stage::Value) {
        return Valid(p != nullptr);
    }
    Checks<Stage::Value> Writable(const void* p) const requires(S <= Stage::Value) {
        return Valid(p != nullptr);
    }
    // A value looked up in a table whose entries give their own status (RC_UNAVAILABLE for a
    // value this instrument lacks, RC_BAD_VALUE for one that does not exist at all).
    template <class Verdict>
    Checks<Stage::Value> Decide(Verdict verdict) const requires(S <= Stage::Value) {
        if (rc_ != RC_OK) return {z_, rc_};
        return {z_, verdict(static_cast<const TZarvo&>(*z_))};
    }

    static bool ChannelExists(const TZarvo& z, unsigned ch) {
        return ch >= 1 && ch <= z.FNrChannels && ch <= kApiChannels;
    }

private:
    template <Stage>
    friend class Checks;
    friend Checks<Stage::Guard> Guard();

    Checks(TZarvo* z, std::uint16_t rc) : z_(z), rc_(rc) {}

    template <Stage T, class Pred>
    Checks<T> Next(Pred passes, std::uint16_t code) const {
        if (rc_ != RC_OK) return {z_, rc_};
        return {z_, passes(static_cast<const TZarvo&>(*z_)) ? std::uint16_t{RC_OK} : code};
    }

    TZarvo* z_;
    std::uint16_t rc_;
};

// The instrument guard: RC_NO_INSTRUMENT unless an instance exists and found its instrument.
inline Checks<Stage::Guard> Guard() {
    TZarvo* z = FoundInstrument();
    return {z, z != nullptr ? std::uint16_t{RC_OK} : std::uint16_t{RC_NO_INSTRUMENT}};
}

// Capability predicates shared by several exports.
inline bool IsType(const TZarvo& z, std::initializer_list<int> types) {
    for (int t : types)
        if (z.FInstrumentType == t) return true;
    return false;
}
inline bool HasFuncGen(const TZarvo& z) {
    return z.FFuncGenAvail;
}
// The configurable type of the family (instrument configuration, generator enable).
inline bool IsConfigurable(const TZarvo& z) {
    return z.FInstrumentType == 18;
}

// The plain setting exports: one capability gate, then a field stored or read as it is.
template <class Pred, class Field, class Value>
std::uint16_t StoreIfCapable(Pred available, Field TZarvo::*field, Value value) {
    CallScope scope;
    const auto check = Guard().Capable(available);
    if (!check) return check.Status();
    check.Instrument().*field = value;
    return RC_OK;
}

template <class Pred, class Field, class Out>
std::uint16_t ReadIfCapable(Pred available, Field TZarvo::*field, Out* value) {
    CallScope scope;
    const auto check = Guard().Capable(available).Writable(value);
    if (!check) return check.Status();
    *value = check.Instrument().*field;
    return RC_OK;
}

}  // namespace zarvo::api
