// SPDX-License-Identifier: MIT
// Fuzzing the exported API: each input is a sequence of export calls with arbitrary arguments,
// interleaved with simulated time passing, run on an instrument started once per process and
// put back into one known state before every input (tests/fuzz/instrument_reset.cpp).
//
// The simulated machine is the same for the whole process: a working instrument, or what
// ZARVO_FUZZ_MACHINE gives in the keys of ZARVO_SIM (stuck=busy, eeprom=garbage:7, lpt=0
// ...). It runs on virtual time, so the driver's bounded waits cost port operations rather
// than wall time. With ZARVO_FUZZ_TRACE=FILE every result of every input is appended to FILE,
// to compare an input run alone with the same input run after others.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "tests/fuzz/api_calls.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/instrument_reset.h"

using namespace zarvo::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The simulated ports are claimed through lock files in the temporary directory: a private
    // one, so that nothing else on the machine holds them.
    static char pattern[] = "/tmp/zarvo-fuzz-XXXXXX";
    if (mkdtemp(pattern) != nullptr) setenv("TMPDIR", pattern, 1);
    std::fprintf(stderr, "api_fuzz: simulated machine %s\n", MachineKeys().c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Most of an input's time goes to readouts, each as long as the record. An input may read
    // about sixteen records of the start-up length (512 samples), so that it makes its 32
    // calls unless it measures all along, and far fewer once it asks for the longest records:
    // no input costs as much as a hundred others.
    constexpr int kMaxCalls = 32;
    std::int64_t budget = std::int64_t{16} * 512;
    ResetInstrument();
    Trace::Get().Begin(data, size);
    Input in(data, size);
    for (int calls = 0; calls < kMaxCalls && budget > 0 && !in.Empty(); ++calls) {
        const std::uint8_t op = in.Byte();
        CallExport(op, in);
        budget -= CallCost(op);
    }
    Trace::Get().End();
    return 0;
}
