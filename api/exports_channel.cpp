// SPDX-License-Identifier: MIT
// Channel, timebase and configuration: the instrument's identity and limits, input ranges,
// coupling, DC level, auto ranging, resolution, measure mode, record length, post-trigger
// samples, sample frequency, external clock and the configuration of configurable types.
#include <algorithm>
#include <cmath>
#include <limits>

#include "api/checks.h"
#include "api/library.h"
#include "hardware/calibration_date.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

constexpr int kListLength = 20;  // GetAvailableSensitivities / GetAvailableResolutions
constexpr int kRangeSlots = 12;  // entries of the component's range tables
constexpr std::uint8_t kLastMeasureMode = mXY;
// The slowest clock the counter makes: 50 kHz divided by the largest 16-bit count.
constexpr Extended kSlowestSampleFreq = 50000.0L / 65535.0L;
// Requested full-scale values are held within this many volts before the nearest range is
// chosen; far beyond every range, the distances would no longer be told apart.
constexpr double kSensitivityLimit = 1e6;

// Day of month in the top byte, month in the next, year in the low 16 bits; the time of day
// is dropped. The record never reports a date outside the years 1 to 9999; should one turn
// up, it reads as the record's own fallback, 1 January 1980.
std::uint32_t PackCalibrationDate(double dateTime) {
    CalendarDate date{1980, 1, 1};
    SplitCalendarDate(dateTime, date);
    return (static_cast<std::uint32_t>(date.day) << 24) |
           (static_cast<std::uint32_t>(date.month) << 16) |
           (static_cast<std::uint32_t>(date.year) & 0xFFFFu);
}

bool HasSerialNumber(const TZarvo& z) {
    return !IsType(z, {2, 3, 4});
}
bool DcLevelSettable(const TZarvo& z) {
    return z.FDcLevelAvail;
}
bool HasExternalClock(const TZarvo& z) {
    return IsType(z, {18, 22}) && z.FMaxSampleFreq >= 50e6L;
}

// SetMeasureMode: modes using channel 2 need two channels, modes using channel 3 or 4 need
// four; modes 0, 1 and 16 and values beyond the table need none.
bool HasChannelsFor(const TZarvo& z, std::uint8_t mode) {
    if (mode == mCh2 || mode == mCh12) return z.FNrChannels >= 2;
    if (mode >= mCh3 && mode <= mCh1234) return z.FNrChannels >= 4;
    return true;
}

std::uint16_t SetSampleFrequencyOf(double* value) {
    const auto check = Guard().Readable(value).Valid(
        [value](const TZarvo&) { return std::isfinite(*value) && *value > 0; });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    // Below the slowest rate the counter cannot divide far enough: the slowest rate it is.
    z.Set_rSampleFreq(std::max(static_cast<Extended>(*value), kSlowestSampleFreq));
    *value = static_cast<double>(z.Get_rSampleFreq());
    return RC_OK;
}

}  // namespace

// ---- Identity and limits

extern "C" ZARVO_API(uint16_t) GetNrChannels(uint16_t* value) {
    CallScope scope;
    const auto check = Guard().Writable(value);
    if (!check) return check.Status();
    *value = check.Instrument().FNrChannels;
    return RC_OK;
}

extern "C" ZARVO_API(double) GetMaxSampleFrequencyF(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? static_cast<double>(z->FMaxSampleFreq) : 0.0;
}

extern "C" ZARVO_API(uint32_t) GetMaxSampleFrequency(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? RoundSaturate<std::uint32_t>(z->FMaxSampleFreq) : 0;
}

extern "C" ZARVO_API(int32_t) GetMaxRecordLength(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? z->FMaxRecordLength : 0;
}

