// SPDX-License-Identifier: MIT
// Finding the instrument on LPT1..LPT3, telling the models apart, claiming the port while the
// instrument is in use, and the start-up that follows a successful detection.
//
// An instrument is recognised by its EEPROM alone: byte 1 holds the marker 0xAA. While one
// port's EEPROM is read its device is claimed; after a successful detection the port in use
// stays claimed until shutdown, so no other program drives the same lines meanwhile.
#include <new>

#include "hardware/port_discovery.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

constexpr std::uint8_t kPresenceMarker = 0xAA;
constexpr std::uint8_t kMarkerAddress = 1;
constexpr std::uint8_t kModelAddress = 5;

// Early instruments of the second model carry half the acquisition memory; serial numbers
// up to this one are of that build.
constexpr std::int32_t kLastShortMemorySerial = 6426;
constexpr std::int32_t kShortRecordLength = 0x4000;  // 16384
constexpr std::int32_t kFullRecordLength = 0x7FF8;   // 32760, not 32768

struct ModelEntry {
    std::uint8_t code;
    const char* name;
    std::uint8_t type;
    std::int32_t maxRecordLength;  // 0: depends on the serial number
    bool trigMode4;
};

constexpr ModelEntry kModels[] = {
    {1, "Pellix", 6, 0, false},
    {2, "Zarvo", 1, kShortRecordLength, false},
    {3, "Zarvo", 1, kFullRecordLength, false},
    {4, "Zarvo", 1, kFullRecordLength, true},
};
constexpr ModelEntry kOtherModel{0, "Zarvo", 1, kFullRecordLength, false};

// Start-up range tables, range indexes 1 to 12: full scale and span in volts, front-end gain
// code, and the relay bits of each range for channel 1 and channel 2.
constexpr std::array<Extended, 13> kStartupRangeTable{0,     0.2L,  0.4L,  0.8L, 2.0L, 4.0L, 8.0L,
                                                      20.0L, 40.0L, 80.0L, 0,    0,    0};
constexpr std::array<Extended, 13> kStartupRangeSpanTable{
    0, 0.4L, 0.8L, 1.6L, 4.0L, 8.0L, 16.0L, 40.0L, 80.0L, 160.0L, 0, 0, 0};
constexpr std::array<std::uint8_t, 13> kStartupGainCodes{0, 3, 3, 3, 2, 2, 2, 1, 1, 1, 1, 1, 1};
constexpr std::array<std::uint16_t, 13> kStartupRelayCh1{0,    0x20, 0x20, 0x20, 0x40, 0x40, 0x40,
                                                         0x80, 0x80, 0x80, 0,    0,    0};
constexpr std::array<std::uint16_t, 13> kStartupRelayCh2{
    0, 0x201, 0x201, 0x201, 0x202, 0x202, 0x202, 0x204, 0x204, 0x204, 0, 0, 0};
constexpr std::int32_t kStartupNrRanges = 9;

std::string LptName(int n) {
    return "LPT" + std::to_string(n);
}

// The first of LPT1..LPT3 whose table entry is this (non-zero) address, 0 when none is.
int EntryHolding(std::int32_t address) {
    if (address == 0) return 0;
    for (int n = 1; n <= 3; ++n) {
        if (LptAddress[n] == address) return n;
    }
    return 0;
}

// Gives back a port claimed for one probe even when the probe ends in an exception.
class ProbeClaim {
public:
    explicit ProbeClaim(TZarvo& z) : z_(z) {}
    ~ProbeClaim() { z_.ClosePortDevice(); }
    ProbeClaim(const ProbeClaim&) = delete;
    ProbeClaim& operator=(const ProbeClaim&) = delete;

private:
    TZarvo& z_;
};

}  // namespace

bool TZarvo::OpenPortDevice(const std::string& portName) {
    // A handle still held would otherwise be lost, and its port stay claimed for good.
    ClosePortDevice();
    FPortHandle = FPlatform.OpenDevice(portName);
    return FPortHandle != 0;
}

void TZarvo::ClosePortDevice() {
    if (FPortHandle == 0) return;
    FPlatform.CloseDevice(FPortHandle);
    FPortHandle = 0;
}

void TZarvo::ApplyModelCode(std::uint8_t model) {
    const ModelEntry* entry = &kOtherModel;
    for (const ModelEntry& candidate : kModels) {
        if (candidate.code == model) entry = &candidate;
    }
    FInstrumentName = entry->name;
    FInstrumentType = entry->type;
    FTrigMode4Avail = entry->trigMode4;
    if (entry->maxRecordLength != 0) {
        FMaxRecordLength = entry->maxRecordLength;
    } else {
        FMaxRecordLength =
            ReadSerialNumber() <= kLastShortMemorySerial ? kShortRecordLength : kFullRecordLength;
    }
}

bool TZarvo::ProbeInstrument(const std::string& portName) {
    // A port the system does not know, or one another program holds, is skipped untouched.
    if (!OpenPortDevice(portName)) return false;
    ProbeClaim claim(*this);
    if (EepromRead(kMarkerAddress) != kPresenceMarker) return false;
    ApplyModelCode(EepromRead(kModelAddress));
    FSerialNumber = ReadSerialNumber();
    return true;
}

bool TZarvo::DetectInstrument() {
    ClosePortDevice();
    bool found = false;
    bool outOfMemory = false;
    try {
        BuildPortTable(*this);
        // A port address set before the start-up is tried first, under its table name.
        const int preferred = EntryHolding(nHardwareAddress);
        if (preferred != 0) found = ProbeInstrument(LptName(preferred));
        for (int n = 1; n <= 3 && !found; ++n) {
            nHardwareAddress = LptAddress[n];
            if (nHardwareAddress != 0) found = ProbeInstrument(LptName(n));
        }
    } catch (const std::bad_alloc&) {
        found = false;
        outOfMemory = true;
    } catch (...) {
        // Whatever failed during discovery or probing, the closing steps still run and the
        // instrument counts as not found. A probe gives its port back even then.
        found = false;
    }

    FillBankTables();
    FInstrumentFound = found;
    // Running out of memory says nothing about the instrument: the start-up as a whole fails,
    // as it does when memory runs out anywhere else in it.
    if (outOfMemory) throw std::bad_alloc();
    if (found) {
        // The port is named after the first entry holding its address, whichever name the
        // successful probe used, and that is the device kept claimed.
        const int entry = EntryHolding(nHardwareAddress);
        if (entry != 0) {
            FPortName = LptName(entry);
            OpenPortDevice(FPortName);
        }
    }
    return found;
}

void TZarvo::LoadStartupTables() {
    RelayCh1 = kStartupRelayCh1;
    RelayCh2 = kStartupRelayCh2;
    FNrRanges = kStartupNrRanges;
    FRangeTable = kStartupRangeTable;
    FRangeSpanTable = kStartupRangeSpanTable;
    FRangeGainCode = kStartupGainCodes;
}

bool TZarvo::StartInstrument() {
    if (!DetectInstrument()) {
        if (FTimer) FTimer->SetEnabled(false);
        return false;
    }
    LoadStartupTables();
    FillMemory();
    ReadCalibration();
    WriteFrontEndRelays();
    // The timer starts when measurements are enabled, not here.
    return true;
}

void TZarvo::StopInstrument() {
    ClosePortDevice();
}

}  // namespace zarvo
