// SPDX-License-Identifier: MIT
// TZarvo: the one object that stands for the attached instrument.
//
// It holds every setting, the instrument's identity and capabilities, the calibration, the
// measurement state and the sample buffers. The acquisition engine (engine/) and the hardware
// access (hardware/) are methods of this class working on these fields; the exported API
// (api/) forwards to its properties and methods. Fields keep the names of the instrument's
// design: F-prefixed private state and type-prefixed published properties. They are public
// because the API layer, the engine and the tests all work on the same state.
//
// Method groups and the files that implement them:
//   construction, destruction, property getters        instrument/zarvo.cpp
//   property setters and per-channel accessors          instrument/settings.cpp
//   measurement state machine, timer, block mode        instrument/measure.cpp
//   instrument bus                                      engine/bus.cpp
//   front end relays and DACs                           engine/front_end.cpp
//   sample clock and square wave                        engine/timebase.cpp
//   arming, status, fill and seek runs                  engine/acquisition.cpp
//   record readout                                      engine/readout.cpp
//   port primitives and driver check                    hardware/port_io.cpp
//   serial EEPROM and calibration record                hardware/eeprom.cpp
//   detection, start-up and shutdown                    hardware/detection.cpp
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "instrument/global.h"
#include "instrument/numeric.h"
#include "platform/platform.h"

namespace zarvo {

class TZarvo;

// An event slot: called with the component as sender; an empty slot is skipped.
using TNotifyEvent = std::function<void(TZarvo& sender)>;

// Sizes of the buffers, allocated once at construction at their largest so that no
// measurement allocates.
inline constexpr int kDataBufferSamples = 132001;  // 264002 bytes of 16-bit samples
inline constexpr int kSumBufferElements = 32761;   // 131044 bytes of 32-bit floats
inline constexpr int kMaxRecordLength = 32760;
inline constexpr std::uint32_t kTimerIntervalMs = 6;

// The driver-missing message, three lines separated by single line feeds.
inline constexpr const char* kPortDriverMessage =
    "Windows NT / 2000 / XP requires an extra NT-driver for the parallel port and ISA bus.\n"
    "It was not detected on this computer.\n"
    "Hardware will not be available";

class TZarvo {
public:
    explicit TZarvo(Platform& platform);
    ~TZarvo();
    TZarvo(const TZarvo&) = delete;
    TZarvo& operator=(const TZarvo&) = delete;

    // ---- Published properties: getters (zarvo.cpp) and setters (settings.cpp, measure.cpp)
    Extended Get_rSampleFreq() const;   // FActualSampleFreq, doubled in double-rate mode
    Extended Get_rTrigDipTime() const;  // FTrigDipMs / 1000
    std::string Cursor() const { return "nvt"; }
    std::string Hint() const { return "nvt"; }
    std::string Tag() const { return "nvt"; }

    void Set_mMeasureMode(TMeasureMode value);
    void Set_amAcquisitionMode(TAcquisitionMode value);  // measure.cpp
    void Set_bEnableMeasurements(bool value);            // measure.cpp
    void Set_rSampleFreq(Extended value);
    void Set_rTransSampleTime(Extended value);
    void Set_lPreSamples(std::int32_t value);
    void Set_lPostSamples(std::int32_t value);
    void Set_lRecordLength(std::int32_t value);
    void Set_tsTriggerSource(TTrigSource value);
    void Set_rTrigTimeOut(Extended value);
    void Set_rTrigDipTime(Extended value);

