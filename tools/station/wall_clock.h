// SPDX-License-Identifier: MIT
// The wall-clock time a record is stamped with: milliseconds since the Unix epoch, as the
// browser's performance.timeOrigin counts them, so that the page can tell how long a record
// took from its readout to the screen.
#pragma once

#include <chrono>

namespace zarvo::station {

inline double EpochMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace zarvo::station
