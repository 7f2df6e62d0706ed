// SPDX-License-Identifier: MIT
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

// Full scale in volts of each input range, its span (twice the full scale) and the front-end
// gain code, for range indexes 1 to 12 (10 to 12 are empty).
constexpr std::array<Extended, 13> kRangeTable{0,     0.2L,  0.4L,  0.8L, 2.0L, 4.0L, 8.0L,
                                               20.0L, 40.0L, 80.0L, 0,    0,    0};
constexpr std::array<Extended, 13> kRangeSpanTable{0,     0.4L,  0.8L,   1.6L, 4.0L, 8.0L, 16.0L,
                                                   40.0L, 80.0L, 160.0L, 0,    0,    0};
constexpr std::array<std::uint8_t, 13> kConstructionGainCodes{0, 4, 3, 3, 3, 2, 2,
                                                              2, 1, 1, 1, 1, 1};

// Relay bits of each range decade: channel 1 in bits 5 to 7, channel 2 in bits 0 to 2 (with
// bit 9 always set for channel 2).
constexpr std::array<std::uint16_t, 13> kRelayCh1{0,     0x020, 0x020, 0x020, 0x040, 0x040, 0x040,
                                                  0x080, 0x080, 0x080, 0,     0,     0};
constexpr std::array<std::uint16_t, 13> kRelayCh2{0,     0x201, 0x201, 0x201, 0x202, 0x202, 0x202,
                                                  0x204, 0x204, 0x204, 0,     0,     0};

constexpr int kDefaultRange = 6;  // 8 V
constexpr int kApiChannels = 4;

}  // namespace

TZarvo::TZarvo(Platform& platform) : FPlatform(platform), FPort(platform.Port()) {
    FPortAccess = CheckPortDriver();

    FTimer = FPlatform.CreateTimer([this] { TimerHandler(); });
    FTimer->SetInterval(kTimerIntervalMs);
    FTimer->SetEnabled(false);

    // Every buffer at its largest size, once. They start zeroed: a running average must never
    // blend in whatever the memory held before (element 0 included).
    FChannelData1 = std::make_unique<std::uint16_t[]>(kDataBufferSamples);
    FChannelData2 = std::make_unique<std::uint16_t[]>(kDataBufferSamples);
    FRawBuffer1 = std::make_unique<std::uint16_t[]>(kDataBufferSamples);
    FRawBuffer2 = std::make_unique<std::uint16_t[]>(kDataBufferSamples);
    FSumBuffer1 = std::make_unique<float[]>(kSumBufferElements);
    FSumBuffer2 = std::make_unique<float[]>(kSumBufferElements);

    nCalculations = 1;
    nAverageNumber = 1;
    FillBankTables();

    FNrResolutions = 1;
    FResolutions.fill(0);
    FResolutions[0] = 8;

    FInstrumentFound = false;
    FUseCallerAddress = false;
    FInstrumentName = "Zarvo";
    FInstrumentType = 1;
    FMaxSampleFreq = 25e6L;
    FResolution = 8;
    FNrChannels = 2;
    FDoubleRateAvail = true;
    FSquareGenAvail = true;
    FFuncGenAvail = false;
    FFuncGenMaxAmplitude = 1.0L;
    FTrigLevelBits = 8;
    FDigitalInputCount = 0;
    FDigitalOutputCount = 0;
    FDcLevelAvail = true;
    FMaxRecordLength = kMaxRecordLength;

    RelayCh1 = kRelayCh1;
    RelayCh2 = kRelayCh2;
    FNrRanges = 9;
    FRangeTable = kRangeTable;
    FRangeSpanTable = kRangeSpanTable;
    FRangeGainCode = kConstructionGainCodes;

    FDoubleRate = false;
    mMeasureMode = mCh12;
    FChannelSelect = 3;
    for (int ch = 1; ch <= kApiChannels; ++ch) {
        FRange[ch] = kDefaultRange;
        FCoupling[ch] = 0;
        FDcLevel[ch] = 0;
        FAutoRanging[ch] = true;
    }
    // Span and gain code follow the current range from the start, so that a DC level set
    // before any range change is kept rather than clamped to a span of 0.
    for (int ch = 1; ch <= 2; ++ch) {
        FChannelSpan[ch] = FRangeSpanTable[FRange[ch]];
        FGainCode[ch] = FRangeGainCode[FRange[ch]];
    }

    // The frequency setter runs its full path (nothing has been requested yet). No port has
    // been chosen at this point, and I/O address 0 belongs to the PC's DMA controller, so the
    // clock programming done here must not reach the bus: only the achieved frequency counts.
    FRequestedSampleFreq = 0;
    const bool portAccess = FPortAccess;
    FPortAccess = false;
    Set_rSampleFreq(25e6L);
    FPortAccess = portAccess;

    lRecordLength = 512;
    lPreSamples = 256;
    lPostSamples = lRecordLength - lPreSamples;
    rTransSampleTime = 1.0L;
    rTrigTimeOut = 0;
    Set_rTrigTimeOut(1.0L);
    tsTriggerSource = tsCh1;
    for (int input = 1; input <= kApiChannels; ++input) FTrigMode[input] = 0;
    for (int ch = 1; ch <= kApiChannels; ++ch) {
        FTrigLevel[ch] = 127;
        FTrigHys[ch] = 10;
    }
    bSlowIO = false;
    FArmed = false;
    FSettingsDirty = true;
    StopTimer();
}

TZarvo::~TZarvo() {
    FSumBuffer1.reset();
    FSumBuffer2.reset();
    FRawBuffer1.reset();
    FRawBuffer2.reset();
    FChannelData1.reset();
    FChannelData2.reset();
    FTimer.reset();
}

Extended TZarvo::Get_rSampleFreq() const {
    return FDoubleRate ? FActualSampleFreq * 2 : FActualSampleFreq;
}

Extended TZarvo::Get_rTrigDipTime() const {
    return static_cast<Extended>(FTrigDipMs) / 1000;
}

}  // namespace zarvo
