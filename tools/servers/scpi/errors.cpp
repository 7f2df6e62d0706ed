// SPDX-License-Identifier: MIT
// SCPI error numbers and their texts, the error queue and the IEEE 488.2 status registers.
#include "tools/servers/scpi/errors.h"

namespace zarvo::scpi {

namespace {

struct Text {
    int code;
    const char* text;
};

constexpr Text kTexts[] = {
    {0, "No error"},
    {code::kCommand, "Command error"},
    {code::kSyntax, "Syntax error"},
    {code::kDataType, "Data type error"},
    {code::kParameterNotAllowed, "Parameter not allowed"},
    {code::kMissingParameter, "Missing parameter"},
    {code::kUndefinedHeader, "Undefined header"},
    {code::kSuffixOutOfRange, "Header suffix out of range"},
    {code::kInvalidSuffix, "Invalid suffix"},
    {code::kExecution, "Execution error"},
    {code::kSettingsConflict, "Settings conflict"},
    {code::kDataOutOfRange, "Data out of range"},
    {code::kTooMuchData, "Too much data"},
    {code::kIllegalValue, "Illegal parameter value"},
    {code::kDataStale, "Data corrupt or stale"},
    {code::kHardwareMissing, "Hardware missing"},
    {code::kQueueOverflow, "Queue overflow"},
};

// The standard limits an error's string to 255 characters.
constexpr std::size_t kMaxText = 255;

std::uint8_t ClassBit(int code) {
    if (IsCommandError(code)) return esr::kCommandError;
    if (code <= -200 && code > -300) return esr::kExecutionError;
    if (code <= -400 && code > -500) return esr::kQueryError;
    return esr::kDeviceError;
}

}  // namespace

const char* StandardText(int code) {
    for (const Text& t : kTexts) {
        if (t.code == code) return t.text;
    }
    return "Error";
}

std::string FormatError(const Error& error) {
    std::string text = StandardText(error.code);
    if (!error.detail.empty()) text += ";" + error.detail;
    if (text.size() > kMaxText) text = text.substr(0, kMaxText - 3) + "...";
    // A quote inside the string is written twice.
    std::string quoted;
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return std::to_string(error.code) + ",\"" + quoted + "\"";
}

void StatusRegisters::Push(const Error& error) {
    esr_ |= ClassBit(error.code);
    if (queue_.size() < kQueueSize) {
        queue_.push_back(error);
        return;
    }
    esr_ |= esr::kDeviceError;
    queue_.back() = {code::kQueueOverflow, ""};
}

Error StatusRegisters::Next() {
    if (queue_.empty()) return {0, ""};
    Error e = queue_.front();
    queue_.pop_front();
    return e;
}

std::uint8_t StatusRegisters::TakeEvents() {
    const std::uint8_t events = esr_;
    esr_ = 0;
    return events;
}

std::uint8_t StatusRegisters::StatusByte() const {
    std::uint8_t stb = 0;
    if (!queue_.empty()) stb |= 0x04;
    if ((esr_ & ese_) != 0) stb |= 0x20;
    if ((stb & sre_ & ~0x40) != 0) stb |= 0x40;
    return stb;
}

void StatusRegisters::Clear() {
    queue_.clear();
    esr_ = 0;
}

}  // namespace zarvo::scpi
