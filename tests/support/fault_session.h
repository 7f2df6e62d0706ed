// SPDX-License-Identifier: MIT
// Driving the exported API against a simulated instrument with a fault (ZARVO_SIM keys unplug,
// stuck and eeprom): starting the library, timing calls, sweeping every export and checking
// that the port was given back. No port trace is kept: a stuck instrument makes the driver
// poll for its bounded waits, and a trace of that would only cost time.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/claim.h"
#include "zarvo.h"

namespace zarvo::testing {

// The driver's bounded waits (milliseconds): the settling of a port probe (once per standard
// address at start-up), the memory fill run, the memory seek run, the relay settling after a
// front-end update, and the grace a single-call measurement gives a run after its last sample.
inline constexpr double kProbeWaitMs = 100;
inline constexpr double kFillWaitMs = 10;
inline constexpr double kSeekWaitMs = 1000;
inline constexpr double kSettleMs = 10;
inline constexpr double kRunGraceMs = 1000;
// What the driver's own work may add to those waits on a busy machine or under sanitizers.
inline constexpr double kWorkMs = 750;
// Start-up: three probes, one fill run, one front-end update.
inline constexpr double kInitBoundMs = 3 * kProbeWaitMs + kFillWaitMs + kSettleMs + kWorkMs;
// A call that reads a record out of the instrument: the seek, the fill that follows it, and
// a front-end update.
inline constexpr double kFetchBoundMs = kSeekWaitMs + kFillWaitMs + kSettleMs + kWorkMs;

// The status codes an export may answer; they are single bits and never combined.
inline bool IsStatusCode(std::int32_t rc) {
    return rc == RC_OK || rc == RC_NO_INSTRUMENT || rc == RC_NOT_INITIALISED ||
           rc == RC_UNAVAILABLE || rc == RC_GENERATOR_ABSENT || rc == RC_BAD_CHANNEL ||
           rc == RC_BAD_VALUE;
}

// Milliseconds a call takes, with what it returned.
template <class Result>
struct Timed {
    Result result;
    double ms;
};

template <class F>
auto TimeCall(F call) -> Timed<decltype(call())> {
    const auto begin = std::chrono::steady_clock::now();
    auto result = call();
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - begin;
    return {result, spent.count()};
}

// One export called with valid arguments and caller buffers of the current record length.
struct SweepResult {
    std::string name;
    std::int32_t status;
    double ms;
};

// Caller-side storage for one sweep: record buffers of the record length the library reports
// now, the 20-entry lists, and single values.
struct SweepBuffers {
    explicit SweepBuffers(std::int32_t recordLength)
        : r1(static_cast<std::size_t>(recordLength > 0 ? recordLength : 0) + 1),
          r2(r1.size()),
          v1(r1.size()),
          v2(r1.size()),
          list(20) {}
    std::vector<std::uint16_t> r1, r2;
    std::vector<double> v1, v2, list;
    std::uint8_t b = 0;
    std::uint16_t w = 0, w2 = 0;
    std::int32_t i = 0;
    std::uint32_t u = 0;
    double d = 0.0, d2 = 0.0;
};

// Every status export, in the order an application might use them, with arguments that are
// valid on a working instrument. Measurement calls use the time-out the session set.
inline std::vector<SweepResult> SweepEveryExport() {
    SweepBuffers o(GetRecordLength());
    double frequency = 1e6, range = 2.0, genFrequency = 1000.0;
    std::uint32_t squareWave = 1000, sampleRate = 1000000;
    // clang-format off
    const std::vector<std::pair<const char*, std::function<std::int32_t()>>> calls = {
        {"GetNrChannels", [&] { return GetNrChannels(&o.w); }},
        {"GetSerialNumber", [&] { return GetSerialNumber(&o.i); }},
        {"GetCalibrationDate", [&] { return GetCalibrationDate(&o.u); }},
        {"GetDCLevelStatus", [&] { return GetDCLevelStatus(); }},
        {"GetAvailableSensitivities", [&] { return GetAvailableSensitivities(o.list.data()); }},
        {"GetAvailableResolutions", [&] { return GetAvailableResolutions(o.list.data()); }},
        {"GetResolution", [&] { return GetResolution(&o.b); }},
        {"SetResolution", [&] { return SetResolution(8); }},
        {"SetMeasureMode", [&] { return SetMeasureMode(mCh12); }},
        {"GetMeasureMode", [&] { return GetMeasureMode(&o.b); }},
        {"SetSampleFrequencyF", [&] { return SetSampleFrequencyF(&frequency); }},
        {"SetSampleFrequency", [&] { return SetSampleFrequency(&sampleRate); }},
        {"SetSensitivity", [&] { return SetSensitivity(1, &range); }},
        {"GetSensitivity", [&] { return GetSensitivity(2, &o.d); }},
        {"SetAutoRanging", [&] { return SetAutoRanging(1, 0); }},
        {"GetAutoRanging", [&] { return GetAutoRanging(1, &o.b); }},
        {"SetCoupling", [&] { return SetCoupling(2, 1); }},
        {"GetCoupling", [&] { return GetCoupling(2, &o.b); }},
        {"SetDcLevel", [&] { return SetDcLevel(1, 0.0); }},
        {"GetDcLevel", [&] { return GetDcLevel(1, &o.d); }},
        {"GetExternalClock", [&] { return GetExternalClock(&o.w); }},
        {"SetExternalClock", [&] { return SetExternalClock(0); }},
        {"SetInstrumentConfig", [&] { return SetInstrumentConfig(0); }},
        {"GetInstrumentConfig", [&] { return GetInstrumentConfig(&o.w); }},
        {"SetTriggerSource", [&] { return SetTriggerSource(tsCh1); }},
        {"GetTriggerSource", [&] { return GetTriggerSource(&o.b); }},
        {"SetTriggerMode", [&] { return SetTriggerMode(0); }},
        {"GetTriggerMode", [&] { return GetTriggerMode(&o.b); }},
        {"SetTriggerModeCh", [&] { return SetTriggerModeCh(1, 0); }},
        {"GetTriggerModeCh", [&] { return GetTriggerModeCh(1, &o.b); }},
        {"SetTriggerLevel", [&] { return SetTriggerLevel(1, 0.0); }},
        {"GetTriggerLevel", [&] { return GetTriggerLevel(1, &o.d); }},
        {"SetTriggerHys", [&] { return SetTriggerHys(1, 0.05); }},
        {"GetTriggerHys", [&] { return GetTriggerHys(1, &o.d); }},
        {"GetPXITriggerSlopes", [&] { return GetPXITriggerSlopes(&o.b); }},
        {"SetPXITriggerEnables", [&] { return SetPXITriggerEnables(1); }},
        {"GetSquareWaveGenStatus", [&] { return GetSquareWaveGenStatus(); }},
        {"SetSquareWaveGenFrequency", [&] { return SetSquareWaveGenFrequency(&squareWave); }},
        {"GetFunctionGenStatus", [&] { return GetFunctionGenStatus(); }},
        {"SetFuncGenFrequency", [&] { return SetFuncGenFrequency(&genFrequency); }},
        {"GetFuncGenOutputOn", [&] { return GetFuncGenOutputOn(&o.w); }},
        {"SetTransferMode", [&] { return SetTransferMode(tmBlock); }},
        {"GetTransferMode", [&] { return GetTransferMode(&o.i); }},
        {"SetDataReadyCallback", [&] { return SetDataReadyCallback(nullptr); }},
        {"GetDigitalInputValues", [&] { return GetDigitalInputValues(o.r1.data()); }},
        {"GetOneDigitalValue", [&] { return GetOneDigitalValue(0, &o.w); }},
        {"SetDigitalOutputs", [&] { return SetDigitalOutputs(1); }},
        {"I2CRead", [&] { return I2CRead(0x50, o.r1.data(), 1); }},
        {"ADC_Start", [&] { return ADC_Start(); }},
        {"ADC_ForceTrig", [&] { return ADC_ForceTrig(); }},
        {"ADC_GetData", [&] { return ADC_GetData(o.r1.data(), o.r2.data()); }},
        {"ADC_GetDataVolt", [&] { return ADC_GetDataVolt(o.v1.data(), o.v2.data()); }},
        {"ADC_GetDataCh", [&] { return ADC_GetDataCh(2, o.r2.data()); }},
        {"ADC_Start", [&] { return ADC_Start(); }},
        {"ADC_GetDataVoltCh", [&] { return ADC_GetDataVoltCh(1, o.v1.data()); }},
        {"ADC_Abort", [&] { return ADC_Abort(); }},
        {"StartMeasurement", [&] { return StartMeasurement(); }},
        {"GetMeasurement", [&] { return GetMeasurement(o.v1.data(), o.v2.data()); }},
        {"GetOneMeasurement", [&] { return GetOneMeasurement(0, &o.d, &o.d2); }},
        {"GetMeasurementRaw", [&] { return GetMeasurementRaw(o.r1.data(), o.r2.data()); }},
        {"GetOneMeasurementRaw", [&] { return GetOneMeasurementRaw(0, &o.w, &o.w2); }},
        {"GetOneMeasurementRawCh", [&] { return GetOneMeasurementRawCh(2, 0, &o.w); }},
        {"DoMeasure", [&] { return DoMeasure(-1); }},
        {"DoMeasure", [&] { return DoMeasure(0); }},
        {"GetOhmValues", [&] { return GetOhmValues(nullptr, nullptr); }},
    };
    // clang-format on
    std::vector<SweepResult> results;
    for (const auto& [name, call] : calls) {
        const Timed<std::int32_t> t = TimeCall(call);
        results.push_back({name, t.result, t.ms});
    }
    return results;
}

// What a sweep's export answers after a start-up that found no instrument: the instrument
// guard, except for the family stub and the transfer-mode exports, which look at the present
// instance's type (one without transfer modes) before asking whether it found anything.
inline std::int32_t FailedStartStatus(const std::string& name) {
    if (name == "GetOhmValues" || name == "SetTransferMode" || name == "GetTransferMode") {
        return RC_UNAVAILABLE;
    }
    return RC_NO_INSTRUMENT;
}

class FaultSession : public ::testing::Test {
protected:
    // Configures the simulated machine and starts the library on it; returns InitInstrument's
    // status and keeps how long it took.
    std::uint16_t Start(const std::string& keys) {
        setenv("ZARVO_SIM", keys.empty() ? "1" : keys.c_str(), 1);
        const Timed<std::uint16_t> t = TimeCall([] { return InitInstrument(0); });
        initMs_ = t.ms;
        return t.result;
    }

    void TearDown() override {
        ExitInstrument();
        unsetenv("ZARVO_SIM");
    }

    // Whether another user of the machine could claim the simulated port LPTn now.
    static bool PortFree(int n) {
        sim::DeviceClaims claims;
        const DeviceHandle handle = claims.Claim("LPT" + std::to_string(n));
        claims.Release(handle);
        return handle != 0;
    }

    // The time-out the measurement calls of a sweep wait for a trigger (milliseconds).
    static constexpr std::uint32_t kTimeOutMs = 50;

    double initMs_ = 0.0;
};

}  // namespace zarvo::testing
