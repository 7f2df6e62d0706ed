// SPDX-License-Identifier: MIT
// What the kernel's parport layer tells about the parallel ports it drives: parport0 is LPT1,
// parport1 LPT2 and so on, and /proc/sys/dev/parport/parportN/base-addr holds the base I/O
// address (and the extended-register base) in decimal.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo::host {

inline constexpr const char* kParportProcRoot = "/proc/sys/dev/parport";
inline constexpr const char* kParportDevicePrefix = "/dev/parport";

// The parport number of a port name: "LPT1" -> 0 ... ; -1 for any other name.
int ParportNumberOfName(const std::string& name);

// The base I/O address the kernel reports for parportN below procRoot, 0 when there is no
// such port or its record cannot be read.
std::uint64_t ReadParportBase(const std::string& procRoot, int number);

}  // namespace zarvo::host
