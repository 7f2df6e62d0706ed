// SPDX-License-Identifier: MIT
// Opening the instrument for one command, Ctrl-C, the terminal and the simulated instrument.
#include "tools/core/process.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "tools/core/port_check.h"
#include "tools/core/status.h"
#include "zarvo.h"

namespace zarvo::core {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

}  // namespace

void SelectSimulation(const std::string& simulate) {
    if (!simulate.empty()) setenv("ZARVO_SIM", simulate.c_str(), 1);
}

Session::Session() {
    const std::uint16_t status = InitInstrument(0);
    if (status == RC_OK) return;
    ExitInstrument();
    throw ToolError(NoInstrumentMessage(WhereLooked(false), " (" + StatusName(status) + ")"), 2);
}

Session::~Session() {
    ExitInstrument();
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

int TerminalWidth() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const int fromEnv = columns != nullptr ? std::atoi(columns) : 0;
    return fromEnv > 0 && fromEnv < 1000 ? fromEnv : 80;
}

void PauseMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace zarvo::core
