// SPDX-License-Identifier: MIT
// Finding the base I/O addresses of LPT1..LPT3.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zarvo {

class TZarvo;
class Platform;

// Base address per port, [1..3] for LPT1..LPT3; 0 means no such port. Shared by the whole
// process; discovery rewrites it, detection reads it.
extern std::array<std::int32_t, 4> LptAddress;
void ResetLptAddressTable();  // the contents at library load: 0x378, 0x278, 0x3BC

void BuildPortTable(TZarvo& z);
bool ProbePort(TZarvo& z, std::uint16_t address, const std::string& name);

// The configuration-manager and registry lookup of a named port's base address, through the
// real Windows services (defined only in the Windows build).
std::uint64_t FindPortAddressWindows(const std::string& name);

}  // namespace zarvo
