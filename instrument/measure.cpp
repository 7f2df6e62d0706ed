// SPDX-License-Identifier: MIT
// The measurement state machine. The component's 6 ms timer runs one MeasureStep per tick:
// arm when unarmed (applying auto-range requests and reprogramming the front end first when
// settings changed), watch the trigger, force it after the time-out or the dip time, and read
// the record out once the instrument reports it complete. Block mode drives one acquisition
// by hand through Start, GetReady and FetchData.
//
// The time-out is counted in steps, not wall time: a slow message loop stretches it, exactly
// as it stretches the polling itself. The triggered hold and the dip time use the tick.
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/bus_lines.h"
#include "engine/range_index.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

constexpr Extended kStepsPerSecond = 20;       // time-out scale
constexpr Extended kNeverTimeOut = 2'000'000;  // a time-out this long never forces
constexpr std::uint32_t kTriggeredHoldMs = 250;
constexpr Extended kAutoRangeDcLimit = 2.0L;  // DC level over full scale
constexpr Extended kDcLevelDacFactor = 0.57L;
constexpr Extended kCalDacVoltsPerCount = 0.00244140625L;  // 1.25 V / 512: codes pass as-is
constexpr std::int32_t kCalMidCode = 512;
constexpr std::uint8_t kDropOutTrigMode = 2;
constexpr int kBothTriggerBits = bus::kTrigCh1Bit | bus::kTrigCh2Bit;
constexpr int kDacWordBits = 10;

// DC level over the full scale of a range; 0 for an empty range slot, which has no scale.
Extended DcLevelRatio(Extended dcLevel, Extended fullScale) {
    return fullScale != 0 ? dcLevel / fullScale : 0;
}

// The four DAC voltages the front end gets for the current ranges, DC levels and
// calibration: offsets of channels 1 and 2, then their per-range calibration values. The DC
// level enters clamped to the range's span, as the front-end update stores it.
std::array<Extended, 4> FrontEndDacVolts(const TZarvo& z) {
    std::array<Extended, 4> volts{};
    for (int ch = 1; ch <= 2; ++ch) {
        const int slot = TableSlot(z.FRange[ch]);
        const Extended span = z.FRangeSpanTable[slot];
        Extended dc = z.FDcLevel[ch];
        if (dc < -span) dc = -span;
        if (dc > span) dc = span;
        volts[static_cast<std::size_t>(ch - 1)] =
            DcLevelRatio(dc, z.FRangeTable[slot]) * kDcLevelDacFactor +
            z.CalibratedOffset(ch, slot);
    }
    const Extended cal1 = z.FCalDac1[static_cast<std::size_t>(TableSlot(z.FRange[1]))];
    const Extended cal2 = z.FCalDac2[static_cast<std::size_t>(TableSlot(z.FRange[2]))];
    volts[2] = (cal1 - kCalMidCode) * kCalDacVoltsPerCount;
    volts[3] = (cal2 - kCalMidCode) * kCalDacVoltsPerCount;
    return volts;
}

// Relay word and the four DAC codes in one value, to tell whether the front end already
// holds what the settings ask for.
std::uint64_t FrontEndImage(const TZarvo& z, const std::array<Extended, 4>& volts) {
    std::uint64_t image = z.RelayWord();
    for (std::size_t k = 0; k < volts.size(); ++k) {
        image |= static_cast<std::uint64_t>(TZarvo::DacCode(volts[k])) << (kDacWordBits * (k + 1));
    }
    return image;
}

void FollowRange(TZarvo& z, int ch) {
    const int slot = TableSlot(z.FRange[ch]);
    z.FGainCode[ch] = z.FRangeGainCode[slot];
    z.FChannelSpan[ch] = z.FRangeSpanTable[slot];
    z.ClampDcLevel(ch);
}

