// SPDX-License-Identifier: MIT
// Exclusive claims on the simulated parallel ports, standing for the OS device that a real
// driver holds open without sharing. A claim is an exclusive lock on a file per port name in
// a directory (by default the temporary directory), so a second claimant finds the port busy
// whether it is another process or another claim in the same process. Tests that run side by
// side keep their claims apart by giving each its own directory (TMPDIR, or the directory
// argument). On Linux the file names its holder ("<pid> <program>") while the claim lasts.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/platform.h"

namespace zarvo::sim {

class DeviceClaims {
public:
    // An empty directory means the temporary directory.
    explicit DeviceClaims(std::string directory = {});
    ~DeviceClaims();
    DeviceClaims(const DeviceClaims&) = delete;
    DeviceClaims& operator=(const DeviceClaims&) = delete;

    // A handle for the claim on `name`, 0 when someone else holds it or it cannot be made.
    DeviceHandle Claim(const std::string& name);
    // Gives the claim up; unknown handles are ignored.
    void Release(DeviceHandle handle);

    std::string PathFor(const std::string& name) const;

private:
    std::string directory_;
    std::map<DeviceHandle, std::intptr_t> held_;  // handle -> OS lock
    DeviceHandle next_ = 1;
};

// ---- One definition per OS (claim_linux.cpp, claim_windows.cpp).
// Opens (creating it if needed) and exclusively locks the file; -1 when it is locked already
// or cannot be opened.
std::intptr_t LockFileExclusive(const std::string& path);
void UnlockFile(std::intptr_t lock);
// The directory for claims, ending in a path separator.
std::string TemporaryDirectory();
// Distinguishes the users of one machine in claim file names ("" where the directory is
// per user already).
std::string UserTag();

}  // namespace zarvo::sim