    // ---- Settings accessors (settings.cpp)
    void SettingsChanged();
    void SetChannelSensitivity(int ch, double value);
    Extended GetChannelSensitivity(int ch) const;
    Extended GetRangeValue(int index) const;
    void SetChannelCoupling(int ch, std::uint8_t code);
    std::uint8_t GetChannelCoupling(int ch) const;
    void SetChannelDcLevel(int ch, Extended volts);
    Extended GetChannelDcLevel(int ch) const;
    bool SetChannelAutoRanging(int ch, bool on);
    bool GetChannelAutoRanging(int ch) const;
    void SetChannelTrigLevel(int ch, std::int32_t raw);
    std::int32_t GetChannelTrigLevel(int ch) const;
    void SetChannelTrigHys(int ch, std::int32_t raw);
    std::int32_t GetChannelTrigHys(int ch) const;
    void SetChannelTrigMode(int input, std::uint8_t mode);
    std::uint8_t GetChannelTrigMode(int input) const;
    std::uint16_t GetResolutionValue(int index) const;
    void SetResolutionBits(int bits);
    int ClampRange(int range) const;
    void FillGeneratorMemory() {}
    void ClampDcLevel(int ch);
    // Offset of a channel's current range from its calibration, in volts.
    Extended CalibratedOffset(int ch, int range) const;
    bool SetMessageId(int kind, std::uint32_t id);

    // ---- Measurement state machine (measure.cpp)
    void StartTimer();
    void StopTimer();
    void TimerHandler();
    void MeasureStep();
    void Start();
    void Abort() {}
    std::uint16_t GetTriggered();
    std::uint16_t GetReady();
    bool IsRunning() const { return FDataPending; }
    // false when the instrument gave no record; the run then stays pending
    bool FetchData();
    void RunSynchronous();
    // Front-end update shared by the timer step and block-mode start: offsets, spans and gain
    // codes, DC-level clamp, the four DACs, then the relays.
    void ProgramFrontEnd();
    // Notes what the run just armed was set to (FArmed...), for its read-out.
    void NoteArmedRun();

    // ---- Instrument bus (engine/bus.cpp)
    void SelectDevice(std::uint8_t code);
    void WriteRegister(std::uint8_t reg, std::uint8_t value);
    std::uint8_t ReadRegister(std::uint8_t reg);
    void WriteRunCount(std::uint16_t count);
    void BankWrite(int bank, std::uint8_t sub, std::uint8_t value);
    void FillBankTables();

    // ---- Front end (engine/front_end.cpp)
    std::uint16_t RelayWord() const;
    static std::uint16_t DacCode(Extended volts);
    void WriteFrontEndRelays();
    void WriteFrontEndDac(int channel, Extended volts);

    // ---- Timebase (engine/timebase.cpp)
    void ProgramSampleClock(Extended& freq);
    void ProgramSquareWave(Extended& freq);

    // ---- Acquisition control (engine/acquisition.cpp)
    void WriteTriggerComparators();
    void ArmAcquisition();
    int IsTriggered();
    bool IsReady();
    void ForceTrigger();
    bool FillMemory();
    // false when the instrument never reported the seek run complete
    bool SeekMemory(std::uint16_t count);
    // Whether the status register reads as a port with nothing attached.
    bool PortFloats();

    // ---- Readout (engine/readout.cpp)
    // false when no record was read (no instrument on the port, or a seek it never ended);
    // the buffers and the range requests are then left as they were.
    bool ReadAcquisition();

    // ---- Port primitives (hardware/port_io.cpp)
    void PortOut(std::int32_t port, std::uint8_t value) {
        FPort.Out(static_cast<std::uint16_t>(port & 0xFFFF), value);
    }
    std::uint8_t PortIn(std::int32_t port) {
        return FPort.In(static_cast<std::uint16_t>(port & 0xFFFF));
    }
    void DelayMs(std::uint32_t ms);
    std::uint32_t TickMs() { return FPlatform.TickMs(); }
    bool CheckPortDriver();

    // ---- Serial EEPROM and calibration record (hardware/eeprom.cpp)
    void EepromSetLines(bool data, bool clock);
    bool EepromSampleData(bool clock);
    void EepromStart(bool read);
    void EepromWriteByte(std::uint8_t value);
    std::uint8_t EepromReadByte();
    void EepromStop();
    std::uint8_t EepromRead(std::uint8_t address);
    std::int32_t ReadSerialNumber();
    double ReadCalibrationDate();  // days since 1899-12-30, time of day as the fraction
    void ReadCalibration();

