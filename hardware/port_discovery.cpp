// SPDX-License-Identifier: MIT
// Finding the base I/O addresses of LPT1..LPT3.
//
// The NT family offers no list of parallel ports an application could read, so the usual
// addresses are tried by writing to the data register and reading it back. Every other
// family is asked through the platform, which knows where the system recorded each port.
#include "hardware/port_discovery.h"

#include "instrument/zarvo.h"

namespace zarvo {

namespace {

constexpr std::array<std::int32_t, 4> kInitialLptAddress{0, 0x378, 0x278, 0x3BC};

// The probe pattern: alternating bits, so that a floating bus (0xFF) or a shorted one (0x00)
// cannot pass for a port.
constexpr std::uint8_t kProbePattern = 0xAA;
constexpr std::uint32_t kProbeSettleMs = 100;

std::string LptName(int n) {
    return "LPT" + std::to_string(n);
}

// Entry n := address when a port answers there under the name LPTn, else 0.
void ProbeAs(TZarvo& z, std::uint16_t address, int n) {
    LptAddress[n] = ProbePort(z, address, LptName(n)) ? address : 0;
}

void ProbeNtPorts(TZarvo& z) {
    // The three standard addresses first, each under its usual name. Then the fall-backs: a
    // name left empty may still own one of the other standard addresses, or (for LPT1) the
    // usual address of an add-in card. Each guard looks only at the entry it names, so one
    // address can end up in two entries; detection copes with that.
    ProbeAs(z, 0x378, 1);
    ProbeAs(z, 0x278, 2);
    ProbeAs(z, 0x3BC, 3);
    if (LptAddress[1] == 0 && LptAddress[2] != 0x278) ProbeAs(z, 0x278, 1);
    if (LptAddress[1] == 0 && LptAddress[3] != 0x3BC) ProbeAs(z, 0x3BC, 1);
    if (LptAddress[1] == 0) ProbeAs(z, 0xEC00, 1);
    if (LptAddress[2] == 0 && LptAddress[1] != 0x378) ProbeAs(z, 0x378, 2);
    if (LptAddress[2] == 0 && LptAddress[3] != 0x3BC) ProbeAs(z, 0x3BC, 2);
    if (LptAddress[3] == 0 && LptAddress[1] != 0x378) ProbeAs(z, 0x378, 3);
    if (LptAddress[3] == 0 && LptAddress[1] != 0x278) ProbeAs(z, 0x278, 3);
}

}  // namespace

std::array<std::int32_t, 4> LptAddress = kInitialLptAddress;

void ResetLptAddressTable() {
    LptAddress = kInitialLptAddress;
}

bool ProbePort(TZarvo& z, std::uint16_t address, const std::string& name) {
    // Opening the device is the existence test: a slot whose name the system does not know is
    // never written to, whatever might answer at the address.
    Platform& platform = z.platform();
    const DeviceHandle handle = platform.OpenDevice(name);
    if (handle == 0) return false;
    // Data lines in output direction with every control line low, then time for the lines
    // to settle before the data register is read back.
    z.PortOut(address, kProbePattern);
    z.PortOut(address + 2, 0x00);
    z.DelayMs(kProbeSettleMs);
    const bool answered = z.PortIn(address) == kProbePattern;
    platform.CloseDevice(handle);
    return answered;
}

void BuildPortTable(TZarvo& z) {
    Platform& platform = z.platform();
    switch (platform.Family()) {
        case PlatformFamily::NT:
            ProbeNtPorts(z);
            break;
        case PlatformFamily::Consumer:
        case PlatformFamily::Other:
            // The table keeps the low 32 bits of what the system recorded.
            for (int n = 1; n <= 3; ++n) {
                LptAddress[n] = static_cast<std::int32_t>(
                    static_cast<std::uint32_t>(platform.FindPortAddress(LptName(n))));
            }
            break;
    }
}

}  // namespace zarvo
