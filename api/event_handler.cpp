// SPDX-License-Identifier: MIT
#include "api/event_handler.h"

#include "api/library.h"
#include "zarvo.h"

namespace zarvo::api {

TEventHandler::TEventHandler() {
    TZarvo* z = Lib().Instrument.get();
    if (z == nullptr) return;
    z->OnMeasurementReady = [this](TZarvo& sender) { MeasurementReadyHandler(sender); };
    z->OnSettingsChanged = [this](TZarvo& sender) { SettingsChangedHandler(sender); };
}

void TEventHandler::MeasurementReadyHandler(TZarvo& /*sender*/) {}

void TEventHandler::SettingsChangedHandler(TZarvo& /*sender*/) {
    TZarvo* z = Lib().Instrument.get();
    if (z == nullptr) return;
    for (std::uint8_t ch = 1; ch <= 2; ++ch) {
        double sensitivity = static_cast<double>(z->GetChannelSensitivity(ch));
        ::SetSensitivity(ch, &sensitivity);
    }
}

}  // namespace zarvo::api
