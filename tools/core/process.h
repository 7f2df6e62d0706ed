// SPDX-License-Identifier: MIT
// Opening and closing the instrument for one command, and the Ctrl-C flag.
#pragma once

#include <string>

namespace zarvo::core {

// Selects the simulated instrument for this process when simulate is not empty ("1" or a
// list of key=value pairs, as the ZARVO_SIM environment variable takes).
void SelectSimulation(const std::string& simulate);

// The instrument, open for the lifetime of the object: InitInstrument on construction (a
// ToolError, saying where the library looked, when nothing answers) and ExitInstrument on
// destruction, so the port is released on every way out, Ctrl-C included.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

// Installs the Ctrl-C handler; Interrupted() then reports whether the user asked to stop.
void CatchInterrupts();
bool Interrupted();

// Whether standard error / standard output is a terminal (for progress and previews).
bool StderrIsTerminal();
bool StdoutIsTerminal();

// Columns of the terminal on standard output (COLUMNS, or 80, when it cannot tell).
int TerminalWidth();

// Sleeps for about ms milliseconds.
void PauseMs(int ms);

}  // namespace zarvo::core
