// SPDX-License-Identifier: MIT
// The bridge between the component's events and the exported API.
#pragma once

namespace zarvo {
class TZarvo;
}

namespace zarvo::api {

class TEventHandler {
public:
    // Binds OnMeasurementReady and OnSettingsChanged of the instrument, when there is one.
    TEventHandler();
    void MeasurementReadyHandler(TZarvo& sender);
    // Hands each channel's current full scale back through SetSensitivity, so that the API's
    // volts-per-count factors follow ranges the component changed by itself (auto ranging).
    void SettingsChangedHandler(TZarvo& sender);
};

}  // namespace zarvo::api
