// SPDX-License-Identifier: MIT
// What to tell a person when no instrument answered: who holds a parallel port, where the
// machine can tell, and what to check on the way to the port.
#pragma once

#include <string>
#include <vector>

namespace zarvo::core {

struct PortHolder {
    std::string port;     // "LPT1" ...
    long pid = 0;         // 0: not known
    std::string program;  // empty: not known
};

// Holders of the simulated machine's ports LPT1..LPT3: the claim files in `directory` (the
// simulated platform's; it writes "<pid> <program>" into the file it holds locked). Claims of
// this process and files nobody holds any more are left out.
std::vector<PortHolder> SimulatedPortHolders(const std::string& directory);

// Holders of /dev/parport0..2 (LPT1..LPT3): processes with the device open, as far as /proc
// shows them to this user.
std::vector<PortHolder> DevicePortHolders(const std::string& procRoot = "/proc",
                                          const std::string& devicePrefix = "/dev/parport");

// The lines that follow "no instrument found" (each ending in a newline): the holders first,
// then what to check. `simulation` is the ZARVO_SIM value, empty on the real machine.
std::string NoInstrumentAdvice(const std::string& simulation);

// Where the library looked: "on the parallel ports LPT1, LPT2 and LPT3", followed, when
// `namingSimulation` and ZARVO_SIM selects the simulated machine, by which machine that was.
std::string WhereLooked(bool namingSimulation);

// The one "no instrument found" message: the sentence with where the library looked and
// `detail` after it (the status, or a colon), then the advice; no newline at the end.
std::string NoInstrumentMessage(const std::string& where, const std::string& detail);

}  // namespace zarvo::core
