// SPDX-License-Identifier: MIT
// Everything the driver needs from the operating system, behind one small interface.
//
// The core (component, engine, hardware access) never calls the OS directly: it asks its
// Platform for port I/O, the millisecond tick, device claims, user messages, registered
// window messages and the periodic timer. One implementation per OS lives beside this file;
// the simulated instrument brings its own (sim/), and tests use fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zarvo {

// Byte-wide port access at 16-bit I/O addresses; one backend per way of reaching the port
// (direct instructions, the Linux parport device, the simulated instrument, a recorder).
class PortBackend {
public:
    virtual ~PortBackend() = default;
    virtual void Out(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t In(std::uint16_t port) = 0;
};

// The version query's platform identifier: the consumer family lets applications execute
// port instructions directly, the NT family needs a port-access driver.
enum class PlatformFamily : int { Other = 0, Consumer = 1, NT = 2 };

// An opened OS device (a claimed parallel port); 0 means none.
using DeviceHandle = std::intptr_t;

// Periodic tick delivered on the thread that created the timer, never inside another tick
// or inside an export call.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetInterval(std::uint32_t ms) = 0;
};

using TimerHandler = std::function<void()>;

// Hidden window that receives device-change messages; created where the OS has them.
class DeviceReceiver {
public:
    virtual ~DeviceReceiver() = default;
};

class Platform {
public:
    virtual ~Platform() = default;

    virtual PortBackend& Port() = 0;

    // Milliseconds since an arbitrary start, unsigned 32-bit, wrapping.
    virtual std::uint32_t TickMs() = 0;
    // Gives the processor away for about ms milliseconds (pacing loops, never bus timing).
    virtual void SleepMs(std::uint32_t ms) = 0;

    virtual PlatformFamily Family() = 0;
    // Whether this process may reach the parallel port at all (the NT port-access driver,
    // I/O permission or the parport device on Linux). Consumer-family callers never ask.
    virtual bool PortDriverAvailable() = 0;
    // What to tell the person when PortDriverAvailable() said no, in this system's terms;
    // empty: the driver's message about the port-access driver of the NT family.
    virtual std::string MissingPortAccessMessage() { return {}; }

    // A message for the person at the machine: a modal box on Windows, standard error
    // elsewhere. Returns once the message has been seen (dismissed or written).
    virtual void ShowMessage(const std::string& text) = 0;

    // Opens the named device ("LPT1" ...) without sharing; 0 when the OS does not know it or
    // another user holds it. Used both as an existence test and as the port claim.
    virtual DeviceHandle OpenDevice(const std::string& name) = 0;
    virtual void CloseDevice(DeviceHandle handle) = 0;

    // Base I/O address the OS records for the named parallel port, 0 when unknown. Used on
    // every family except NT, where ports are found by probing instead.
    virtual std::uint64_t FindPortAddress(const std::string& name) = 0;

    // Registered window-message id for a name; the same name always gives the same id.
    virtual std::uint32_t RegisterMessage(const std::string& name) = 0;

    virtual std::unique_ptr<Timer> CreateTimer(TimerHandler handler) = 0;

    // The hidden device-change window; nullptr where the OS has none or creation fails.
    virtual std::unique_ptr<DeviceReceiver> CreateDeviceReceiver(std::function<void()> onArrived) {
        (void)onArrived;
        return nullptr;
    }

    // Called on entry to every export: where no message loop delivers timer ticks, this runs
    // the one tick that is due.
    virtual void BeginCall() {}
    // Called when an export returns (trace files are flushed here).
    virtual void EndCall() {}
};

// The platform of the machine the library runs on (one definition per OS).
std::unique_ptr<Platform> CreateHostPlatform();

// The platform the library uses: the simulated instrument when ZARVO_SIM is set and not
// empty, the host otherwise.
std::unique_ptr<Platform> CreatePlatform();

}  // namespace zarvo