// Applies the last readout's auto-range request of a channel before an arm. A DC level of more
// than twice the new full scale asks more of the offset DAC than it gives (2 x 0.57 V of its
// 1.25 V), so that range is skipped for the next larger one. Block mode and the timer share
// it; the timer also restarts its averaging run (StepRange).
void TakeRangeStep(TZarvo& z, int ch) {
    int range = ClampToValidRange(std::int64_t{z.FRange[ch]} + z.FRangeStep[ch], z.FNrRanges);
    if (std::fabs(DcLevelRatio(z.FDcLevel[ch], z.FRangeTable[TableSlot(range)])) >
        kAutoRangeDcLimit) {
        range = ClampToValidRange(range + 1, z.FNrRanges);
    }
    z.FRange[ch] = static_cast<std::uint16_t>(range);
    FollowRange(z, ch);
    z.SettingsChanged();
}

void StepRange(TZarvo& z, int ch) {
    TakeRangeStep(z, ch);
    z.nCalculations = 1;
}

bool AutoRangeDue(const TZarvo& z, int ch) {
    const TMeasureMode excluded = ch == 1 ? mCh2 : mCh1;
    return z.FAutoRanging[ch] && z.mMeasureMode != excluded && z.FRangeStep[ch] != 0;
}

// Time-out in steps: 20 per second plus one; -1 waits for ever.
std::int64_t TimeOutSteps(Extended timeOut) {
    if (timeOut < 0) return -1;
    return RoundSaturate<std::int64_t>(timeOut * kStepsPerSecond, 0,
                                       std::numeric_limits<std::int64_t>::max() - 1) +
           1;
}

// A single-call measurement gives up on an instrument that does not complete its run this
// long after the run's last sample was due.
constexpr std::uint32_t kRunGraceMs = 1000;
// Positions a run takes past its post-trigger count while the converters' pipeline empties.
constexpr std::int64_t kRunPipelinePositions = 5;
// The slowest clock takes a day for the largest count; no run is longer than this.
constexpr std::int64_t kLongestRunMs = 0x7FFFFFFF;

// Whether the run armed now is certain to have its trigger: the time-out forced it in the step
// just made (the step count starts again only then or at a readout), the drop-out time has run
// out (every step forces from then on), or the armed source needs no trigger event.
bool TriggerDue(TZarvo& z) {
    if (z.FTrigMode[1] == kDropOutTrigMode) {
        return static_cast<std::int32_t>(z.TickMs() - z.FDipStartTick) > z.FTrigDipMs;
    }
    if (z.FPollCount == 0) return true;
    const TTrigSource s = z.FActiveTrigSource;
    return s != tsCh1 && s != tsCh2 && s != tsExternal && s != tsAnd && s != tsOr;
}

// Milliseconds a working instrument may take from the trigger to the run-complete bit: the
// post-trigger samples at the sample clock, and the grace after them.
std::int64_t CompletionMs(const TZarvo& z) {
    const std::int64_t count = static_cast<std::uint32_t>(z.lPostSamples) & 0xFFFF;
    const Extended runMs = z.FActualSampleFreq > 0
                               ? (count + kRunPipelinePositions) * 1000 / z.FActualSampleFreq
                               : static_cast<Extended>(kLongestRunMs);
    return RoundSaturate<std::int64_t>(runMs, 0, kLongestRunMs) + kRunGraceMs;
}

}  // namespace

void TZarvo::Set_amAcquisitionMode(TAcquisitionMode value) {
    if (value == amAcquisitionMode) return;
    amAcquisitionMode = value;
    if (value == amOneShot) nCalculations = 1;
}

void TZarvo::Set_bEnableMeasurements(bool value) {
    if (value == bEnableMeasurements) return;
    bEnableMeasurements = value;
    if (value) {
        StartTimer();
    } else {
        StopTimer();
    }
}

void TZarvo::StartTimer() {
    if (FTimer) FTimer->SetEnabled(true);
    FArmed = false;
    // A measurement that starts counts its time-out from its own arm, not from steps an
    // earlier run spent waiting before the timer was stopped.
    FPollCount = 0;
}

void TZarvo::StopTimer() {
    if (FTimer) FTimer->SetEnabled(false);
}

void TZarvo::TimerHandler() {
    switch (amAcquisitionMode) {
        case amContinuous:
            MeasureStep();
            break;
        case amOneShot:
            MeasureStep();
            // Also after the step that ended the run by switching to amHold.
            if (OnSettingsChanged) OnSettingsChanged(*this);
            break;
        default:
            break;
    }
}

