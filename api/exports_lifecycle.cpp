// SPDX-License-Identifier: MIT
// InitInstrument and ExitInstrument: the library's lifecycle.
//
// States: Unstarted (no instance), Running (found and initialised), Failed (instance without
// an instrument), Closed (instance freed after a successful start) and Dead (a new instance
// after Closed, which never looks for the instrument again). Only reloading the library
// leaves Closed and Dead.
#include <exception>
#include <memory>

#include "api/library.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

constexpr int kApiChannels = 4;

void OnDeviceArrived() {
    LibraryState& lib = Lib();
    if (!lib.Instrument) return;
    lib.Instrument->StartTimer();
    lib.platform->ShowMessage("WMDeviceArrived ");
}

void DestroyInstance() {
    LibraryState& lib = Lib();
    // The component's events point into the handler, so the component goes first.
    lib.Instrument.reset();
    lib.EventHandler.reset();
    lib.DeviceReceiver.reset();
    lib.platform.reset();
}

// Everything InitInstrument does once the instance exists. It may throw (out of memory while
// the event bridge, the device receiver's name or a message name is made).
std::uint16_t StartLibrary(std::uint32_t port) {
    LibraryState& lib = Lib();
    TZarvo& z = *lib.Instrument;
    lib.EventHandler = std::make_unique<TEventHandler>();
    try {
        lib.DeviceReceiver = lib.platform->CreateDeviceReceiver(OnDeviceArrived);
    } catch (const std::exception&) {
        lib.DeviceReceiver.reset();  // the library works without it
    }
    for (int ch = 1; ch <= kApiChannels; ++ch) z.SetChannelAutoRanging(ch, false);
    for (int ch = 1; ch <= kApiChannels; ++ch) lib.VoltScale[ch] = ScaleOf(z, ch);
    z.Set_amAcquisitionMode(amHold);
    if (lib.Initialised) return RC_NO_INSTRUMENT;
    if (z.FUseCallerAddress) z.nHardwareAddress = static_cast<std::int32_t>(port & 0xFFFFu);
    if (!z.StartInstrument()) return RC_NO_INSTRUMENT;
    lib.MsgMeasurementReady = lib.platform->RegisterMessage("Quelda: MeasurementReady");
    lib.MsgTransUpdate = lib.platform->RegisterMessage("Quelda: TransUpdate");
    lib.MsgTransReady = lib.platform->RegisterMessage("Quelda: TransReady");
    lib.MsgSettingChanged = lib.platform->RegisterMessage("Quelda: SettingChanged");
    z.SetMessageId(4, lib.MsgTransUpdate);
    z.SetMessageId(5, lib.MsgTransReady);
    // Only a start-up that went all the way counts as started.
    lib.Initialised = true;
    lib.DataFetched = true;
    return RC_OK;
}

}  // namespace

extern "C" ZARVO_API(uint16_t) InitInstrument(uint32_t port) {
    LibraryState& lib = Lib();
    if (lib.Instrument) {
        CallScope scope;
        return lib.Instrument->FInstrumentFound ? RC_OK : RC_NO_INSTRUMENT;
    }
    // Out of memory anywhere on the way has no status of its own, and no exception may reach
    // the caller: the port goes back, everything built so far is freed and the library is as
    // it was before the call (never started, or closed), so a later call may try again.
    try {
        lib.platform = CreatePlatform();
        lib.Instrument = std::make_unique<TZarvo>(*lib.platform);
        CallScope scope;
        return StartLibrary(port);
    } catch (...) {
        if (lib.Instrument) lib.Instrument->StopInstrument();
        DestroyInstance();
        return RC_NO_INSTRUMENT;
    }
}

extern "C" ZARVO_API(uint16_t) ExitInstrument(void) {
    LibraryState& lib = Lib();
    if (!lib.Instrument) return RC_OK;
    lib.Instrument->StopInstrument();
    if (lib.platform) lib.platform->EndCall();
    DestroyInstance();
    return RC_OK;
}
