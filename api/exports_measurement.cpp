// SPDX-License-Identifier: MIT
// Measurement control and data: block-mode acquisitions (ADC_Start, ADC_Ready, ADC_GetData
// ...), timer-driven measuring (DoMeasure), and the transfer-mode, data-ready and digital-input
// functions of the wider instrument family.
#include "api/checks.h"
#include "api/library.h"
#include "api/record.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

// 0 stops the timer, -1 measures continuously, anything else measures once and then holds.
void SetTimerMeasuring(TZarvo& z, std::int32_t mode) {
    if (mode == 0) {
        z.Set_bEnableMeasurements(false);
        return;
    }
    z.Set_amAcquisitionMode(mode == -1 ? amContinuous : amOneShot);
    z.Set_bEnableMeasurements(true);
}

bool AcceptsDataReady(const TZarvo& z) {
    return IsType(z, {18, 22, 23});
}

bool HasDigitalInputs(const TZarvo& z) {
    return z.FDigitalInputCount != 0;
}

// The transfer-mode exports look at the instance before its type and only then at whether it
// found an instrument: an instance of the wrong type answers RC_UNAVAILABLE even when its
// start-up failed.
std::uint16_t TransferModeGate() {
    TZarvo* z = Lib().Instrument.get();
    if (z == nullptr) return RC_NO_INSTRUMENT;
    if (!AcceptsDataReady(*z)) return RC_UNAVAILABLE;
    if (!z->FInstrumentFound) return RC_NO_INSTRUMENT;
    return RC_OK;
}

}  // namespace

extern "C" ZARVO_API(uint16_t) DoMeasure(int32_t mode) {
    CallScope scope;
    const auto check = Guard().Initialised();
    if (!check) return check.Status();
    SetTimerMeasuring(check.Instrument(), mode);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_Start(void) {
    CallScope scope;
    const auto check = Guard().Initialised();
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    if (z.tmTransferMode == tmBlock) {
        z.Start();
        Lib().DataFetched = false;
    } else if (z.tmTransferMode == tmStream) {
        ClearRecord(z);
        Lib().DataFetched = true;
        SetTimerMeasuring(z, -1);
    }
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_Running(void) {
    CallScope scope;
    TZarvo* z = FoundInstrument();
    return (z != nullptr && z->IsRunning()) ? 1 : 0;
}

extern "C" ZARVO_API(uint16_t) ADC_Abort(void) {
    CallScope scope;
    const auto check = Guard().Initialised();
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    if (z.tmTransferMode == tmBlock) {
        z.Abort();
    } else if (z.tmTransferMode == tmStream) {
        SetTimerMeasuring(z, 0);
    }
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_Triggered(void) {
    CallScope scope;
    TZarvo* z = FoundInstrument();
    return z != nullptr ? z->GetTriggered() : 0;
}

extern "C" ZARVO_API(uint16_t) ADC_Ready(void) {
    CallScope scope;
    TZarvo* z = FoundInstrument();
    return (z != nullptr && z->GetReady() == 1) ? 1 : 0;
}

extern "C" ZARVO_API(uint16_t) ADC_ForceTrig(void) {
    CallScope scope;
    const auto check = Guard().Initialised();
    if (!check) return check.Status();
    check.Instrument().ForceTrigger();
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_GetData(uint16_t* ch1, uint16_t* ch2) {
    CallScope scope;
    const auto check = Guard().Valid(
        [=](const TZarvo& z) { return RecordCopyable(z, ch1) && RecordCopyable(z, ch2); });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    if (FetchIfPending(z) == Fetch::Lost) return RC_NO_INSTRUMENT;
    CopyRaw(z, 1, ch1);
    CopyRaw(z, 2, ch2);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_GetDataVolt(double* ch1, double* ch2) {
    CallScope scope;
    const auto check = Guard().Valid(
        [=](const TZarvo& z) { return RecordCopyable(z, ch1) && RecordCopyable(z, ch2); });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    LibraryState& lib = Lib();
    if (FetchIfPending(z) == Fetch::Lost) return RC_NO_INSTRUMENT;
    lib.VoltScale[1] = RecordScale(z, 1);
    lib.VoltScale[2] = RecordScale(z, 2);
    CopyVolts(z, 1, lib.VoltScale[1], ch1);
    CopyVolts(z, 2, lib.VoltScale[2], ch2);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_GetDataCh(uint16_t ch, uint16_t* data) {
    CallScope scope;
    const auto check =
        Guard().DataChannel(ch).Valid([=](const TZarvo& z) { return RecordCopyable(z, data); });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    if (FetchIfPending(z) == Fetch::Lost) return RC_NO_INSTRUMENT;
    CopyRaw(z, ch, data);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) ADC_GetDataVoltCh(uint16_t ch, double* data) {
    CallScope scope;
    const auto check =
        Guard().DataChannel(ch).Valid([=](const TZarvo& z) { return RecordCopyable(z, data); });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    LibraryState& lib = Lib();
    if (FetchIfPending(z) == Fetch::Lost) return RC_NO_INSTRUMENT;
    lib.VoltScale[ch] = RecordScale(z, ch);
    CopyVolts(z, ch, lib.VoltScale[ch], data);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetDataReadyCallback(void* callback) {
    return StoreIfCapable(AcceptsDataReady, &TZarvo::FDataReadyCallback, callback);
}

extern "C" ZARVO_API(uint16_t) SetDataReadyEvent(void* event) {
    return StoreIfCapable(AcceptsDataReady, &TZarvo::FDataReadyEvent, event);
}

extern "C" ZARVO_API(uint16_t) SetTransferMode(uint8_t mode) {
    CallScope scope;
    if (const std::uint16_t rc = TransferModeGate(); rc != RC_OK) return rc;
    // Stored as given: an unknown mode makes ADC_Start and ADC_Abort do nothing.
    Lib().Instrument->tmTransferMode = mode;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetTransferMode(int32_t* mode) {
    CallScope scope;
    if (const std::uint16_t rc = TransferModeGate(); rc != RC_OK) return rc;
    if (mode == nullptr) return RC_BAD_VALUE;
    *mode = Lib().Instrument->tmTransferMode;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetDigitalInputValues(uint16_t* values) {
    CallScope scope;
    const auto check = Guard().Capable(HasDigitalInputs).Valid([=](const TZarvo& z) {
        return RecordWritable(z, values);
    });
    if (!check) return check.Status();
    const int n = RecordCount(check.Instrument());
    for (int i = 0; i < n; ++i) values[i] = 0;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetOneDigitalValue(int32_t /*index*/, uint16_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(HasDigitalInputs).Writable(value);
    if (!check) return check.Status();
    *value = 0;
    return RC_OK;
}