void TZarvo::ProgramFrontEnd() {
    for (int ch = 1; ch <= 2; ++ch) {
        FChannelOffset[ch] = CalibratedOffset(ch, TableSlot(FRange[ch]));
        FollowRange(*this, ch);
    }
    const std::array<Extended, 4> volts = FrontEndDacVolts(*this);
    for (std::size_t k = 0; k < volts.size(); ++k) {
        WriteFrontEndDac(static_cast<int>(k), volts[k]);
    }
    WriteFrontEndRelays();
    FProgrammedFrontEnd = FrontEndImage(*this, volts);
    FSettingsDirty = false;
}

void TZarvo::MeasureStep() {
    if (!FInstrumentFound) return;

    // Phase A: arm when nothing is armed.
    if (!FArmed) {
        FArmed = true;
        if (AutoRangeDue(*this, 1)) StepRange(*this, 1);
        if (AutoRangeDue(*this, 2)) StepRange(*this, 2);
        if (FSettingsDirty) {
            ProgramFrontEnd();
            // Outside one-shot runs the flag drops again, so the next step arms a second time.
            FArmed = amAcquisitionMode == amOneShot;
        }
        // A time-out shorter than one sample period means: record without a trigger. Decided
        // afresh at every arm, so that it never outlives the run it was made for.
        const bool atOnce = rTrigTimeOut >= 0 && rTrigTimeOut < 1 / Get_rSampleFreq();
        FActiveTrigSource = atOnce ? TTrigSource{tsNoTrig} : tsTriggerSource;
        ArmAcquisition();
        NoteArmedRun();
    }

    // Phase B: every step.
    const std::int64_t timeOutSteps = TimeOutSteps(rTrigTimeOut);
    if (FPollCount < std::numeric_limits<std::int32_t>::max()) ++FPollCount;

    const std::uint32_t seen = TickMs();
    const int status = IsTriggered();
    if (status > 0 && (tsTriggerSource != tsAnd || IsTriggered() == kBothTriggerBits)) {
        FTriggered = true;
        FTriggerSeenTick = seen;
    } else if (static_cast<std::uint32_t>(seen - static_cast<std::uint32_t>(FTriggerSeenTick)) >
               kTriggeredHoldMs) {
        // 32-bit difference: the hold ends on time across a wrap of the tick counter.
        FTriggered = false;
    }
    if (OnTriggered) OnTriggered(*this);

    if (FTrigMode[1] == kDropOutTrigMode) {
        // Drop-out trigger: a comparator that keeps firing restarts the dip timer; once the
        // channel 1 condition has been absent for longer than the dip time, force.
        const std::uint32_t now = TickMs();
        const auto sinceDip = static_cast<std::int32_t>(now - FDipStartTick);
        if (IsTriggered() > 0) {
            if (sinceDip > FTrigDipMs) {
                ForceTrigger();
            } else {
                FDipStartTick = now;
                SelectDevice(bus::kAcquisitionDevice);
                for (int bank = bus::kCh1Bank; bank <= bus::kCh2Bank; ++bank) {
                    BankWrite(bank, bus::kChannelRearm, 0);
                    WriteRegister(BankIndexReg[static_cast<std::size_t>(bank)],
                                  bus::kTriggerSource);
                }
            }
        } else if (sinceDip > FTrigDipMs) {
            ForceTrigger();
        }
    } else if (timeOutSteps > 0 && FPollCount > timeOutSteps && rTrigTimeOut < kNeverTimeOut) {
        ForceTrigger();
        FPollCount = 0;
        FTriggered = false;
        FSettingsDirty = true;
    }

    if (!IsReady()) {
        FRangeStep[1] = 0;
        FRangeStep[2] = 0;
        return;
    }
    FPollCount = 0;
    FRecordLost = !ReadAcquisition();
    if (FRecordLost) {
        // No record came (nothing on the port, or a seek that never ended): nothing is
        // counted or reported, and the next step arms again.
        FArmed = false;
        return;
    }
    if (amAcquisitionMode == amOneShot) {
        if (nAverageNumber == 1 || nCalculations >= nAverageNumber) {
            amAcquisitionMode = amHold;
            SettingsChanged();
        } else {
            ++nCalculations;
        }
    } else if (nCalculations < nAverageNumber) {
        ++nCalculations;
    } else {
        nCalculations = 1;
    }
    FArmed = false;
    FRunDone = true;
    if (OnMeasurementReady) OnMeasurementReady(*this);
    // The readout leaves the front end as it is. A settings change that arrived while the
    // acquisition was armed has not reached the relays and DACs yet, so the flag stays set
    // for it; otherwise the front end already matches and the flag is cleared.
    if (FrontEndImage(*this, FrontEndDacVolts(*this)) == FProgrammedFrontEnd) {
        FSettingsDirty = false;
    }
}

