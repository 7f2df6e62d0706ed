// SPDX-License-Identifier: MIT
// The known state every input of the exports fuzzer starts from.
//
// Starting the instrument reads its whole calibration record over the bit-banged EEPROM, which
// costs far more than a typical input, so the library starts once per process (and again only
// after an input closed it). Before each input the exports themselves put it back: measuring
// stopped, every setting an export can change at its start-up value, and one short
// measurement made the same way every time, which leaves the measurement state (armed, pending,
// fetched, poll count, acquisition mode, the instrument's run) as it was after the previous
// reset. (The record is shorter than at start-up: see KnownState.) What no export reaches is set
// here directly: the sample buffers, which keep the previous record wherever the next one is
// shorter, and the phase of virtual time, on which the simulated signals and the trigger depend.
#include "tests/fuzz/instrument_reset.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "api/library.h"
#include "instrument/zarvo.h"
#include "tests/fuzz/api_calls.h"
#include "tests/fuzz/fuzz_support.h"
#include "zarvo.h"

namespace zarvo::fuzz {

namespace {

// A setting as the exports see it: read it (status and value) and write it back.
struct Setting {
    const char* name;
    std::uint16_t (*read)(double* value);
    std::uint16_t (*write)(double value);
};

// A value read back from an export of type T, turned into T again.
template <class T>
T As(double value) {
    if (!(value >= static_cast<double>(std::numeric_limits<T>::lowest()) &&
          value <= static_cast<double>(std::numeric_limits<T>::max())) ||
        value != std::trunc(value)) {
        Fail("a recorded setting that its type cannot hold", static_cast<long long>(value));
    }
    return static_cast<T>(value);
}

template <class T, std::uint16_t (*Get)(T*)>
std::uint16_t ReadOf(double* value) {
    T v{};
    const std::uint16_t rc = Get(&v);
    *value = static_cast<double>(v);
    return rc;
}

template <class T, std::uint16_t (*Get)(std::uint8_t, T*), std::uint8_t Ch>
std::uint16_t ReadCh(double* value) {
    T v{};
    const std::uint16_t rc = Get(Ch, &v);
    *value = static_cast<double>(v);
    return rc;
}

template <std::uint8_t Ch>
constexpr Setting kChannel[] = {
    {"auto ranging", ReadCh<std::uint8_t, GetAutoRanging, Ch>,
     [](double v) { return SetAutoRanging(Ch, As<std::uint8_t>(v)); }},
    {"sensitivity", ReadCh<double, GetSensitivity, Ch>,
     [](double v) { return SetSensitivity(Ch, &v); }},
    {"coupling", ReadCh<std::uint8_t, GetCoupling, Ch>,
     [](double v) { return SetCoupling(Ch, As<std::uint8_t>(v)); }},
    {"dc level", ReadCh<double, GetDcLevel, Ch>, [](double v) { return SetDcLevel(Ch, v); }},
};

template <std::uint8_t Ch>
constexpr Setting kTrigger[] = {
    {"trigger level", ReadCh<double, GetTriggerLevel, Ch>,
     [](double v) { return SetTriggerLevel(Ch, v); }},
    {"trigger hysteresis", ReadCh<double, GetTriggerHys, Ch>,
     [](double v) { return SetTriggerHys(Ch, v); }},
};

template <std::uint8_t Input>
constexpr Setting kTriggerMode = {
    "trigger mode of an input", ReadCh<std::uint8_t, GetTriggerModeCh, Input>,
    [](double v) { return SetTriggerModeCh(Input, As<std::uint8_t>(v)); }};

std::uint16_t ReadTransferMode(double* value) {
    std::int32_t mode = 0;
    const std::uint16_t rc = GetTransferMode(&mode);
    *value = mode;
    return rc;
}

// In the order they are restored: what others depend on first (configuration, measure mode
// and ranges before the trigger levels and bands judged against them; the record length
// before the post-trigger samples it bounds).
const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings = [] {
        std::vector<Setting> s = {
            {"transfer mode", ReadTransferMode,
             [](double v) { return SetTransferMode(As<std::uint8_t>(v)); }},
            {"instrument config", ReadOf<std::uint16_t, GetInstrumentConfig>,
             [](double v) { return SetInstrumentConfig(As<std::uint16_t>(v)); }},
            {"measure mode", ReadOf<std::uint8_t, GetMeasureMode>,
             [](double v) { return SetMeasureMode(As<std::uint8_t>(v)); }},
            {"resolution", ReadOf<std::uint8_t, GetResolution>,
             [](double v) { return SetResolution(As<std::uint8_t>(v)); }},
        };
        for (const Setting& c : kChannel<1>) s.push_back(c);
        for (const Setting& c : kChannel<2>) s.push_back(c);
        for (const Setting& c : kChannel<3>) s.push_back(c);
        for (const Setting& c : kChannel<4>) s.push_back(c);
        const std::vector<Setting> rest = {
            {"sample frequency",
             [](double* v) {
                 *v = GetSampleFrequencyF();
                 return std::uint16_t{RC_OK};
             },
             [](double v) { return SetSampleFrequencyF(&v); }},
            {"external clock", ReadOf<std::uint16_t, GetExternalClock>,
             [](double v) { return SetExternalClock(As<std::uint16_t>(v)); }},
            {"record length",
             [](double* v) {
                 *v = GetRecordLength();
                 return std::uint16_t{RC_OK};
             },
             [](double v) { return SetRecordLength(As<std::uint32_t>(v)); }},
            {"post samples",
             [](double* v) {
                 *v = GetPostSamples();
                 return std::uint16_t{RC_OK};
             },
             [](double v) { return SetPostSamples(As<std::uint32_t>(v)); }},
            {"trigger source", ReadOf<std::uint8_t, GetTriggerSource>,
             [](double v) { return SetTriggerSource(As<std::uint8_t>(v)); }},
            kTriggerMode<0>,
            kTriggerMode<1>,
            kTriggerMode<2>,
            kTriggerMode<3>,
            kTriggerMode<4>,
            {"trigger time-out",
             [](double* v) {
                 *v = GetTriggerTimeOut();
                 return std::uint16_t{RC_OK};
             },
             [](double v) {
                 return SetTriggerTimeOut(v < 0 ? 0xFFFFFFFFu
                                                : static_cast<std::uint32_t>(As<std::int32_t>(v)));
             }},
            {"square wave",
             [](double* v) {
                 *v = GetSquareWaveGenFrequency();
                 return std::uint16_t{RC_OK};
             },
             [](double v) {
                 auto f = static_cast<std::uint32_t>(As<std::int32_t>(v));
                 return SetSquareWaveGenFrequency(&f);
             }},
            {"PXI slopes", ReadOf<std::uint8_t, GetPXITriggerSlopes>,
             [](double v) { return SetPXITriggerSlopes(As<std::uint8_t>(v)); }},
            {"PXI enables", ReadOf<std::uint8_t, GetPXITriggerEnables>,
             [](double v) { return SetPXITriggerEnables(As<std::uint8_t>(v)); }},
            {"generator signal", ReadOf<std::uint16_t, GetFuncGenSignalType>,
             [](double v) { return SetFuncGenSignalType(As<std::uint16_t>(v)); }},
            {"generator amplitude", ReadOf<double, GetFuncGenAmplitude>, SetFuncGenAmplitude},
            {"generator offset", ReadOf<double, GetFuncGenDCOffset>, SetFuncGenDCOffset},
            {"generator symmetry", ReadOf<double, GetFuncGenSymmetry>, SetFuncGenSymmetry},
            {"generator frequency", ReadOf<double, GetFuncGenFrequency>,
             [](double v) { return SetFuncGenFrequency(&v); }},
            {"generator output", ReadOf<std::uint16_t, GetFuncGenOutputOn>,
             [](double v) { return SetFuncGenOutputOn(As<std::uint16_t>(v)); }},
            {"generator enable", ReadOf<std::uint16_t, GetFuncGenEnable>,
             [](double v) { return SetFuncGenEnable(As<std::uint16_t>(v)); }},
            {"generator trigger", ReadOf<std::uint8_t, GetFuncGenTrigSource>,
             [](double v) { return SetFuncGenTrigSource(As<std::uint8_t>(v)); }},
            {"running",
             [](double* v) {
                 *v = ADC_Running();
                 return std::uint16_t{RC_OK};
             },
             nullptr},
        };
        for (const Setting& c : kTrigger<1>) s.push_back(c);
        for (const Setting& c : kTrigger<2>) s.push_back(c);
        for (const Setting& c : kTrigger<3>) s.push_back(c);
        for (const Setting& c : kTrigger<4>) s.push_back(c);
        s.insert(s.end(), rest.begin(), rest.end());
        return s;
    }();
    return settings;
}

struct Reading {
    std::uint16_t rc;
    double value;
};

std::vector<Reading> ReadAll() {
    std::vector<Reading> now;
    for (const Setting& s : Settings()) {
        Reading r{0, 0.0};
        r.rc = s.read(&r.value);
        now.push_back(r);
    }
    return now;
}

void Restore(const std::vector<Reading>& known) {
    const std::vector<Setting>& settings = Settings();
    for (std::size_t i = 0; i < settings.size(); ++i) {
        if (settings[i].write != nullptr && known[i].rc == RC_OK) {
            settings[i].write(known[i].value);
        }
    }
}

// Virtual time moves on to the next whole second: the simulated signals repeat there, so
// the instrument sees the same phase at the start of every input.
void AlignTime() {
    constexpr std::uint32_t kPeriodMs = 1000;
    zarvo::Platform* platform = zarvo::api::Lib().platform.get();
    if (platform == nullptr) return;
    const std::uint32_t now = platform->TickMs();
    platform->SleepMs(kPeriodMs - now % kPeriodMs);
}

// Brings the measurement state to where one short single-call measurement leaves it: nothing
// pending, the data fetched, the timer stopped, the acquisition mode held, the poll count and
// auto-range requests cleared, the front end programmed and the instrument's run complete.
// A short record keeps the readouts cheap; changing the length marks the settings changed, so
// the measurement always programs the front end first and always takes the same time.
void SettleMeasurement() {
    constexpr std::int32_t kShortRecord = 16;
    std::uint16_t scratch1[kShortRecord];
    std::uint16_t scratch2[kShortRecord];
    SetRecordLength(kShortRecord);
    SetPostSamples(kShortRecord / 2);
    if (ADC_Running() != 0) {
        // A block-mode start whose record was never fetched.
        ADC_Start();
        ADC_GetData(scratch1, scratch2);
    }
    AlignTime();
    DoMeasure(1);
    DoMeasure(0);
    StartMeasurement();
}

// What the exports can read of the sample buffers: the previous input's record stays wherever
// the next readout is shorter or leaves a channel out.
void ClearBuffers() {
    TZarvo* z = zarvo::api::Lib().Instrument.get();
    if (z == nullptr) return;
    // memset rather than a loop: the harness carries the fuzzer's comparison hooks too.
    std::memset(z->FChannelData1.get(), 0, kMaxRecordLength * sizeof(std::uint16_t));
    std::memset(z->FChannelData2.get(), 0, kMaxRecordLength * sizeof(std::uint16_t));
}

// The state every input starts from: the start-up values, except for a record of 64 samples
// (32 after the trigger) instead of 512. Most of the fuzzer's time goes to readouts, which
// read the whole record at every measurement step, so the shorter record nearly doubles the
// inputs per second; inputs still ask for any length, up to the longest.
std::vector<Reading> KnownState(std::vector<Reading> startup) {
    const std::vector<Setting>& settings = Settings();
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const std::string name = settings[i].name;
        // Without an instrument the lengths read 0 and cannot be set.
        if (startup[i].rc != RC_OK || startup[i].value == 0) continue;
        if (name == "record length") startup[i].value = 64;
        if (name == "post samples") startup[i].value = 32;
    }
    return startup;
}

