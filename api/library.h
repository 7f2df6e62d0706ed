// SPDX-License-Identifier: MIT
// Library-level state of the exported API: the single instrument and what the exports share.
// Everything here exists once per loaded library and is touched only from the thread that
// called InitInstrument.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "api/event_handler.h"
#include "instrument/zarvo.h"
#include "platform/platform.h"

namespace zarvo::api {

struct LibraryState {
    std::unique_ptr<Platform> platform;  // lives exactly as long as the instrument
    std::unique_ptr<TZarvo> Instrument;
    std::unique_ptr<TEventHandler> EventHandler;
    std::unique_ptr<zarvo::DeviceReceiver> DeviceReceiver;
    bool Initialised = false;
    bool DataFetched = false;
    std::array<double, 5> VoltScale{};  // [1..4], volts per raw count
    std::int32_t SquareWaveFreq = 0;
    std::uint32_t MsgMeasurementReady = 0;
    std::uint32_t MsgTransUpdate = 0;
    std::uint32_t MsgTransReady = 0;
    std::uint32_t MsgSettingChanged = 0;
};

LibraryState& Lib();

// The load and unload hooks: load zeroes the state, unload shuts a running instrument down.
void LibraryLoad();
void LibraryUnload();

// The instrument when it is present and was found, else nullptr (the instrument guard).
TZarvo* FoundInstrument();

// Brackets every export that may touch the instrument: runs the timer tick that is due on
// hosts without a message loop, and lets the platform flush at the end of the call.
class CallScope {
public:
    CallScope();
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    Platform* platform_;
};

// volts per raw count of a channel's current range
double ScaleOf(const TZarvo& z, int ch);

}  // namespace zarvo::api