    // ---- Detection, start-up, shutdown (hardware/detection.cpp)
    bool StartInstrument();
    void StopInstrument();
    bool DetectInstrument();
    bool ProbeInstrument(const std::string& portName);
    bool OpenPortDevice(const std::string& portName);
    void ClosePortDevice();
    void ApplyModelCode(std::uint8_t model);
    void LoadStartupTables();

    Platform& platform() { return FPlatform; }

    // ================= Fields =================
    Platform& FPlatform;
    PortBackend& FPort;

    std::unique_ptr<Timer> FTimer;
    std::uint64_t FTriggerSeenTick = 0;
    std::uint32_t FDipStartTick = 0;
    std::int32_t nAverageNumber = 1;
    std::int32_t nCalculations = 1;
    std::uint8_t FEepromLines = 0;
    bool FArmed = false;
    bool FSettingsDirty = true;
    std::int32_t FPollCount = 0;
    Extended FActualSampleFreq = 25e6L;
    std::array<Extended, 3> FChannelOffset{};  // [1..2]
    TTrigSource FActiveTrigSource = tsCh1;
    bool FPortAccess = false;
    bool FInstrumentFound = false;
    std::uint8_t FInstrumentType = 1;
    std::string FInstrumentName = "Zarvo";
    std::int32_t FMaxRecordLength = kMaxRecordLength;
    std::int32_t FResolution = 8;
    Extended FMaxSampleFreq = 25e6L;
    std::uint16_t FNrChannels = 2;
    bool FDoubleRateAvail = true;
    std::int32_t FNrRanges = 9;
    std::array<Extended, 13> FRangeTable{};  // [1..12]
    bool FDcLevelAvail = true;
    std::array<Extended, 13> FRangeSpanTable{};  // [1..12]
    std::array<Extended, 3> FChannelSpan{};      // [1..2]
    bool FSquareGenAvail = true;
    bool FFuncGenAvail = false;
    Extended FFuncGenMaxAmplitude = 1.0L;
    bool FGenBurstAvail = false;
    bool FGenTrigSourceAvail = false;
    bool FTrigMode56Avail = true;
    bool FTrigMode4Avail = false;
    bool FTrigAndOrAvail = true;
    bool FTrigXorAvail = false;
    bool FTrigMode23Avail = false;
    bool FExtTrigAvail = true;
    bool FAnaExtTrigAvail = false;
    bool FPxiAvail = false;
    bool FGenTrigAvail = false;
    std::uint16_t FTrigLevelBits = 8;
    bool FUseCallerAddress = false;
    std::int32_t FDigitalInputCount = 0;
    std::int32_t FDigitalOutputCount = 0;
    std::int32_t nHardwareAddress = 0;
    std::string FPortName;
    TMeasureMode mMeasureMode = mCh12;
    std::uint8_t FChannelSelect = 3;
    TAcquisitionMode amAcquisitionMode = amContinuous;
    bool bEnableMeasurements = false;
    TTransferMode tmTransferMode = tmBlock;
    void* FDataReadyCallback = nullptr;
    void* FDataReadyEvent = nullptr;
    std::array<std::uint8_t, 3> FGainCode{};        // [1..2]
    std::array<std::uint8_t, 13> FRangeGainCode{};  // [1..12]
    std::uint8_t FInstrumentConfig = 0;
    std::array<std::int32_t, 3> FRangeStep{};  // [1..2]
    std::array<std::uint16_t, 5> FRange{};     // [1..4]
    std::array<std::uint8_t, 5> FCoupling{};   // [1..4]
    std::array<Extended, 5> FDcLevel{};        // [1..4]
    std::array<bool, 5> FAutoRanging{};        // [1..4]
    std::array<std::int32_t, 5> FTrigLevel{};  // [1..4]
    std::array<std::int32_t, 5> FTrigHys{};    // [1..4]
    Extended FRequestedSampleFreq = 25e6L;
    std::int32_t lPreSamples = 256;
    std::int32_t lPostSamples = 256;
    std::int32_t lRecordLength = 512;
    Extended rTransSampleTime = 1.0L;
    bool bExternalClock = false;
    TTrigSource tsTriggerSource = tsCh1;
    std::array<std::uint8_t, 5> FTrigMode{};  // [0..4], 0 = external trigger input
    Extended rTrigTimeOut = 1.0L;
    std::int32_t FTrigDipMs = 0;
    bool bSlowIO = false;

