// SPDX-License-Identifier: MIT
// Driving the exported API against the simulated instrument. Each test case runs in its own
// process, so a case starts with the library freshly loaded, chooses the simulated machine
// through ZARVO_SIM and calls InitInstrument itself.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "api/library.h"
#include "instrument/zarvo.h"
#include "zarvo.h"

namespace zarvo::testing {

class ApiSession : public ::testing::Test {
protected:
    // Configures the simulated machine ("" for every default) with a port trace and starts
    // the library on it; returns InitInstrument's status.
    std::uint16_t Start(const std::string& keys = "") {
        // Each test gets its own directory: the simulated port claims live there as lock
        // files, so tests running side by side do not find each other's ports busy.
        std::string pattern = "/tmp/zarvo_api_XXXXXX";
        if (dir_.empty() && ::mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
        setenv("TMPDIR", dir_.c_str(), 1);
        trace_ = dir_ + "/trace.txt";
        std::string value = "trace=" + trace_;
        if (!keys.empty()) value += "," + keys;
        setenv("ZARVO_SIM", value.c_str(), 1);
        return InitInstrument(0);
    }

    void TearDown() override {
        ExitInstrument();
        unsetenv("ZARVO_SIM");
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }

    // The component behind the exports, for set-ups no instrument of this family offers
    // (other instrument types, capability flags) and for state the exports do not report.
    static TZarvo& Instrument() { return *api::Lib().Instrument; }

    // Port operations traced so far (one line each); grows whenever the driver touches the
    // instrument.
    std::size_t TracedOperations() const {
        std::ifstream in(trace_);
        std::size_t lines = 0;
        std::string line;
        while (std::getline(in, line)) ++lines;
        return lines;
    }

    // Calls the exports until done() holds: on hosts without a message loop the component's
    // 6 ms timer runs on entry to an export. Gives up after timeoutMs.
    template <class Done>
    static bool PollUntil(Done done, int timeoutMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            ADC_Running();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }

    std::string dir_;
    std::string trace_;
};

// One row of a table: what the test gives and what it must get back.
template <class T>
struct Pair {
    T given;
    T expected;
};

// Volts per raw count of a full-scale value.
inline double CountVolts(double fullScale) {
    return fullScale / 32768.0;
}

}  // namespace zarvo::testing
