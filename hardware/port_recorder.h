// SPDX-License-Identifier: MIT
// A port backend that records every operation, optionally passing it on to another backend
// (the simulated instrument, say). Reads without an inner backend answer from a callback,
// or 0. Used by tests to compare what the driver sends with what the hardware expects.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace zarvo {

struct PortOp {
    bool write;
    std::uint16_t port;
    std::uint8_t value;
    bool operator==(const PortOp&) const = default;
};

class RecordingPort final : public PortBackend {
public:
    explicit RecordingPort(PortBackend* inner = nullptr) : inner_(inner) {}

    void Out(std::uint16_t port, std::uint8_t value) override {
        if (recording) ops.push_back({true, port, value});
        if (inner_ != nullptr) inner_->Out(port, value);
    }

    std::uint8_t In(std::uint16_t port) override {
        std::uint8_t value = 0;
        if (inner_ != nullptr) {
            value = inner_->In(port);
        } else if (reader) {
            value = reader(port);
        }
        if (recording) ops.push_back({false, port, value});
        return value;
    }

    void SetInner(PortBackend* inner) { inner_ = inner; }
    void Clear() { ops.clear(); }

    std::vector<PortOp> ops;
    std::function<std::uint8_t(std::uint16_t)> reader;
    bool recording = true;

private:
    PortBackend* inner_;
};

}  // namespace zarvo
