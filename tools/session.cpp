#include "tools/session.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "tools/status.h"
#include "zarvo.h"

namespace zarvo::cli {

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
    const char* sim = std::getenv("ZARVO_SIM");
    std::string where = "on the parallel ports LPT1, LPT2 and LPT3";
    if (sim != nullptr && *sim != '\0') {
        where += " of the simulated machine (ZARVO_SIM=" + std::string(sim) + ")";
    } else {
        where += "; without hardware, try --simulate";
    }
    throw ToolError("no instrument found " + where + " (" + StatusName(status) + ")", 2);
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

void PauseMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace zarvo::cli
