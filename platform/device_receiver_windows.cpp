// SPDX-License-Identifier: MIT
#include <utility>

#include "platform/host_windows.h"

namespace zarvo::win {

DeviceMessageReceiver::DeviceMessageReceiver(std::function<void()> onArrived, bool messageOnly)
    : onArrived_(std::move(onArrived)),
      window_(messageOnly, [this](UINT message, WPARAM, LPARAM, LRESULT& result) {
          return OnMessage(message, result);
      }) {}

bool DeviceMessageReceiver::OnMessage(UINT message, LRESULT& result) {
    if (message == kDeviceChangeMessage) {
        // Device-change broadcasts are accepted and need no action: the arrival of the
        // instrument is announced by its own message.
        result = TRUE;
        return true;
    }
    if (message == kDeviceArrivedMessage) {
        if (onArrived_) onArrived_();
        result = 0;
        return true;
    }
    return false;
}

std::unique_ptr<DeviceReceiver> CreateDeviceMessageReceiver(std::function<void()> onArrived) {
    auto receiver = std::make_unique<DeviceMessageReceiver>(std::move(onArrived), false);
    if (!receiver->Valid()) return nullptr;
    return receiver;
}

}  // namespace zarvo::win
