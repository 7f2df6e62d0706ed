// SPDX-License-Identifier: MIT
// Starting the instrument once per fuzzing process and putting it back into one known state
// before every input, so that an input gives the same results whether it runs first in a
// fresh process or after thousands of others, and a saved finding replays on its own.
#pragma once

#include <string>

namespace zarvo::fuzz {

// The simulated machine the process runs: ZARVO_SIM as given (on virtual time), or a working
// instrument on virtual time when it is not set.
std::string MachineKeys();

// Starts the library on the simulated machine (again, when an input closed it), records the
// start-up value of every setting the exports can change, and brings the instrument into the
// known state: those values, with a shorter record. Aborts when the state read back
// afterwards differs from it.
void ResetInstrument();

}  // namespace zarvo::fuzz
