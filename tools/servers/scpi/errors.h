// SPDX-License-Identifier: MIT
// SCPI errors and the IEEE 488.2 status registers of one client's dialogue: the error queue
// that :SYSTem:ERRor? empties, the event status register (*ESR?) with its enable mask (*ESE),
// and the status byte (*STB?) summarising both.
#pragma once

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>

namespace zarvo::scpi {

// The numbers this server reports (negative: the standard's own).
namespace code {
constexpr int kCommand = -100;
constexpr int kSyntax = -102;
constexpr int kDataType = -104;
constexpr int kParameterNotAllowed = -108;
constexpr int kMissingParameter = -109;
constexpr int kUndefinedHeader = -113;
constexpr int kSuffixOutOfRange = -114;
constexpr int kInvalidSuffix = -131;
constexpr int kExecution = -200;
constexpr int kSettingsConflict = -221;
constexpr int kDataOutOfRange = -222;
constexpr int kTooMuchData = -223;
constexpr int kIllegalValue = -224;
constexpr int kDataStale = -230;
constexpr int kHardwareMissing = -241;
constexpr int kQueueOverflow = -350;
}  // namespace code

struct Error {
    int code = 0;
    std::string detail;  // what was wrong, for a person; may be empty
};

// Thrown by a command's handler: the command is refused and has changed nothing.
class Refused : public std::runtime_error {
public:
    Refused(int code, const std::string& detail) : std::runtime_error(detail), code_(code) {}
    Error error() const { return {code_, what()}; }

private:
    int code_;
};

// A command error (-100 to -199): the message was malformed, named no command or gave one
// parameters of a kind or number it does not take.
inline bool IsCommandError(int code) {
    return code <= -100 && code > -200;
}

// The standard's text for a number ("Data out of range"); "Error" for one it does not name.
const char* StandardText(int code);
// An error queue entry as :SYSTem:ERRor? answers it: -222,"Data out of range;detail".
std::string FormatError(const Error& error);

// Event status register bits.
namespace esr {
constexpr std::uint8_t kOperationComplete = 0x01;
constexpr std::uint8_t kQueryError = 0x04;
constexpr std::uint8_t kDeviceError = 0x08;
constexpr std::uint8_t kExecutionError = 0x10;
constexpr std::uint8_t kCommandError = 0x20;
constexpr std::uint8_t kPowerOn = 0x80;
}  // namespace esr

class StatusRegisters {
public:
    // Errors kept; one more replaces the newest with -350 (the queue overflowed).
    static constexpr std::size_t kQueueSize = 20;

    // Queues the error and sets its class's bit in the event status register.
    void Push(const Error& error);
    // The oldest error, taken off the queue; {0, "No error"} when there is none.
    Error Next();
    std::size_t Count() const { return queue_.size(); }

    void SetEvent(std::uint8_t bits) { esr_ |= bits; }
    // *ESR?: reads and clears.
    std::uint8_t TakeEvents();
    std::uint8_t EventEnable() const { return ese_; }
    void SetEventEnable(std::uint8_t mask) { ese_ = mask; }
    std::uint8_t ServiceEnable() const { return sre_; }
    void SetServiceEnable(std::uint8_t mask) { sre_ = mask; }
    // *STB?: error queue not empty (bit 2), a summary of the enabled events (bit 5) and the
    // master summary (bit 6). The message-available bit stays 0: an answer is sent at once.
    std::uint8_t StatusByte() const;
    // *CLS: empties the queue and the event register; the enable masks stay.
    void Clear();

private:
    std::deque<Error> queue_;
    std::uint8_t esr_ = esr::kPowerOn;
    std::uint8_t ese_ = 0;
    std::uint8_t sre_ = 0;
};

}  // namespace zarvo::scpi
