// SPDX-License-Identifier: MIT
// The export calls of the exports fuzzer. Each call is one byte choosing the export followed
// by the bytes its arguments need: null pointers, NaN, infinities, huge and negative values,
// any channel, input or index. Missing bytes read as zero.
//
// What is checked, besides what AddressSanitizer and UndefinedBehaviorSanitizer catch:
//   - every buffer handed over is exactly as long as the library may write (the record length
//     at the time of the call, or the 20 entries of a list) and is followed by a canary
//     region, checked after every call;
//   - every status answered is one of the defined codes, and the value exports stay within
//     their sets (ADC_Ready 0 or 1, ADC_Triggered a trigger mask, the record within the
//     largest record length); a successful call writes only finite numbers;
//   - after ExitInstrument no parallel port stays claimed.
#include "tests/fuzz/api_calls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "api/library.h"
#include "instrument/zarvo.h"
#include "sim/claim.h"
#include "zarvo.h"

namespace zarvo::fuzz {

namespace {

bool g_closed = false;

// Elements a whole-record export may write now.
std::size_t RecordElements() {
    const std::int32_t length = GetRecordLength();
    if (length < 0 || length > 32760) Fail("record length outside 0..32760", length);
    return static_cast<std::size_t>(length);
}

constexpr std::size_t kListElements = 20;

// A call that succeeded has written numbers: no NaN or infinity may come out of the library,
// whatever went in.
void CheckFinite(std::int32_t rc, Guarded<double>& out, std::size_t count) {
    CheckStatus(rc);
    if (rc != RC_OK) return;
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(out.Data()[i])) Fail("a result that is not a finite number", int(i));
    }
}

// Keeps a single-call measurement short: a finite time-out of at most two seconds and a run of
// at most two seconds (virtual time).
void BoundSingleCall(Input& in) {
    const std::int32_t timeOut = GetTriggerTimeOut();
    if (timeOut < 0 || timeOut > 2000) CheckStatus(SetTriggerTimeOut(in.Byte() * 8u));
    const double rate = GetSampleFrequencyF();
    const double post = GetPostSamples();
    if (!(rate > 0) || (post + 5) / rate > 2.0) {
        double fast = 1e6;
        CheckStatus(SetSampleFrequencyF(&fast));
    }
}

void ExitAndCheckPortsFree() {
    CheckStatus(ExitInstrument());
    g_closed = true;
    zarvo::sim::DeviceClaims claims;
    for (int n = 1; n <= 3; ++n) {
        const zarvo::DeviceHandle handle = claims.Claim("LPT" + std::to_string(n));
        if (handle == 0) Fail("a parallel port stays claimed after ExitInstrument", n);
        claims.Release(handle);
    }
}

// ExitInstrument closes the library for the rest of the input and costs the next input a
// whole start-up (the calibration read), as much as a hundred ordinary inputs. It is called
// only in runs with ZARVO_FUZZ_EXIT=1, which fuzz the lifecycle on their own; elsewhere the
// call reads the record length instead.
bool ExitAllowed() {
    static const bool allowed = [] {
        const char* v = std::getenv("ZARVO_FUZZ_EXIT");
        return v != nullptr && std::string(v) == "1";
    }();
    return allowed;
}

}  // namespace

bool LibraryClosed() {
    return g_closed;
}

void ClearClosed() {
    g_closed = false;
}

std::int64_t CallCost(std::uint8_t op) {
    constexpr std::int64_t kLeast = 64;
    const TZarvo* z = zarvo::api::Lib().Instrument.get();
    if (z == nullptr) return kLeast;
    bool readsRecord = z->bEnableMeasurements;
    switch (op % 72) {
        case 9:   // ADC_GetData
        case 10:  // ADC_GetDataVolt
        case 11:  // ADC_GetDataCh
        case 12:  // ADC_GetDataVoltCh
        case 45:  // StartMeasurement
        case 65:  // block mode
        case 66:  // timer-driven measuring
            readsRecord = true;
            break;
        default:
            break;
    }
    return readsRecord ? std::max<std::int64_t>(z->lRecordLength, kLeast) : kLeast;
}

