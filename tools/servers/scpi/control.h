// SPDX-License-Identifier: MIT
// Who controls the instrument, whichever way the client came: the raw socket's connection or a
// VXI-11 link. One holder at a time. A holder that has gone gives way at once; one that has
// been silent for the idle time-out gives way to a newcomer; otherwise the newcomer is refused.
#pragma once

#include <chrono>
#include <string>

namespace zarvo::scpi {

using Clock = std::chrono::steady_clock;

// A client that can hold control.
class Controller {
public:
    virtual ~Controller() = default;
    // For people: "127.0.0.1:40112", "VXI-11 link 3 of 127.0.0.1:40114".
    virtual std::string Name() const = 0;
    // When the client last sent something.
    virtual Clock::time_point Heard() const = 0;
    // The client has closed its side, though its connection has not been read to the end.
    virtual bool Gone() const = 0;
    // Control is taken away: the client drops what it was doing (the raw connection closes).
    virtual void LetGo() = 0;
};

class Control {
public:
    explicit Control(double idleTimeout) : idleTimeout_(idleTimeout) {}

    const Controller* Holder() const { return holder_; }
    bool Holds(const Controller& c) const { return holder_ == &c; }
    double IdleTimeout() const { return idleTimeout_; }
    // Seconds the holder has been silent; 0 without one.
    double Silence() const;

    // Control for `c` (named `newcomer` in the log): at once when nobody holds it, or when the
    // holder has gone or has been silent for the idle time-out (it is let go first). False
    // while another holder keeps it.
    bool Take(Controller& c, const std::string& newcomer);
    // `c` gives control back (it disconnected, or its link was destroyed); nothing when it
    // does not hold it.
    void Release(const Controller& c);

private:
    Controller* holder_ = nullptr;
    double idleTimeout_;
};

}  // namespace zarvo::scpi