void TZarvo::Start() {
    if (!FInstrumentFound) return;
    for (int ch = 1; ch <= 2; ++ch) {
        if (!AutoRangeDue(*this, ch)) continue;
        // The same step as the timer's, skipping a range that cannot hold the DC level. The
        // request is used up: one step per record read out, however often the run is armed.
        TakeRangeStep(*this, ch);
        FRangeStep[ch] = 0;
    }
    // The same front-end update as an arm by the timer: relays alone would leave the DACs on
    // the offsets and calibration of the previous ranges.
    if (FSettingsDirty) ProgramFrontEnd();
    // A block run waits for the trigger the application chose, whatever an earlier timer or
    // single-call arm with a very short time-out used.
    FActiveTrigSource = tsTriggerSource;
    ArmAcquisition();
    NoteArmedRun();
    FDataPending = true;
}

void TZarvo::NoteArmedRun() {
    FArmedDoubleRate = mMeasureMode == mCh1 && FDoubleRate;
    FArmedChannels = FArmedDoubleRate ? 1 : FChannelSelect;
    for (int ch = 1; ch <= 2; ++ch) FArmedRange[ch] = FRangeTable[TableSlot(FRange[ch])];
}

std::uint16_t TZarvo::GetTriggered() {
    return static_cast<std::uint16_t>(IsTriggered());
}

std::uint16_t TZarvo::GetReady() {
    return IsReady() ? 1 : 0;
}

bool TZarvo::FetchData() {
    if (!FInstrumentFound || !ReadAcquisition()) return false;
    FDataPending = false;
    return true;
}

void TZarvo::RunSynchronous() {
    FRunDone = false;
    FRecordLost = false;
    // Without an instrument or port access no step can ever complete a readout.
    if (!FInstrumentFound || !FPortAccess) return;
    // One complete measurement with the settings in force now: a run armed earlier (by the
    // timer before it was stopped, or by ADC_Start) may hold other settings, so it is
    // abandoned and armed again, and the time-out counts from this arm. A block run taken
    // over this way is never read out by a data export.
    FArmed = false;
    FPollCount = 0;
    FDataPending = false;
    // Paced at the timer interval: the time-out is counted in steps, so a tight loop would
    // force the trigger within a fraction of a millisecond instead of waiting for it.
    //
    // The wait for the trigger is the application's: a time-out that never forces waits for
    // ever, as the timer-driven measurement does. Once the trigger is due, though, an
    // instrument that keeps reporting its run busy past the run's length and a grace second
    // has stopped answering: the loop gives up without a readout, leaving the buffers as they
    // are and FRunDone false.
    bool due = false;
    std::uint32_t dueTick = 0;
    std::int64_t allowedMs = 0;
    while (!FRunDone) {
        const std::uint32_t begin = TickMs();
        MeasureStep();
        // A run reported complete that gave no record will not give one by waiting longer.
        if (FRunDone || FRecordLost) break;
        if (!due && TriggerDue(*this)) {
            due = true;
            dueTick = TickMs();
            allowedMs = CompletionMs(*this);
        }
        // 32-bit difference: right across a wrap of the tick counter.
        if (due && static_cast<std::uint32_t>(TickMs() - dueTick) > allowedMs) return;
        const auto spent = static_cast<std::uint32_t>(TickMs() - begin);
        if (spent < kTimerIntervalMs) FPlatform.SleepMs(kTimerIntervalMs - spent);
    }
}

}  // namespace zarvo
