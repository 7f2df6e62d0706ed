// SPDX-License-Identifier: MIT
// Single-call measuring: StartMeasurement runs one complete measurement and returns when its
// samples are in the component's buffers; the other exports read those buffers, whole or one
// sample at a time, without touching the hardware.
#include "api/checks.h"
#include "api/library.h"
#include "api/record.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

// The volts exports convert with the ranges the record was taken with.
void RefreshScales12(const TZarvo& z) {
    LibraryState& lib = Lib();
    lib.VoltScale[1] = RecordScale(z, 1);
    lib.VoltScale[2] = RecordScale(z, 2);
}

}  // namespace

extern "C" ZARVO_API(uint16_t) StartMeasurement(void) {
    CallScope scope;
    const auto check = Guard().Initialised();
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    z.RunSynchronous();
    // The run of an earlier ADC_Start was taken over: no data export reads it out any more.
    LibraryState& lib = Lib();
    lib.DataFetched = true;
    // An instrument that never reported its run complete gave no measurement: the buffers
    // still hold the previous record, which must not pass for a new one.
    if (!z.FRunDone) return RC_NO_INSTRUMENT;
    for (unsigned ch = 1; ch <= kApiChannels; ++ch) lib.VoltScale[ch] = RecordScale(z, ch);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetMeasurement(double* ch1, double* ch2) {
    CallScope scope;
    const auto check = Guard().Valid(
        [=](const TZarvo& z) { return RecordCopyable(z, ch1) && RecordCopyable(z, ch2); });
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    RefreshScales12(z);
    CopyVolts(z, 1, Lib().VoltScale[1], ch1);
    CopyVolts(z, 2, Lib().VoltScale[2], ch2);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetOneMeasurement(int32_t index, double* ch1, double* ch2) {
    CallScope scope;
    const auto check = Guard()
                           .Valid([index](const TZarvo& z) { return IndexInRecord(z, index); })
                           .Writable(ch1)
                           .Writable(ch2);
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    RefreshScales12(z);
    *ch1 = SampleToVolts(ChannelSamples(z, 1)[index], Lib().VoltScale[1]);
    *ch2 = SampleToVolts(ChannelSamples(z, 2)[index], Lib().VoltScale[2]);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetMeasurementRaw(uint16_t* ch1, uint16_t* ch2) {
    CallScope scope;
    const auto check = Guard().Valid(
        [=](const TZarvo& z) { return RecordCopyable(z, ch1) && RecordCopyable(z, ch2); });
    if (!check) return check.Status();
    CopyRaw(check.Instrument(), 1, ch1);
    CopyRaw(check.Instrument(), 2, ch2);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetOneMeasurementRaw(int32_t index, uint16_t* ch1, uint16_t* ch2) {
    CallScope scope;
    const auto check = Guard()
                           .Valid([index](const TZarvo& z) { return IndexInRecord(z, index); })
                           .Writable(ch1)
                           .Writable(ch2);
    if (!check) return check.Status();
    const TZarvo& z = check.Instrument();
    *ch1 = ChannelSamples(z, 1)[index];
    *ch2 = ChannelSamples(z, 2)[index];
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetOneMeasurementRawCh(uint16_t ch, int32_t index, uint16_t* value) {
    CallScope scope;
    const auto check = Guard()
                           .DataChannel(ch)
                           .Valid([index](const TZarvo& z) { return IndexInRecord(z, index); })
                           .Writable(value);
    if (!check) return check.Status();
    *value = ChannelSamples(check.Instrument(), ch)[index];
    return RC_OK;
}
