// SPDX-License-Identifier: MIT
// Trigger: source, per-input mode, per-channel level and hysteresis in volts, time-out, and
// the PXI trigger lines of the wider instrument family.
//
// The comparators work on raw values: an 8-bit level around a mid-scale of 127 (or a 16-bit
// one around 32767 on instruments with a finer trigger DAC), scaled by the channel's full
// scale. The exports convert volts to and from those raw values.
#include <array>
#include <cmath>

#include "api/checks.h"
#include "api/library.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

struct LevelScale {
    std::int32_t offset;   // raw value of 0 V
    Extended divisor;      // raw counts per full scale
    std::int32_t largest;  // raw values are held at or below this
};

LevelScale ScaleFor(const TZarvo& z) {
    if (z.FTrigLevelBits == 16) return {32767, 32768, 65535};
    return {127, 128, 256};
}

// Which trigger source this instrument offers: the capability that enables it, indexed by
// source ordinal. tsNeverTrig exists in the family's numbering but no instrument has it.
using SourceTest = bool (*)(const TZarvo&);
constexpr std::array<SourceTest, 15> kSourceAvailable = {
    [](const TZarvo&) { return true; },                                              // tsCh1
    [](const TZarvo& z) { return z.FInstrumentConfig == 2 || z.FNrChannels >= 2; },  // tsCh2
    [](const TZarvo& z) { return z.FNrChannels >= 3; },                              // tsCh3
    [](const TZarvo& z) { return z.FNrChannels >= 4; },                              // tsCh4
    [](const TZarvo& z) { return z.FExtTrigAvail; },                                 // tsExternal
    [](const TZarvo& z) { return z.FAnaExtTrigAvail; },                              // tsAnaExt
    [](const TZarvo& z) { return z.FTrigAndOrAvail; },                               // tsAnd
    [](const TZarvo& z) { return z.FTrigAndOrAvail; },                               // tsOr
    [](const TZarvo& z) { return z.FTrigXorAvail; },                                 // tsXor
    [](const TZarvo&) { return true; },                                              // tsNoTrig
    [](const TZarvo&) { return false; },                                             // tsNeverTrig
    [](const TZarvo& z) { return z.FPxiAvail; },                                     // tsPxiExt
    [](const TZarvo& z) { return z.FGenTrigAvail; },                                 // tsGenStart
    [](const TZarvo& z) { return z.FGenTrigAvail; },                                 // tsGenStop
    [](const TZarvo& z) { return z.FGenTrigAvail; },                                 // tsGenNew
};

constexpr std::uint8_t kModeMask = 0x7F;
constexpr std::uint8_t kLastMode = 6;
constexpr std::uint8_t kLastEdgeMode = 1;

// The external input reaches a comparator only through the two edge codes; every other code
// (drop-out, window and level modes) compares the channel's own input. Channel 1's mode
// programs the comparators, so with the external source it must be an edge, or the run would
// wait on channel 2's input instead.
bool ExternalTakesMode(std::uint8_t channel1Mode) {
    return (channel1Mode & kModeMask) <= kLastEdgeMode;
}

std::uint16_t SourceVerdict(const TZarvo& z, std::uint8_t source) {
    if (source >= kSourceAvailable.size()) return RC_BAD_VALUE;
    if (!kSourceAvailable[source](z)) return RC_UNAVAILABLE;
    if (source == tsExternal && !ExternalTakesMode(z.FTrigMode[1])) return RC_UNAVAILABLE;
    return RC_OK;
}

// Trigger modes 0 and 1 (hysteresis below or above the level) exist everywhere; the others
// depend on the comparator logic of the instrument; 7 to 11 belong to other instruments of
// the family; from 12 on there are no modes at all.
std::uint16_t ModeVerdict(const TZarvo& z, std::uint8_t mode) {
    bool available = false;
    switch (mode) {
        case 0:
        case 1:
            available = true;
            break;
        case 2:
        case 3:
            available = z.FTrigMode23Avail;
            break;
        case 4:
            available = z.FTrigMode4Avail;
            break;
        case 5:
        case 6:
            available = z.FTrigMode56Avail;
            break;
        default:
            return mode <= 11 ? RC_UNAVAILABLE : RC_BAD_VALUE;
    }
    return available ? RC_OK : RC_UNAVAILABLE;
}

