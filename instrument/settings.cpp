// SPDX-License-Identifier: MIT
// Setters and per-channel accessors of the component. Apart from the sample frequency, which
// is programmed at once, a setter records the value, restarts the averaging run and marks the
// front end for reprogramming at the next arm.
#include <cmath>
#include <cstdint>
#include <limits>

#include "instrument/zarvo.h"

namespace zarvo {

namespace {

constexpr int kMaxChannel = 4;
constexpr int kFrontEndChannels = 2;  // channels with spans, gain codes and offsets
constexpr int kRangeSlots = 12;
constexpr Extended kDoubleRateThreshold = 25e6L;

bool IsChannel(int ch) {
    return ch >= 1 && ch <= kMaxChannel;
}
bool IsFrontEndChannel(int ch) {
    return ch >= 1 && ch <= kFrontEndChannels;
}

std::int32_t SaturatedDifference(std::int32_t a, std::int32_t b) {
    const std::int64_t d = static_cast<std::int64_t>(a) - b;
    if (d > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (d < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(d);
}

}  // namespace

void TZarvo::SettingsChanged() {
    FActiveTrigSource = tsTriggerSource;
    FSettingsDirty = true;
    // A timer run armed with the old settings is abandoned: the next step arms again, so the
    // next record is taken with the new ones. (Block runs are not disarmed by this: ADC_Start
    // reads its run out as it was armed.)
    FArmed = false;
}

void TZarvo::Set_mMeasureMode(TMeasureMode value) {
    if (value == mMeasureMode) return;
    mMeasureMode = value;
    switch (value) {
        case mNone:
            FChannelSelect = 0;
            break;
        case mCh1:
            FChannelSelect = 1;
            break;
        case mCh2:
            FChannelSelect = 2;
            break;
        case mCh12:
        case mXY:
            FChannelSelect = 3;
            break;
        default:
            break;
    }
    // Interleaving puts both converters on channel 1: only channel 1 alone may keep it. (The
    // readout interleaves whenever FDoubleRate is set, while the arm routes converter 2 to
    // channel 1 only in mCh1: any other mode would read channel 2's samples into channel 1.)
    if (value != mCh1) FDoubleRate = false;
    // The relay word depends on the mode (every range relay open in mNone, the interleave
    // relays in double rate): the front end is reprogrammed at the next arm.
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_rSampleFreq(Extended value) {
    if (value == FRequestedSampleFreq) return;
    FRequestedSampleFreq = value;
    if (FDoubleRateAvail && value > kDoubleRateThreshold && mMeasureMode == mCh1) {
        // Both converters run at 25 MHz half a period apart: 50 MHz through the getter. In any
        // other measure mode the request goes to the clock below, which makes 25 MHz at most.
        FActualSampleFreq = kDoubleRateThreshold;
        FDoubleRate = true;
    } else {
        FActualSampleFreq = value;
        FDoubleRate = false;
        Extended achieved = value;
        ProgramSampleClock(achieved);
        if (achieved != FActualSampleFreq) {
            FActualSampleFreq = achieved;
            FRequestedSampleFreq = achieved;
        }
    }
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_rTransSampleTime(Extended value) {
    rTransSampleTime = value;
}

void TZarvo::Set_lPreSamples(std::int32_t value) {
    if (value == lPreSamples) return;
    lPreSamples = value;
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_lPostSamples(std::int32_t value) {
    if (value == lPostSamples) return;
    lPostSamples = value;
    Set_lPreSamples(SaturatedDifference(lRecordLength, value));
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_lRecordLength(std::int32_t value) {
    if (value == lRecordLength) return;
    lRecordLength = value;
    Set_lPreSamples(SaturatedDifference(value, lPostSamples));
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_tsTriggerSource(TTrigSource value) {
    if (value == tsTriggerSource) return;
    tsTriggerSource = value;
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_rTrigTimeOut(Extended value) {
    if (value == rTrigTimeOut) return;
    rTrigTimeOut = value;
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::Set_rTrigDipTime(Extended value) {
    if (value == Get_rTrigDipTime()) return;
    FTrigDipMs = RoundSaturate<std::int32_t>(value * 1000);
    nCalculations = 1;
    SettingsChanged();
}

void TZarvo::SetChannelSensitivity(int ch, double value) {
    if (!IsChannel(ch)) return;
    // Compared at the double precision the API passes sensitivities in, so handing back the
    // current full scale of any range (0.2 V included) changes nothing.
    if (value == static_cast<double>(FRangeTable[FRange[ch]])) return;
    // A request beyond the smallest or largest range has that range as its nearest one. Taking
    // it to the table's edge first keeps huge and infinite requests from rounding every
    // distance to the same number (which would pick the smallest range).
    Extended v = value;
    Extended lo = 0;
    Extended hi = 0;
    for (int i = 1; i <= kRangeSlots; ++i) {
        if (FRangeTable[i] == 0) continue;
        if (lo == 0 || FRangeTable[i] < lo) lo = FRangeTable[i];
        if (FRangeTable[i] > hi) hi = FRangeTable[i];
    }
    if (v > hi) v = hi;
    if (v < lo) v = lo;
    Extended best = std::fabs(v - FRangeTable[1]);
    int index = 1;
    for (int i = 1; i <= kRangeSlots; ++i) {
        if (FRangeTable[i] == 0) continue;
        const Extended distance = std::fabs(v - FRangeTable[i]);
        if (distance < best) {  // ties keep the smaller range
            best = distance;
            index = i;
        }
    }
    FRange[ch] = static_cast<std::uint16_t>(index);
    if (IsFrontEndChannel(ch)) {
        FGainCode[ch] = FRangeGainCode[index];
        FChannelSpan[ch] = FRangeSpanTable[index];
        ClampDcLevel(ch);
        FChannelOffset[ch] = CalibratedOffset(ch, index);
    }
    nCalculations = 1;
    SettingsChanged();
}

Extended TZarvo::GetChannelSensitivity(int ch) const {
    return IsChannel(ch) ? FRangeTable[FRange[ch]] : 0;
}

Extended TZarvo::GetRangeValue(int index) const {
    return (index >= 1 && index <= kRangeSlots) ? FRangeTable[index] : 0;
}

void TZarvo::SetChannelCoupling(int ch, std::uint8_t code) {
    if (!IsChannel(ch) || code == FCoupling[ch]) return;
    FCoupling[ch] = code;
    nCalculations = 1;
    SettingsChanged();
}

std::uint8_t TZarvo::GetChannelCoupling(int ch) const {
    return IsChannel(ch) ? FCoupling[ch] : 0;
}

void TZarvo::SetChannelDcLevel(int ch, Extended volts) {
    if (!IsChannel(ch) || volts == FDcLevel[ch]) return;
    FDcLevel[ch] = volts;
    ClampDcLevel(ch);
    nCalculations = 1;
    SettingsChanged();
}

Extended TZarvo::GetChannelDcLevel(int ch) const {
    return IsChannel(ch) ? FDcLevel[ch] : 0;
}

bool TZarvo::SetChannelAutoRanging(int ch, bool on) {
    if (IsChannel(ch)) FAutoRanging[ch] = on;
    return on;
}

bool TZarvo::GetChannelAutoRanging(int ch) const {
    return IsChannel(ch) && FAutoRanging[ch];
}

void TZarvo::SetChannelTrigLevel(int ch, std::int32_t raw) {
    if (!IsChannel(ch) || raw == FTrigLevel[ch]) return;
    FTrigLevel[ch] = raw;
    nCalculations = 1;
    SettingsChanged();
}

std::int32_t TZarvo::GetChannelTrigLevel(int ch) const {
    return IsChannel(ch) ? FTrigLevel[ch] : 0;
}

void TZarvo::SetChannelTrigHys(int ch, std::int32_t raw) {
    if (!IsChannel(ch) || raw == FTrigHys[ch]) return;
    FTrigHys[ch] = raw;
    nCalculations = 1;
    SettingsChanged();
}

std::int32_t TZarvo::GetChannelTrigHys(int ch) const {
    return IsChannel(ch) ? FTrigHys[ch] : 0;
}

void TZarvo::SetChannelTrigMode(int input, std::uint8_t mode) {
    if (input < 0 || input > kMaxChannel || mode == FTrigMode[input]) return;
    FTrigMode[input] = mode;
    nCalculations = 1;
    SettingsChanged();
}

std::uint8_t TZarvo::GetChannelTrigMode(int input) const {
    return (input >= 0 && input <= kMaxChannel) ? FTrigMode[input] : 0;
}

std::uint16_t TZarvo::GetResolutionValue(int index) const {
    if (index < 0 || index >= FNrResolutions || index >= static_cast<int>(FResolutions.size())) {
        return 0;
    }
    return FResolutions[index];
}

void TZarvo::SetResolutionBits(int /*bits*/) {
    // 8 bits is the only resolution the converters have.
    FResolution = 8;
}

int TZarvo::ClampRange(int range) const {
    if (range < 1) return 1;
    if (range > FNrRanges) return FNrRanges;
    return range;
}

void TZarvo::ClampDcLevel(int ch) {
    if (!IsFrontEndChannel(ch)) return;
    const Extended span = FChannelSpan[ch];
    if (FDcLevel[ch] < -span) FDcLevel[ch] = -span;
    if (FDcLevel[ch] > span) FDcLevel[ch] = span;
}

Extended TZarvo::CalibratedOffset(int ch, int range) const {
    if (ch < 1 || ch > 3 || range < 1 || range > kRangeSlots) return 0;
    return static_cast<Extended>(FCalOffset[ch][range] - 512) / 512 * 1.25L;
}

bool TZarvo::SetMessageId(int kind, std::uint32_t id) {
    if (kind == 4) {
        FMsgTransUpdate = id;
        return true;
    }
    if (kind == 5) {
        FMsgTransReady = id;
        return true;
    }
    return false;
}

}  // namespace zarvo