void StartLibrary() {
    // As if the library had just been loaded.
    zarvo::api::LibraryLoad();
    setenv("ZARVO_SIM", MachineKeys().c_str(), 1);
    InitInstrument(0);
    ClearClosed();
}

}  // namespace

std::string MachineKeys() {
    const char* given = std::getenv("ZARVO_FUZZ_MACHINE");
    std::string keys = given != nullptr ? given : "";
    if (keys.empty() || keys == "1") return "time=virtual";
    if (keys.find("time=") == std::string::npos) keys += ",time=virtual";
    return keys;
}

void ResetInstrument() {
    static bool started = false;
    static std::vector<Reading> known;
    if (!started || LibraryClosed()) StartLibrary();
    if (!started) {
        known = KnownState(ReadAll());
        started = true;
    }
    DoMeasure(0);
    ADC_Abort();
    Restore(known);
    SettleMeasurement();
    Restore(known);
    ClearBuffers();
    AlignTime();

    const std::vector<Reading> now = ReadAll();
    const std::vector<Setting>& settings = Settings();
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const bool same =
            now[i].rc == known[i].rc && (now[i].value == known[i].value ||
                                         (std::isnan(now[i].value) && std::isnan(known[i].value)));
        if (!same) {
            std::fprintf(stderr, "fuzz: %s reads %g (status %d) instead of %g (status %d)\n",
                         settings[i].name, now[i].value, now[i].rc, known[i].value, known[i].rc);
            Fail("the reset did not restore a setting", static_cast<long long>(i));
        }
    }
}

}  // namespace zarvo::fuzz