// The mode of an input, which is checked after the input itself: whether a mode can be taken
// depends on the input (channel 1 under the external source takes only the edges).
std::uint16_t InputModeVerdict(const TZarvo& z, std::uint8_t input, std::uint8_t mode) {
    const std::uint16_t verdict = ModeVerdict(z, mode);
    if (verdict != RC_OK) return verdict;
    if (input == 1 && z.tsTriggerSource == tsExternal && !ExternalTakesMode(mode)) {
        return RC_UNAVAILABLE;
    }
    return RC_OK;
}

std::uint16_t SetModeOf(std::uint8_t input, std::uint8_t mode) {
    const auto check = Guard().Input(input).Decide(
        [input, mode](const TZarvo& z) { return InputModeVerdict(z, input, mode); });
    if (!check) return check.Status();
    check.Instrument().SetChannelTrigMode(input, mode);
    return RC_OK;
}

double LevelVolts(const TZarvo& z, int ch) {
    const LevelScale scale = ScaleFor(z);
    return static_cast<double>((z.GetChannelTrigLevel(ch) - scale.offset) *
                               z.GetChannelSensitivity(ch) / scale.divisor);
}

// Whether a hysteresis keeps the comparator band inside the input range, judged by the
// trigger mode of channel 1 whichever channel is set: below the level in mode 0, above it
// in mode 1; the drop-out modes 2 and 3 take any band; the others take none.
bool HysteresisFits(const TZarvo& z, int ch, double value) {
    if (!std::isfinite(value)) return false;
    const double s = static_cast<double>(z.GetChannelSensitivity(ch));
    const double level = LevelVolts(z, ch);
    switch (z.GetChannelTrigMode(1)) {
        case 0:
            return level - value >= -s;
        case 1:
            return level + value <= s;
        case 2:
        case 3:
            return true;
        default:
            return false;
    }
}

bool HasPxi(const TZarvo& z) {
    return z.FPxiAvail;
}

}  // namespace