    // Function generator settings: kept for the generator exports, drive no hardware.
    Extended FGenFrequency = 0;
    Extended FGenAmplitude = 0;
    std::uint8_t FGenSignalType = 0;
    Extended FGenDcOffset = 0;
    Extended FGenSymmetry = 0;
    bool FGenOutputOn = false;
    bool FGenEnable = false;
    std::int64_t FGenBurstCount = 0;
    bool FGenTrigExternal = false;
    std::int32_t FGenMemoryLength = 0;

    std::uint16_t FNrResolutions = 1;
    std::array<std::uint16_t, 11> FResolutions{};  // [0..10]

    TNotifyEvent OnSettingsChanged;
    TNotifyEvent OnMeasurementReady;
    TNotifyEvent OnTriggered;
    TNotifyEvent OnTransientUpdate;

    std::unique_ptr<std::uint16_t[]> FRawBuffer1;
    std::unique_ptr<std::uint16_t[]> FRawBuffer2;
    DeviceHandle FPortHandle = 0;
    bool FRunDone = false;
    bool FRecordLost = false;  // the last readout of a measurement step gave no record
    bool FDataPending = false;
    std::unique_ptr<float[]> FSumBuffer1;
    std::unique_ptr<float[]> FSumBuffer2;
    std::int32_t FSerialNumber = 0;
    std::unique_ptr<std::uint16_t[]> FChannelData1;
    std::unique_ptr<std::uint16_t[]> FChannelData2;
    std::array<std::int32_t, 13> FCalDac1{};  // [1..12]
    std::array<std::int32_t, 13> FCalDac2{};
    std::array<std::int32_t, 13> FCalDac3{};
    std::array<std::array<std::int32_t, 13>, 4> FCalOffset{};  // [1..3][1..12]
    bool FDoubleRate = false;
    bool FTriggered = false;
    std::uint8_t FPxiTrigSlopes = 0;
    std::uint8_t FPxiTrigEnables = 0;

    // Message ids handed over by the API for transient updates (kind 4) and ready (kind 5).
    std::uint32_t FMsgTransUpdate = 0;
    std::uint32_t FMsgTransReady = 0;

    // Register-layer tables and the shadows of write-only registers. One instrument per
    // process, so they live with it.
    std::array<std::uint8_t, 3> BankIndexReg{};
    std::array<std::uint8_t, 3> BankDataReg{};
    std::array<std::uint16_t, 13> RelayCh1{};  // [0..12]
    std::array<std::uint16_t, 13> RelayCh2{};
    std::uint8_t ClockControlShadow = 0;
    std::array<std::uint8_t, 3> TrigLevelA{};  // [1..2]
    std::array<std::uint8_t, 3> TrigLevelB{};
    std::array<std::uint8_t, 3> TrigModeCode{};

    // The run armed last, as the hardware was set for it: its read-out interleaves, reads the
    // channels and scales the samples as the run was taken, whatever changed since.
    bool FArmedDoubleRate = false;
    std::uint8_t FArmedChannels = 3;        // bit 0 channel 1, bit 1 channel 2
    std::array<Extended, 3> FArmedRange{};  // [1..2] full scale in volts
    // The record in the buffers: the full scale each channel was taken with (0 while the
    // buffers hold no record of that channel) and the samples it has. Before the first
    // read-out the buffers count as a record of any length.
    std::array<Extended, 3> FRecordRange{};  // [1..2]
    std::int32_t FRecordSamples = kDataBufferSamples;

    // Relay word and DAC codes last sent to the front end (measure.cpp), so that a readout
    // never discards a settings change the front end has not received yet.
    std::uint64_t FProgrammedFrontEnd = ~std::uint64_t{0};
};

}  // namespace zarvo
