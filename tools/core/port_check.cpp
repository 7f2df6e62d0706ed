// SPDX-License-Identifier: MIT
// Who holds a parallel port, and the advice when no instrument answered.
#include "tools/core/port_check.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zarvo::core {

namespace {

constexpr int kPorts = 3;  // LPT1..LPT3, where the library looks

std::string PortName(int index) {
    return "LPT" + std::to_string(index + 1);
}

long ParsePid(const std::string& text) {
    char* end = nullptr;
    const long pid = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && pid > 0 ? pid : 0;
}

std::string ProgramOf(const std::string& procRoot, long pid) {
    std::string program;
    std::getline(std::ifstream(procRoot + "/" + std::to_string(pid) + "/comm"), program);
    return program;
}

std::string Describe(const PortHolder& holder) {
    std::string who = holder.pid > 0 ? "process " + std::to_string(holder.pid) : "another process";
    if (!holder.program.empty()) who += " (" + holder.program + ")";
    return who;
}

// The first parport device and what this user may do with it.
std::string DeviceAdvice() {
    const std::string device = "/dev/parport0";
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) {
        return "  - there is no parallel-port device (" + device +
               "): load the drivers with 'sudo modprobe parport_pc ppdev'\n";
    }
    if (::access(device.c_str(), R_OK | W_OK) == 0) {
        return "  - " + device + " is open to you; is the instrument connected and powered?\n";
    }
    const group* owner = ::getgrgid(info.st_gid);
    const std::string group = owner != nullptr ? owner->gr_name : std::to_string(info.st_gid);
    return "  - you may not open " + device + ": it belongs to the group '" + group +
           "'; join it ('sudo usermod -aG " + group +
           " $USER', then log in again) or install packaging/udev/60-zarvo-parport.rules\n";
}

}  // namespace

std::vector<PortHolder> SimulatedPortHolders(const std::string& directory) {
    std::vector<PortHolder> holders;
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    for (int i = 0; i < kPorts; ++i) {
        // The simulated platform's claim file for the port, per user of the machine.
        const std::string path =
            dir + "zarvo-sim-" + std::to_string(::getuid()) + "-" + PortName(i) + ".lock";
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        // A file nobody holds locked is left over from an earlier session.
        const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
        ::close(fd);
        if (!held) continue;
        std::string pid;
        std::string program;
        std::ifstream(path) >> pid >> program;
        PortHolder holder{PortName(i), ParsePid(pid), program};
        if (holder.pid != static_cast<long>(::getpid())) holders.push_back(holder);
    }
    return holders;
}

std::vector<PortHolder> DevicePortHolders(const std::string& procRoot,
                                          const std::string& devicePrefix) {
    std::vector<PortHolder> holders;
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator(procRoot, error)) {
        const long pid = ParsePid(process.path().filename().string());
        if (pid == 0 || pid == static_cast<long>(::getpid())) continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            const std::string target = std::filesystem::read_symlink(fd.path(), linkError);
            for (int i = 0; i < kPorts && !linkError; ++i) {
                if (target == devicePrefix + std::to_string(i)) {
                    holders.push_back({PortName(i), pid, ProgramOf(procRoot, pid)});
                }
            }
        }
    }
    return holders;
}

std::string NoInstrumentAdvice(const std::string& simulation) {
    std::ostringstream out;
    const bool simulated = !simulation.empty();
    const char* tmp = std::getenv("TMPDIR");
    const std::vector<PortHolder> holders =
        simulated ? SimulatedPortHolders(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp")
                  : DevicePortHolders();
    for (const PortHolder& holder : holders) {
        out << "  - " << holder.port << " is in use by " << Describe(holder)
            << ": end that program or wait for it, then try again\n";
    }
    if (simulated) {
        if (holders.empty()) {
            out << "  - the simulated machine (ZARVO_SIM=" << simulation
                << ") has no instrument on these ports, or another program holds its port\n";
        }
        return out.str();
    }
    out << DeviceAdvice();
    if (holders.empty()) {
        out << "  - another program may hold the port (the printer driver lp, or a second "
               "zarvo); see docs/linux-device-access.md\n";
    }
    out << "  - without hardware, try --simulate\n";
    return out.str();
}

std::string WhereLooked(bool namingSimulation) {
    std::string where = "on the parallel ports LPT1, LPT2 and LPT3";
    const char* sim = std::getenv("ZARVO_SIM");
    if (namingSimulation && sim != nullptr && *sim != '\0') {
        where += " of the simulated machine (ZARVO_SIM=" + std::string(sim) + ")";
    }
    return where;
}

std::string NoInstrumentMessage(const std::string& where, const std::string& detail) {
    const char* sim = std::getenv("ZARVO_SIM");
    std::string message = "no instrument found " + where + detail + "\n" +
                          NoInstrumentAdvice(sim != nullptr ? sim : "");
    while (!message.empty() && message.back() == '\n') message.pop_back();
    return message;
}

}  // namespace zarvo::core
