// SPDX-License-Identifier: MIT
// Acquisition control: trigger comparators, arming, trigger and ready status, the forced
// trigger, and the memory fill and seek runs that bracket every readout.
#include <algorithm>

#include "engine/bus_lines.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

// How a comparator set-up places level A relative to the trigger level: the hysteresis
// below the level, above it, or the level registers left as they were.
enum class LevelA : std::uint8_t { BelowLevel, AboveLevel, Unchanged };

struct ComparatorSetup {
    LevelA levelA;
    std::uint8_t modeCode;          // comparator mode code
    std::uint8_t externalModeCode;  // the same with the external trigger input as source
};

// Comparator set-up by channel 1's trigger mode (masked with 0x7F), applied to both channels.
constexpr std::array<ComparatorSetup, 7> kComparatorSetups{{
    {LevelA::BelowLevel, 5, 1},
    {LevelA::AboveLevel, 6, 0},
    {LevelA::BelowLevel, 9, 9},
    {LevelA::BelowLevel, 9, 9},
    {LevelA::Unchanged, 0x20, 0x20},
    {LevelA::Unchanged, 0x10, 0x10},
    {LevelA::Unchanged, 0x11, 0x11},
}};

// Trigger-source code of the control bank by trigger source. Sources without a hardware
// path record at once (code 2, immediate).
constexpr std::array<std::uint8_t, 16> kTriggerSourceCodes{
    0,     // tsCh1
    1,     // tsCh2
    2, 2,  // tsCh3, tsCh4
    1,     // tsExternal shares the channel 2 path
    2,     // tsAnaExt
    4,     // tsAnd
    3,     // tsOr
    2, 2, 2, 2, 2, 2, 2, 2,
};
constexpr std::uint8_t kDropOutSourceCode = 7;
constexpr std::uint8_t kDropOutTrigMode = 2;

constexpr std::uint16_t kFillCount = 0x8000;  // the whole circular memory
constexpr std::uint8_t kFillChannelMode = 1;
constexpr std::uint8_t kArmChannelMode = 2;
constexpr std::uint8_t kInterleaveCh2Mode = 0;
constexpr Extended kFastestClock = 25'000'000;
constexpr std::uint32_t kFillTimeoutMs = 10;
constexpr std::uint32_t kSeekTimeoutMs = 1000;
// What every register reads through a port with nothing attached: its status lines float high.
constexpr std::uint8_t kFloatingRegister = 0xFF;

std::uint8_t ComparatorLevel(std::int64_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

}  // namespace

void TZarvo::WriteTriggerComparators() {
    SelectDevice(bus::kAcquisitionDevice);
    const int mode = FTrigMode[1] & 0x7F;
    const bool external = tsTriggerSource == tsExternal;
    if (mode < static_cast<int>(kComparatorSetups.size())) {
        const ComparatorSetup& setup = kComparatorSetups[static_cast<std::size_t>(mode)];
        for (int ch = 1; ch <= 2; ++ch) {
            // 64-bit sums: level and hysteresis are unchecked 32-bit settings.
            const std::int64_t level = FTrigLevel[ch];
            const std::int64_t hysteresis = FTrigHys[ch];
            if (setup.levelA == LevelA::BelowLevel) {
                TrigLevelA[ch] = ComparatorLevel(level - hysteresis);
                TrigLevelB[ch] = ComparatorLevel(level);
            } else if (setup.levelA == LevelA::AboveLevel) {
                TrigLevelA[ch] = ComparatorLevel(level + hysteresis);
                TrigLevelB[ch] = ComparatorLevel(level);
            }
            TrigModeCode[ch] = external ? setup.externalModeCode : setup.modeCode;
        }
    }
    // The shadows are written whether or not they changed: the registers are write-only.
    for (int ch = 1; ch <= 2; ++ch) {
        BankWrite(ch, bus::kComparatorMode, TrigModeCode[ch]);
        BankWrite(ch, bus::kLevelA, TrigLevelA[ch]);
        BankWrite(ch, bus::kLevelB, TrigLevelB[ch]);
    }
}