extern "C" ZARVO_API(uint16_t) GetTriggerSource(uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Writable(value).Valid(
        [](const TZarvo& z) { return z.tsTriggerSource <= tsUnknown; });
    if (!check) return check.Status();
    *value = check.Instrument().tsTriggerSource;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetTriggerSource(uint8_t value) {
    CallScope scope;
    const auto check = Guard().Decide([value](const TZarvo& z) { return SourceVerdict(z, value); });
    if (!check) return check.Status();
    check.Instrument().Set_tsTriggerSource(value);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetTriggerMode(uint8_t* value) {
    CallScope scope;
    const auto guard = Guard();
    if (!guard) return guard.Status();
    const TZarvo& z = guard.Instrument();
    const TTrigSource source = z.tsTriggerSource;
    // No trigger and the sources after it have no mode to report.
    if (source >= tsNoTrig) return RC_OK;
    std::uint8_t mode = 0;
    bool known = false;
    if (source == tsExternal) {
        mode = z.GetChannelTrigMode(0);
        known = mode <= 1;
    } else {
        // Every channel source reports channel 1's mode.
        mode = z.GetChannelTrigMode(1) & kModeMask;
        known = mode <= kLastMode;
    }
    const auto check = guard.Writable(value).Valid(known);
    if (!check) return check.Status();
    *value = mode;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetTriggerMode(uint8_t mode) {
    CallScope scope;
    const auto guard = Guard();
    if (!guard) return guard.Status();
    const unsigned channels = guard.Instrument().FNrChannels;
    std::uint16_t result = RC_OK;
    // Every channel is tried; the last refusal is the answer, and channels that accepted
    // keep the new mode.
    for (unsigned ch = 1; ch <= channels && ch <= kApiChannels; ++ch) {
        const std::uint16_t rc = SetModeOf(static_cast<std::uint8_t>(ch), mode);
        if (rc != RC_OK) result = rc;
    }
    // The external input knows only modes 0 and 1; its answer does not count.
    if (mode < 2) SetModeOf(0, mode);
    return result;
}

extern "C" ZARVO_API(uint16_t) GetTriggerModeCh(uint8_t ch, uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Input(ch).Writable(value).Valid(
        [ch](const TZarvo& z) { return (z.GetChannelTrigMode(ch) & kModeMask) <= kLastMode; });
    if (!check) return check.Status();
    *value = check.Instrument().GetChannelTrigMode(ch) & kModeMask;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetTriggerModeCh(uint8_t ch, uint8_t mode) {
    CallScope scope;
    return SetModeOf(ch, mode);
}

extern "C" ZARVO_API(uint16_t) GetTriggerLevel(uint8_t ch, double* value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Writable(value);
    if (!check) return check.Status();
    *value = LevelVolts(check.Instrument(), ch);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetTriggerLevel(uint8_t ch, double value) {
    CallScope scope;
    // The level lies within the input range; NaN fails both comparisons.
    const auto check = Guard().Channel(ch).Valid([ch, value](const TZarvo& z) {
        const Extended s = z.GetChannelSensitivity(ch);
        return -s <= value && value <= s;
    });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    const LevelScale scale = ScaleFor(z);
    const Extended counts = value / z.GetChannelSensitivity(ch) * scale.divisor;
    // Within the range the counts are at most one divisor from zero, so this cannot overflow.
    std::int32_t raw = RoundSaturate<std::int32_t>(counts, -65536, 65536) + scale.offset;
    if (raw < 0) raw = 0;
    if (raw >= scale.largest) raw = scale.largest;
    z.SetChannelTrigLevel(ch, raw);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetTriggerHys(uint8_t ch, double* value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Writable(value);
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    const auto raw = static_cast<std::uint16_t>(z.GetChannelTrigHys(ch) & 0xFFFF);
    *value = static_cast<double>(z.GetChannelSensitivity(ch) * raw / ScaleFor(z).divisor);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetTriggerHys(uint8_t ch, double value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Valid(
        [ch, value](const TZarvo& z) { return HysteresisFits(z, ch, value); });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    const LevelScale scale = ScaleFor(z);
    // The comparator register is 16 bits wide: a negative band wraps to a large count and
    // ends up as the widest band.
    std::int32_t raw =
        RoundWrap<std::uint16_t>(value / z.GetChannelSensitivity(ch) * scale.divisor);
    if (raw >= scale.largest) raw = scale.largest;
    z.SetChannelTrigHys(ch, raw);
    return RC_OK;
}

extern "C" ZARVO_API(int32_t) GetTriggerTimeOut(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    if (z == nullptr) return 1;
    if (z->rTrigTimeOut == -1) return -1;
    // Low 32 bits of the millisecond count: every value SetTriggerTimeOut takes comes back
    // with the same bits.
    return RoundWrap<std::int32_t>(z->rTrigTimeOut * 1000);
}

extern "C" ZARVO_API(uint16_t) SetTriggerTimeOut(uint32_t value) {
    CallScope scope;
    const auto check = Guard();
    if (!check) return check.Status();
    constexpr std::uint32_t kWaitForEver = 0xFFFFFFFFu;
    check.Instrument().Set_rTrigTimeOut(
        value == kWaitForEver ? Extended{-1} : static_cast<Extended>(value) / 1000);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetPXITriggerSlopes(uint8_t* value) {
    return ReadIfCapable(HasPxi, &TZarvo::FPxiTrigSlopes, value);
}

extern "C" ZARVO_API(uint16_t) SetPXITriggerSlopes(uint8_t value) {
    return StoreIfCapable(HasPxi, &TZarvo::FPxiTrigSlopes, value);
}

extern "C" ZARVO_API(uint16_t) GetPXITriggerEnables(uint8_t* value) {
    return ReadIfCapable(HasPxi, &TZarvo::FPxiTrigEnables, value);
}

extern "C" ZARVO_API(uint16_t) SetPXITriggerEnables(uint8_t value) {
    return StoreIfCapable(HasPxi, &TZarvo::FPxiTrigEnables, value);
}