void CheckStatus(std::int32_t rc) {
    Note("rc", rc);
    const bool defined = rc == RC_OK || rc == RC_NO_INSTRUMENT || rc == RC_NOT_INITIALISED ||
                         rc == RC_UNAVAILABLE || rc == RC_GENERATOR_ABSENT ||
                         rc == RC_BAD_CHANNEL || rc == RC_BAD_VALUE;
    if (!defined) Fail("a status that is no status code", rc);
}

void PassTime(int steps, std::uint32_t msPerStep) {
    for (int i = 0; i < steps; ++i) {
        zarvo::Platform* platform = zarvo::api::Lib().platform.get();
        if (platform != nullptr) platform->SleepMs(msPerStep);
        Note("running", ADC_Running());
    }
}

void CallExport(std::uint8_t op, Input& in) {
    const bool null = (in.Byte() & 1) != 0;
    switch (op % 72) {
        case 0:
            CheckStatus(InitInstrument(in.U32()));
            break;
        case 1:
            if (ExitAllowed()) {
                ExitAndCheckPortsFree();
            } else {
                Note("length", GetRecordLength());
            }
            break;
        case 2:
            CheckStatus(DoMeasure(static_cast<std::int32_t>(in.U32())));
            break;
        case 3:
            CheckStatus(ADC_Start());
            break;
        case 4:
            if (ADC_Running() > 1) Fail("ADC_Running neither 0 nor 1", ADC_Running());
            Note("running", ADC_Running());
            break;
        case 5:
            CheckStatus(ADC_Abort());
            break;
        case 6: {
            const std::uint16_t t = ADC_Triggered();
            if (t != 0 && t != 2 && t != 4 && t != 6) Fail("ADC_Triggered not a trigger mask", t);
            Note("triggered", t);
            break;
        }
        case 7: {
            const std::uint16_t r = ADC_Ready();
            if (r > 1) Fail("ADC_Ready neither 0 nor 1", r);
            Note("ready", r);
            break;
        }
        case 8:
            CheckStatus(ADC_ForceTrig());
            break;
        case 9: {
            const bool null2 = (in.Byte() & 1) != 0;
            Guarded<std::uint16_t> a(RecordElements()), b(RecordElements());
            CheckStatus(ADC_GetData(a.Pass(null), b.Pass(null2)));
            break;
        }
        case 10: {
            const bool null2 = (in.Byte() & 1) != 0;
            const std::size_t n = RecordElements();
            Guarded<double> a(n), b(n);
            const std::int32_t rc = ADC_GetDataVolt(a.Pass(null), b.Pass(null2));
            CheckFinite(rc, a, null ? 0 : n);
            CheckFinite(rc, b, null2 ? 0 : n);
            break;
        }
        case 11: {
            Guarded<std::uint16_t> a(RecordElements());
            CheckStatus(ADC_GetDataCh(in.U16(), a.Pass(null)));
            break;
        }
        case 12: {
            const std::size_t n = RecordElements();
            Guarded<double> a(n);
            CheckFinite(ADC_GetDataVoltCh(in.U16(), a.Pass(null)), a, null ? 0 : n);
            break;
        }
        case 13: {
            Guarded<std::uint8_t> a(4);
            CheckStatus(SetDataReadyCallback(a.Pass(null)));
            CheckStatus(SetDataReadyEvent(a.Pass(!null)));
            break;
        }
        case 14:
            CheckStatus(SetTransferMode(in.Byte()));
            break;
        case 15: {
            Guarded<std::int32_t> a(1);
            CheckStatus(GetTransferMode(a.Pass(null)));
            break;
        }
        case 16: {
            Guarded<std::uint16_t> a(RecordElements());
            CheckStatus(GetDigitalInputValues(a.Pass(null)));
            Guarded<std::uint16_t> one(1);
            CheckStatus(GetOneDigitalValue(static_cast<std::int32_t>(in.U32()), one.Pass(null)));
            break;
        }
        case 17: {
            Guarded<std::uint16_t> a(1);
            CheckStatus(GetNrChannels(a.Pass(null)));
            const double f = GetMaxSampleFrequencyF();
            if (!(f >= 0)) Fail("GetMaxSampleFrequencyF not a frequency", 0);
            Note("max rate", f);
            Note("max rate", GetMaxSampleFrequency());
            const std::int32_t longest = GetMaxRecordLength();
            if (longest < 0 || longest > 32760) Fail("GetMaxRecordLength", longest);
            Note("longest", longest);
            break;
        }
        case 18: {
            Guarded<std::int32_t> a(1);
            CheckStatus(GetSerialNumber(a.Pass(null)));
            Guarded<std::uint32_t> d(1);
            CheckStatus(GetCalibrationDate(d.Pass(!null)));
            break;
        }
        case 19:
            CheckStatus(GetDCLevelStatus());
            break;
        case 20: {
            Guarded<double> a(kListElements);
            CheckFinite(GetAvailableSensitivities(a.Pass(null)), a, null ? 0 : kListElements);
            break;
        }
        case 21: {
            Guarded<double> a(kListElements);
            CheckStatus(GetAvailableResolutions(a.Pass(null)));
            break;
        }
        case 22: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(GetResolution(a.Pass(null)));
            CheckStatus(SetResolution(in.Byte()));
            break;
        }
        case 23: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetMeasureMode(in.Byte()));
            CheckStatus(GetMeasureMode(a.Pass(null)));
            break;
        }
        case 24:
            CheckStatus(SetRecordLength(in.U32()));
            break;
        case 25:
            CheckStatus(SetPostSamples(in.U32()));
            break;
        case 26: {
            Guarded<double> a(1);
            a.Data()[0] = in.Real();
            CheckFinite(SetSampleFrequencyF(a.Pass(null)), a, null ? 0 : 1);
            const double f = GetSampleFrequencyF();
            if (std::isnan(f) || f < 0) Fail("GetSampleFrequencyF not a frequency", 0);
            Note("rate", f);
            break;
        }
        case 27: {
            Guarded<std::uint32_t> a(1);
            a.Data()[0] = in.U32();
            CheckStatus(SetSampleFrequency(a.Pass(null)));
            Note("rate", GetSampleFrequency());
            break;
        }
        case 28: {
            Guarded<double> a(1);
            a.Data()[0] = in.Real();
            CheckFinite(SetSensitivity(in.Byte(), a.Pass(null)), a, null ? 0 : 1);
            break;
        }
        case 29: {
            Guarded<double> a(1);
            CheckFinite(GetSensitivity(in.Byte(), a.Pass(null)), a, null ? 0 : 1);
            break;
        }
        case 30: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetAutoRanging(in.Byte(), in.Byte()));
            CheckStatus(GetAutoRanging(in.Byte(), a.Pass(null)));
            break;
        }
        case 31: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetCoupling(in.Byte(), in.Byte()));
            CheckStatus(GetCoupling(in.Byte(), a.Pass(null)));
            break;
        }
        case 32:
            CheckStatus(SetDcLevel(in.Byte(), in.Real()));
            break;
        case 33: {
            Guarded<double> a(1);
            CheckFinite(GetDcLevel(in.Byte(), a.Pass(null)), a, null ? 0 : 1);
            break;
        }
        case 34: {
            Guarded<std::uint16_t> a(1);
            CheckStatus(SetExternalClock(in.U16()));
            CheckStatus(GetExternalClock(a.Pass(null)));
            break;
        }
        case 35: {
            Guarded<std::uint16_t> a(1);
            CheckStatus(SetInstrumentConfig(in.U16()));
            CheckStatus(GetInstrumentConfig(a.Pass(null)));
            break;
        }
        case 36: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetTriggerSource(in.Byte()));
            CheckStatus(GetTriggerSource(a.Pass(null)));
            break;
        }
        case 37: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetTriggerMode(in.Byte()));
            CheckStatus(GetTriggerMode(a.Pass(null)));
            break;
        }
        case 38: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetTriggerModeCh(in.Byte(), in.Byte()));
            CheckStatus(GetTriggerModeCh(in.Byte(), a.Pass(null)));
            break;
        }
        case 39:
            CheckStatus(SetTriggerLevel(in.Byte(), in.Real()));
            break;
        case 40: {
            Guarded<double> a(1);
            CheckFinite(GetTriggerLevel(in.Byte(), a.Pass(null)), a, null ? 0 : 1);
            break;
        }
        case 41:
            CheckStatus(SetTriggerHys(in.Byte(), in.Real()));
            break;
        case 42: {
            Guarded<double> a(1);
            CheckFinite(GetTriggerHys(in.Byte(), a.Pass(null)), a, null ? 0 : 1);
            break;
        }
        case 43:
            CheckStatus(SetTriggerTimeOut(in.U32()));
            Note("time-out", GetTriggerTimeOut());
            break;
        case 44: {
            Guarded<std::uint8_t> a(1), b(1);
            CheckStatus(SetPXITriggerSlopes(in.Byte()));
            CheckStatus(GetPXITriggerSlopes(a.Pass(null)));
            CheckStatus(SetPXITriggerEnables(in.Byte()));
            CheckStatus(GetPXITriggerEnables(b.Pass(null)));
            break;
        }
        case 45:
            BoundSingleCall(in);
            CheckStatus(StartMeasurement());
            break;
        case 46: {
            const bool null2 = (in.Byte() & 1) != 0;
            const std::size_t n = RecordElements();
            Guarded<double> a(n), b(n);
            const std::int32_t rc = GetMeasurement(a.Pass(null), b.Pass(null2));
            CheckFinite(rc, a, null ? 0 : n);
            CheckFinite(rc, b, null2 ? 0 : n);
            break;
        }
        case 47: {
            const bool null2 = (in.Byte() & 1) != 0;
            Guarded<double> a(1), b(1);
            const std::int32_t rc =
                GetOneMeasurement(static_cast<std::int32_t>(in.U32()), a.Pass(null), b.Pass(null2));
            CheckFinite(rc, a, null ? 0 : 1);
            CheckFinite(rc, b, null2 ? 0 : 1);
            break;
        }
        case 48: {
            const bool null2 = (in.Byte() & 1) != 0;
            Guarded<std::uint16_t> a(RecordElements()), b(RecordElements());
            CheckStatus(GetMeasurementRaw(a.Pass(null), b.Pass(null2)));
            break;
        }
        case 49: {
            const bool null2 = (in.Byte() & 1) != 0;
            Guarded<std::uint16_t> a(1), b(1);
            CheckStatus(GetOneMeasurementRaw(static_cast<std::int32_t>(in.U32()), a.Pass(null),
                                             b.Pass(null2)));
            break;
        }
        case 50: {
            Guarded<std::uint16_t> a(1);
            const std::uint16_t ch = in.U16();
            CheckStatus(
                GetOneMeasurementRawCh(ch, static_cast<std::int32_t>(in.U32()), a.Pass(null)));
            break;
        }
        case 51: {
            Guarded<std::uint32_t> a(1);
            a.Data()[0] = in.U32();
            CheckStatus(GetSquareWaveGenStatus());
            CheckStatus(SetSquareWaveGenFrequency(a.Pass(null)));
            Note("square wave", GetSquareWaveGenFrequency());
            break;
        }
        case 52: {
            Guarded<double> a(1);
            CheckStatus(GetFunctionGenStatus());
            CheckStatus(GetFuncGenMaxAmplitude(a.Pass(null)));
            break;
        }
        case 53: {
            Guarded<std::uint16_t> a(1);
            CheckStatus(SetFuncGenSignalType(in.U16()));
            CheckStatus(GetFuncGenSignalType(a.Pass(null)));
            break;
        }
        case 54: {
            Guarded<double> a(1);
            CheckStatus(SetFuncGenAmplitude(in.Real()));
            CheckStatus(GetFuncGenAmplitude(a.Pass(null)));
            break;
        }
        case 55: {
            Guarded<double> a(1);
            CheckStatus(SetFuncGenDCOffset(in.Real()));
            CheckStatus(GetFuncGenDCOffset(a.Pass(null)));
            break;
        }
        case 56: {
            Guarded<double> a(1);
            CheckStatus(SetFuncGenSymmetry(in.Real()));
            CheckStatus(GetFuncGenSymmetry(a.Pass(null)));
            break;
        }
        case 57: {
            Guarded<double> a(1), b(1);
            a.Data()[0] = in.Real();
            CheckStatus(SetFuncGenFrequency(a.Pass(null)));
            CheckStatus(GetFuncGenFrequency(b.Pass(null)));
            break;
        }
        case 58: {
            Guarded<std::uint16_t> a(1), b(1);
            CheckStatus(SetFuncGenOutputOn(in.U16()));
            CheckStatus(GetFuncGenOutputOn(a.Pass(null)));
            CheckStatus(SetFuncGenEnable(in.U16()));
            CheckStatus(GetFuncGenEnable(b.Pass(null)));
            break;
        }
        case 59: {
            const std::uint32_t count = in.U32();
            Guarded<std::uint8_t> a(64);
            CheckStatus(FillFuncGenMemory(static_cast<std::int32_t>(count), a.Pass(null)));
            CheckStatus(FuncGenBurst(in.U16()));
            break;
        }
        case 60: {
            Guarded<std::uint8_t> a(1);
            CheckStatus(SetFuncGenTrigSource(in.Byte()));
            CheckStatus(GetFuncGenTrigSource(a.Pass(null)));
            break;
        }
        case 61: {
            Guarded<std::uint32_t> a(1);
            CheckStatus(SetDigitalOutputs(in.U32()));
            CheckStatus(GetDigitalOutputs(a.Pass(null)));
            CheckStatus(SetupOhmMeasurements(in.U32()));
            break;
        }
        case 62: {
            const std::uint32_t length = in.Byte();
            Guarded<std::uint8_t> a(length);
            const std::uint32_t address = in.U32();
            CheckStatus(I2CWrite(address, a.Pass(null), length));
            CheckStatus(I2CRead(address, a.Pass(null), length));
            CheckStatus(I2CWriteNoStop(address, a.Pass(null), length));
            CheckStatus(I2CReadNoStop(address, a.Pass(null), length));
            break;
        }
        case 63: {
            Guarded<std::uint32_t> a(1);
            CheckStatus(I2CSetSpeed(in.U32()));
            CheckStatus(I2CGetSpeed(a.Pass(null)));
            break;
        }
        case 64: {
            Guarded<std::uint8_t> a(64), b(64);
            CheckStatus(GetOhmValues(a.Pass(null), b.Pass(null)));
            CheckStatus(GetActiveMirdo(a.Pass(null)));
            CheckStatus(SetActiveMirdo(in.U32()));
            CheckStatus(SetDAC1451(in.U32(), in.U32(), in.U32(), in.U32()));
            CheckStatus(SetMotorOn(in.U32(), in.U32()));
            CheckStatus(SetFuncGenMode(in.U32()));
            CheckStatus(GetFuncGenMode(a.Pass(null)));
            CheckStatus(SetFuncGenAmplitudeRange(in.U32()));
            CheckStatus(GetFuncGenAmplitudeRange(b.Pass(null)));
            break;
        }
        case 65: {
            // Block mode as an application drives it: start, a few polls, a fetch.
            CheckStatus(ADC_Start());
            const int polls = in.Byte() % 8;
            for (int i = 0; i < polls && ADC_Ready() == 0; ++i) Note("triggered", ADC_Triggered());
            Guarded<std::uint16_t> a(RecordElements()), b(RecordElements());
            CheckStatus(ADC_GetData(a.Data(), b.Data()));
            break;
        }
        case 66: {
            // Timer-driven measuring: a run of calls, each of which may run one step.
            CheckStatus(DoMeasure(in.Byte() % 2 == 0 ? -1 : 1));
            const int calls = in.Byte() % 32;
            for (int i = 0; i < calls; ++i) Note("running", ADC_Running());
            break;
        }
        case 70:
            PassTime(1 + in.Byte() % 4, kTimerIntervalMs);
            break;
        case 71:
            // A long pause: pending timer ticks coalesce into one, as window messages do.
            PassTime(1, in.U16());
            break;
        default: {
            // Settings an application makes together, with arbitrary values.
            Guarded<double> a(1);
            a.Data()[0] = in.Real();
            CheckStatus(SetSensitivity(1 + in.Byte() % 2, a.Pass(null)));
            CheckStatus(SetRecordLength(in.U16() % 32768));
            CheckStatus(SetPostSamples(in.U16() % 32768));
            CheckStatus(SetAutoRanging(1 + in.Byte() % 2, in.Byte() % 2));
            break;
        }
    }
}

}  // namespace zarvo::fuzz
