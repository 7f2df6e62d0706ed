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
    constexpr int kMaxCalls = 32;
    ResetInstrument();
    Trace::Get().Begin(data, size);
    Input in(data, size);
    for (int calls = 0; calls < kMaxCalls && !in.Empty(); ++calls) CallExport(in.Byte(), in);
    Trace::Get().End();
    return 0;
}