extern "C" ZARVO_API(uint16_t) GetSerialNumber(int32_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(HasSerialNumber).Writable(value);
    if (check.Status() == RC_UNAVAILABLE && value != nullptr) *value = 0;
    if (!check) return check.Status();
    *value = check.Instrument().FSerialNumber;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetCalibrationDate(uint32_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(HasSerialNumber).Writable(value);
    if (!check) return check.Status();
    // Read from the EEPROM at every call: the date is not cached.
    *value = PackCalibrationDate(check.Instrument().ReadCalibrationDate());
    return RC_OK;
}

extern "C" ZARVO_API(int32_t) GetDCLevelStatus(void) {
    CallScope scope;
    return Guard().Capable(DcLevelSettable).Status();
}

// ---- Ranges and resolutions

extern "C" ZARVO_API(uint16_t) GetAvailableSensitivities(double* values) {
    CallScope scope;
    const auto check = Guard().Writable(values);
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    std::fill_n(values, kListLength, 0.0);
    // Largest range first.
    const int ranges = std::clamp(z.FNrRanges, 0, kRangeSlots);
    for (int i = 0; i < ranges; ++i) values[i] = static_cast<double>(z.GetRangeValue(ranges - i));
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetAvailableResolutions(double* values) {
    CallScope scope;
    const auto check = Guard().Writable(values);
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    std::fill_n(values, kListLength, 0.0);
    const int count = std::min<int>(z.FNrResolutions, kListLength);
    for (int i = 0; i < count; ++i) values[i] = z.GetResolutionValue(i);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetResolution(uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Writable(value);
    if (!check) return check.Status();
    *value = static_cast<std::uint8_t>(check.Instrument().FResolution);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetResolution(uint8_t value) {
    CallScope scope;
    const auto check = Guard().Valid([value](const TZarvo& z) {
        for (int i = 0; i < z.FNrResolutions; ++i)
            if (z.GetResolutionValue(i) == value) return true;
        return false;
    });
    if (!check) return check.Status();
    check.Instrument().SetResolutionBits(value);
    return RC_OK;
}

// ---- Measure mode

extern "C" ZARVO_API(uint16_t) GetMeasureMode(uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Writable(value).Valid(
        [](const TZarvo& z) { return z.mMeasureMode <= kLastMeasureMode; });
    if (!check) return check.Status();
    *value = check.Instrument().mMeasureMode;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetMeasureMode(uint8_t mode) {
    CallScope scope;
    const auto check = Guard()
                           .Capable([mode](const TZarvo& z) { return HasChannelsFor(z, mode); })
                           .Valid(mode <= kLastMeasureMode);
    if (!check) return check.Status();
    check.Instrument().Set_mMeasureMode(mode);
    return RC_OK;
}

// ---- Record and sample counts

extern "C" ZARVO_API(int32_t) GetRecordLength(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? z->lRecordLength : 0;
}

extern "C" ZARVO_API(uint16_t) SetRecordLength(uint32_t value) {
    CallScope scope;
    const auto check = Guard().Valid([value](const TZarvo& z) {
        return static_cast<std::int64_t>(value) <= z.FMaxRecordLength;
    });
    if (!check) return check.Status();
    check.Instrument().Set_lRecordLength(static_cast<std::int32_t>(value));
    return RC_OK;
}

extern "C" ZARVO_API(int32_t) GetPostSamples(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? z->lPostSamples : 0;
}

extern "C" ZARVO_API(uint16_t) SetPostSamples(uint32_t value) {
    CallScope scope;
    const auto check = Guard().Valid(
        [value](const TZarvo& z) { return static_cast<std::int64_t>(value) <= z.lRecordLength; });
    if (!check) return check.Status();
    check.Instrument().Set_lPostSamples(static_cast<std::int32_t>(value));
    return RC_OK;
}

// ---- Sample frequency

extern "C" ZARVO_API(double) GetSampleFrequencyF(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? static_cast<double>(z->Get_rSampleFreq()) : 0.0;
}

extern "C" ZARVO_API(uint16_t) SetSampleFrequencyF(double* value) {
    CallScope scope;
    return SetSampleFrequencyOf(value);
}

extern "C" ZARVO_API(uint32_t) GetSampleFrequency(void) {
    CallScope scope;
    const TZarvo* z = FoundInstrument();
    return z != nullptr ? RoundSaturate<std::uint32_t>(z->Get_rSampleFreq()) : 0;
}

extern "C" ZARVO_API(uint16_t) SetSampleFrequency(uint32_t* value) {
    CallScope scope;
    if (value == nullptr) return SetSampleFrequencyOf(nullptr);
    double frequency = *value;
    const std::uint16_t rc = SetSampleFrequencyOf(&frequency);
    // Written back whatever the outcome: on failure the request comes back unchanged.
    *value = RoundSaturate<std::uint32_t>(frequency);
    return rc;
}

// ---- Channel settings

extern "C" ZARVO_API(uint16_t) GetSensitivity(uint8_t ch, double* value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Writable(value);
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    *value = static_cast<double>(z.GetChannelSensitivity(ch));
    Lib().VoltScale[ch] = ScaleOf(z, ch);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetSensitivity(uint8_t ch, double* value) {
    CallScope scope;
    // Any number selects the nearest range; only a value that is not a number names none.
    const auto check = Guard().Channel(ch).Readable(value).Valid(
        [value](const TZarvo&) { return !std::isnan(*value); });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    z.SetChannelSensitivity(ch, std::clamp(*value, -kSensitivityLimit, kSensitivityLimit));
    *value = static_cast<double>(z.GetChannelSensitivity(ch));
    Lib().VoltScale[ch] = *value / 32768.0;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetAutoRanging(uint8_t ch, uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Writable(value);
    if (!check) return check.Status();
    *value = check.Instrument().GetChannelAutoRanging(ch) ? 1 : 0;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetAutoRanging(uint8_t ch, uint8_t value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Valid(value <= 1);
    if (!check) return check.Status();
    check.Instrument().SetChannelAutoRanging(ch, value == 1);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetCoupling(uint8_t ch, uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Writable(value).Valid(
        [ch](const TZarvo& z) { return z.GetChannelCoupling(ch) <= 1; });
    if (!check) return check.Status();
    *value = check.Instrument().GetChannelCoupling(ch);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetCoupling(uint8_t ch, uint8_t value) {
    CallScope scope;
    const auto check = Guard().Channel(ch).Valid(value <= 1);
    if (!check) return check.Status();
    check.Instrument().SetChannelCoupling(ch, value);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetDcLevel(uint8_t ch, double* value) {
    CallScope scope;
    const auto check = Guard().Capable(DcLevelSettable).Channel(ch).Writable(value);
    if (!check) return check.Status();
    *value = static_cast<double>(check.Instrument().GetChannelDcLevel(ch));
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetDcLevel(uint8_t ch, double value) {
    CallScope scope;
    // The offset reaches twice the full scale either way; NaN fails both comparisons.
    const auto check =
        Guard().Capable(DcLevelSettable).Channel(ch).Valid([ch, value](const TZarvo& z) {
            const Extended limit = 2 * z.GetChannelSensitivity(ch);
            return -limit <= value && value <= limit;
        });
    if (!check) return check.Status();
    check.Instrument().SetChannelDcLevel(ch, value);
    return RC_OK;
}

// ---- External clock

extern "C" ZARVO_API(uint16_t) GetExternalClock(uint16_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(HasExternalClock).Writable(value);
    if (check.Status() == RC_UNAVAILABLE && value != nullptr) *value = 0;
    if (!check) return check.Status();
    *value = check.Instrument().bExternalClock ? 1 : 0;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetExternalClock(uint16_t value) {
    CallScope scope;
    const auto guard = Guard();
    if (!guard) return guard.Status();
    const auto check = guard.Capable(HasExternalClock).Valid(value <= 1);
    // Written straight into the field; every refusal leaves the clock internal.
    guard.Instrument().bExternalClock = check && value == 1;
    return check.Status();
}

// ---- Instrument configuration

extern "C" ZARVO_API(uint16_t) SetInstrumentConfig(uint16_t value) {
    CallScope scope;
    const auto check = Guard().Capable(IsConfigurable);
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    // A configuration change rebuilds the timebase and ranges, so the settings the
    // application made are applied again afterwards.
    const Extended frequency = z.Get_rSampleFreq();
    const std::int32_t recordLength = z.lRecordLength;
    const double range1 = static_cast<double>(z.GetChannelSensitivity(1));
    const double range2 = static_cast<double>(z.GetChannelSensitivity(2));
    const std::int32_t postSamples = z.lPostSamples;
    const bool valid = value <= 2;
    if (valid) z.FInstrumentConfig = static_cast<std::uint8_t>(value);
    z.Set_rSampleFreq(frequency);
    z.Set_lRecordLength(recordLength);
    z.SetChannelSensitivity(1, range1);
    z.SetChannelSensitivity(2, range2);
    z.Set_lPostSamples(postSamples);
    return valid ? RC_OK : RC_BAD_VALUE;
}

extern "C" ZARVO_API(uint16_t) GetInstrumentConfig(uint16_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(IsConfigurable).Writable(value).Valid([](const TZarvo& z) {
        return z.FInstrumentConfig <= 2;
    });
    if (!check) return check.Status();
    *value = check.Instrument().FInstrumentConfig;
    return RC_OK;
}