void TZarvo::ArmAcquisition() {
    if (!FInstrumentFound) return;
    WriteTriggerComparators();

    // The fill and seek runs left the clock at 25 MHz; every arm restores the chosen rate.
    Extended achieved = FActualSampleFreq;
    ProgramSampleClock(achieved);
    if (achieved != FActualSampleFreq) {
        FActualSampleFreq = achieved;
        FSettingsDirty = true;
        SettingsChanged();
    }

    // Only the post-trigger count is programmed; the pre-trigger samples are what the
    // circular memory holds behind the trigger point.
    WriteRunCount(static_cast<std::uint16_t>(static_cast<std::uint32_t>(lPostSamples) & 0xFFFF));
    SelectDevice(bus::kAcquisitionDevice);
    BankWrite(bus::kCh1Bank, bus::kChannelRunMode, kArmChannelMode);
    const bool interleaved = mMeasureMode == mCh1 && FDoubleRate;
    BankWrite(bus::kCh2Bank, bus::kChannelRunMode,
              interleaved ? kInterleaveCh2Mode : kArmChannelMode);
    BankWrite(bus::kControlBank, bus::kRunMode, 0);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kStop);

    const std::uint8_t source = FActiveTrigSource < kTriggerSourceCodes.size()
                                    ? kTriggerSourceCodes[FActiveTrigSource]
                                    : bus::kImmediate;
    BankWrite(bus::kControlBank, bus::kTriggerSource, source);
    // The drop-out trigger is judged in software by the measurement step; the hardware gets
    // its own source code for it, written over the first.
    if (FTrigMode[1] == kDropOutTrigMode) {
        WriteRegister(BankDataReg[bus::kControlBank], kDropOutSourceCode);
    }
    BankWrite(bus::kControlBank, bus::kRunMode, 0);
    BankWrite(bus::kCh1Bank, bus::kChannelRearm, 0);
    BankWrite(bus::kCh2Bank, bus::kChannelRearm, 0);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kArmAndRun);
    FDipStartTick = TickMs();
}

int TZarvo::IsTriggered() {
    SelectDevice(bus::kAcquisitionDevice);
    const std::uint8_t status = ReadRegister(bus::kStatusRegister);
    std::uint8_t mask = bus::kTrigCh1Bit | bus::kTrigCh2Bit;
    if (tsTriggerSource == tsCh1) mask = bus::kTrigCh1Bit;
    // The external input is watched by both comparators, each with its own channel's level,
    // but the run waits on channel 2's path alone: channel 1's bit would report a trigger
    // the run has not seen.
    if (tsTriggerSource == tsCh2 || tsTriggerSource == tsExternal) mask = bus::kTrigCh2Bit;
    return status & mask;
}

bool TZarvo::IsReady() {
    SelectDevice(bus::kAcquisitionDevice);
    // The status register is read twice and only the second answer is used.
    (void)ReadRegister(bus::kStatusRegister);
    return (ReadRegister(bus::kStatusRegister) & bus::kReadyBit) != 0;
}

void TZarvo::ForceTrigger() {
    SelectDevice(bus::kAcquisitionDevice);
    BankWrite(bus::kControlBank, bus::kTriggerSource, bus::kImmediate);
}

bool TZarvo::FillMemory() {
    SelectDevice(bus::kAcquisitionDevice);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kStop);
    WriteRunCount(kFillCount);
    BankWrite(bus::kCh1Bank, bus::kChannelRunMode, kFillChannelMode);
    BankWrite(bus::kCh2Bank, bus::kChannelRunMode, kFillChannelMode);
    Extended clock = kFastestClock;
    ProgramSampleClock(clock);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kFillPrepare);
    BankWrite(bus::kControlBank, bus::kRunMode, 0);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kFillRun);
    // 32768 samples at 25 MHz take 1.3 ms; the wait ends by tick difference, so a wrap of
    // the tick counter does not stretch it.
    const std::uint32_t start = TickMs();
    for (;;) {
        if (IsReady()) return true;
        if (static_cast<std::uint32_t>(TickMs() - start) > kFillTimeoutMs) return false;
    }
}

bool TZarvo::PortFloats() {
    SelectDevice(bus::kAcquisitionDevice);
    return ReadRegister(bus::kStatusRegister) == kFloatingRegister;
}

bool TZarvo::SeekMemory(std::uint16_t count) {
    SelectDevice(bus::kAcquisitionDevice);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kStop);
    WriteRunCount(count);
    Extended clock = kFastestClock;
    ProgramSampleClock(clock);
    BankWrite(bus::kControlBank, bus::kRunMode, 0);
    BankWrite(bus::kControlBank, bus::kTriggerSource, bus::kImmediate);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kSeekPrepare);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kSeekRun);
    // A seek that does not finish is abandoned: the read position is then wherever the
    // instrument left it.
    const std::uint32_t start = TickMs();
    bool done = true;
    while (!IsReady()) {
        if (static_cast<std::uint32_t>(TickMs() - start) > kSeekTimeoutMs) {
            done = false;
            break;
        }
    }
    BankWrite(bus::kControlBank, bus::kCommand, bus::kStop);
    return done;
}

}  // namespace zarvo
