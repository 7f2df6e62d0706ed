// SPDX-License-Identifier: MIT
// The Linux parport device (/dev/parportN, driver ppdev): a claimed parallel port whose three
// standard registers are read and written through ioctls, for processes that may not execute
// port instructions themselves.
//
// The kernel passes the data, status and control bytes through as raw register values (the
// control write keeps only the four line bits; direction is set separately), so the bus
// sequences are the same bytes whichever way the port is reached.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zarvo::host {

// The system calls the parport device needs, behind a seam so that tests can check every
// request and its argument.
class PpdevSystem {
public:
    virtual ~PpdevSystem() = default;
    // A file descriptor, or -1 when the device cannot be opened.
    virtual int Open(const std::string& path) = 0;
    // 0 on success, -1 on failure.
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void Close(int fd) = 0;
    // Whether the device file exists at all, whoever may open it.
    virtual bool Exists(const std::string& path);
};

// open/ioctl/close of the running system.
PpdevSystem& SystemPpdev();

enum class ClaimResult {
    Claimed,
    CannotOpen,  // no such device, or no permission to open it
    Refused,     // another user of the port holds it, or it cannot be set up
};

class PpdevPort {
public:
    // Opens the device, registers exclusively (no other driver or program may share the
    // port while it is held), claims it and puts the data lines in output mode.
    static std::unique_ptr<PpdevPort> Claim(PpdevSystem& sys, const std::string& path,
                                            ClaimResult& result);
    // Whether the device can be opened at all (opened and closed again, nothing claimed).
    static bool CanOpen(PpdevSystem& sys, const std::string& path);

    ~PpdevPort();  // releases the port and closes the device
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    // Register offsets from the port base: 0 data, 1 status, 2 control.
    void Write(int offset, std::uint8_t value);
    std::uint8_t Read(int offset);  // 0xFF for a request that fails, as a floating bus reads

private:
    PpdevPort(PpdevSystem& sys, int fd) : sys_(sys), fd_(fd) {}
    PpdevSystem& sys_;
    int fd_;
};

}  // namespace zarvo::host
