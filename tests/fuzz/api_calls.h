// SPDX-License-Identifier: MIT
// One export call of the exports fuzzer, with the arguments the input gives.
#pragma once

#include <cstdint>

#include "tests/fuzz/fuzz_support.h"

namespace zarvo::fuzz {

// Runs the export (or the passing of time) that `op` selects, reading its arguments from the
// input, and checks what comes back.
void CallExport(std::uint8_t op, Input& in);

// Whether a call since the last ClearClosed closed the library: after ExitInstrument it stays
// closed until it is loaded again, so the next input has to start it anew.
bool LibraryClosed();
void ClearClosed();

// What the call just made may have cost, in samples read: the record length when it could
// read the record out (a data fetch, a measurement, or any call while the timer measures,
// since the timer's steps run at the start of calls), else a small constant.
std::int64_t CallCost(std::uint8_t op);

// A status that is one of the defined codes; it goes into the result trace.
void CheckStatus(std::int32_t rc);

// Lets `steps` times `msPerStep` milliseconds of simulated time pass, with a call into the
// library after each, so that the timer runs its measurement steps as under a message loop.
void PassTime(int steps, std::uint32_t msPerStep);

}  // namespace zarvo::fuzz
