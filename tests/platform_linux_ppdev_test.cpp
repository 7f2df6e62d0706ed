// SPDX-License-Identifier: MIT
// The Linux parport-device backend against a fake kernel that checks every request and its
// argument, and the whole start-up of the instrument through it.
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "instrument/zarvo.h"
#include "platform/host_linux.h"
#include "support/eeprom_bus_device.h"

using namespace zarvo;
using namespace zarvo::host;
using namespace zarvo::testing;

namespace {

struct Call {
    std::string what;  // "open", "close" or the request's name
    int fd = -1;
    int arg = -1;  // the byte or int the request carried; -1 for none
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << c.what << "(fd " << c.fd << ", arg " << c.arg << ")";
}

// The parport device as the kernel offers it: exclusive registration before the claim,
// register requests only while claimed, and at most one holder per port.
class FakeKernel final : public PpdevSystem {
public:
    struct Hardware {
        PortBackend* port;
        std::uint16_t base;
    };

    int Open(const std::string& path) override {
        calls.push_back({"open:" + path});
        if (devices.count(path) == 0) return -1;
        const int fd = nextFd_++;
        files_[fd] = File{path};
        calls.back().fd = fd;
        return fd;
    }

    int Ioctl(int fd, unsigned long request, void* arg) override {
        Call call{Name(request), fd};
        const auto file = files_.find(fd);
        if (file == files_.end()) {
            ++faults;
            calls.push_back(call);
            return -1;
        }
        File& f = file->second;
        const bool byteArg = request == PPWDATA || request == PPWCONTROL;
        if (byteArg) call.arg = *static_cast<unsigned char*>(arg);
        if (request == PPDATADIR) call.arg = *static_cast<int*>(arg);
        if ((request == PPEXCL || request == PPCLAIM || request == PPRELEASE) && arg != nullptr) {
            ++faults;  // these take no argument
        }
        calls.push_back(call);
        if (failing.count(request) != 0) return -1;

        if (request == PPEXCL) {
            if (f.claimed) ++faults;  // too late once registered
            f.exclusive = true;
            return 0;
        }
        if (request == PPCLAIM) {
            if (!f.exclusive) ++faults;  // every claim here must be exclusive
            for (const auto& [other, g] : files_) {
                if (other != fd && g.path == f.path && g.claimed) return -1;  // ENXIO
            }
            f.claimed = true;
            return 0;
        }
        if (!f.claimed) {
            ++faults;  // register access without the port claimed
            return -1;
        }
        const auto hw = hardware.find(f.path);
        switch (request) {
            case PPRELEASE:
                f.claimed = false;
                return 0;
            case PPDATADIR:
                return 0;
            case PPWDATA:
            case PPWCONTROL:
                if (hw != hardware.end()) {
                    hw->second.port->Out(hw->second.base + (request == PPWDATA ? 0 : 2),
                                         static_cast<std::uint8_t>(call.arg));
                }
                return 0;
            case PPRDATA:
            case PPRSTATUS:
            case PPRCONTROL: {
                const int offset = request == PPRDATA ? 0 : request == PPRSTATUS ? 1 : 2;
                *static_cast<unsigned char*>(arg) =
                    hw != hardware.end()
                        ? hw->second.port->In(static_cast<std::uint16_t>(hw->second.base + offset))
                        : status;
                return 0;
            }
            default:
                ++faults;
                return -1;
        }
    }

    void Close(int fd) override {
        calls.push_back({"close", fd});
        if (files_.erase(fd) == 0) ++faults;
    }

    bool Claimed(const std::string& path) const {
        for (const auto& [fd, f] : files_) {
            if (f.path == path && f.claimed) return true;
        }
        return false;
    }
    std::size_t OpenFiles() const { return files_.size(); }

    // Register requests only, in order.
    std::vector<Call> RegisterCalls() const {
        std::vector<Call> out;
        for (const Call& c : calls) {
            if (c.what == "WDATA" || c.what == "WCONTROL" || c.what == "RDATA" ||
                c.what == "RSTATUS" || c.what == "RCONTROL") {
                out.push_back(c);
            }
        }
        return out;
    }

    bool Exists(const std::string& path) override {
        return devices.count(path) != 0 || locked.count(path) != 0;
    }

    std::set<std::string> devices;
    std::set<std::string> locked;  // present, but this user may not open them
    std::map<std::string, Hardware> hardware;
    std::set<unsigned long> failing;
    std::vector<Call> calls;
    unsigned char status = 0x87;
    int faults = 0;

private:
    struct File {
        std::string path;
        bool exclusive = false;
        bool claimed = false;
    };
    static std::string Name(unsigned long request) {
        static const std::map<unsigned long, std::string> names{
            {PPEXCL, "EXCL"},         {PPCLAIM, "CLAIM"},       {PPRELEASE, "RELEASE"},
            {PPDATADIR, "DATADIR"},   {PPWDATA, "WDATA"},       {PPRDATA, "RDATA"},
            {PPWCONTROL, "WCONTROL"}, {PPRCONTROL, "RCONTROL"}, {PPRSTATUS, "RSTATUS"}};
        const auto it = names.find(request);
        return it == names.end() ? "other" : it->second;
    }

    std::map<int, File> files_;
    int nextFd_ = 3;
};

class FakeDirect final : public DirectIo {
public:
    bool Grant(std::uint16_t from, std::uint16_t count) override {
        grants.push_back({from, count});
        return allow;
    }
    void Out(std::uint16_t port, std::uint8_t value) override { outs.push_back({port, value}); }
    std::uint8_t In(std::uint16_t) override { return 0x42; }

    bool allow = false;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> grants;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> outs;
};

// A /proc/sys/dev/parport of our own.
class ProcDir {
public:
    ProcDir() {
        static int counter = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("zarvo-parport-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_);
    }
    ~ProcDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    void Port(int n, const std::string& record) const {
        const auto dir = root_ / ("parport" + std::to_string(n));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "base-addr") << record;
    }
    std::string path() const { return root_.string(); }

private:
    std::filesystem::path root_;
};

const std::vector<Call> kClaim{{"EXCL", 3}, {"CLAIM", 3}, {"DATADIR", 3, 0}};

TEST(PpdevPort, ClaimIsExclusiveRegistrationThenClaimThenOutputDirection) {
    FakeKernel kernel;
    kernel.devices = {"/dev/parport0"};
    ClaimResult result = ClaimResult::Refused;
    auto port = PpdevPort::Claim(kernel, "/dev/parport0", result);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(result, ClaimResult::Claimed);
    std::vector<Call> expected{{"open:/dev/parport0", 3}};
    expected.insert(expected.end(), kClaim.begin(), kClaim.end());
    EXPECT_EQ(kernel.calls, expected);
    kernel.calls.clear();
    port.reset();
    EXPECT_EQ(kernel.calls, (std::vector<Call>{{"RELEASE", 3}, {"close", 3}}));
    EXPECT_EQ(kernel.faults, 0);
}

TEST(PpdevPort, RegisterBytesPassUnchanged) {
    FakeKernel kernel;
    kernel.devices = {"/dev/parport0"};
    ClaimResult result;
    auto port = PpdevPort::Claim(kernel, "/dev/parport0", result);
    ASSERT_NE(port, nullptr);
    kernel.calls.clear();
    port->Write(0, 0xAA);
    port->Write(2, 0x0C);  // SELECT IN asserted: raw control bits, nothing inverted
    port->Write(2, 0x00);
    port->Write(1, 0x12);  // the status register takes no writes
    kernel.status = 0x87;
    EXPECT_EQ(port->Read(1), 0x87) << "status comes back as the register holds it";
    port->Read(0);
    port->Read(2);
    EXPECT_EQ(port->Read(3), 0xFF);
    EXPECT_EQ(kernel.calls, (std::vector<Call>{{"WDATA", 3, 0xAA},
                                               {"WCONTROL", 3, 0x0C},
                                               {"WCONTROL", 3, 0x00},
                                               {"RSTATUS", 3},
                                               {"RDATA", 3},
                                               {"RCONTROL", 3}}));
    kernel.failing = {PPRSTATUS};
    EXPECT_EQ(port->Read(1), 0xFF) << "a failed read looks like an empty bus";
    EXPECT_EQ(kernel.faults, 0);
}

struct RefusalCase {
    const char* name;
    bool deviceExists;
    unsigned long failing;
    ClaimResult result;
    std::vector<std::string> calls;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class PpdevRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PpdevRefusal, FailedStepsLeaveNothingOpenOrClaimed) {
    const RefusalCase& c = GetParam();
    FakeKernel kernel;
    if (c.deviceExists) kernel.devices = {"/dev/parport1"};
    kernel.failing = {c.failing};
    ClaimResult result = ClaimResult::Claimed;
    EXPECT_EQ(PpdevPort::Claim(kernel, "/dev/parport1", result), nullptr);
    EXPECT_EQ(result, c.result);
    std::vector<std::string> calls;
    for (const Call& call : kernel.calls) calls.push_back(call.what);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(kernel.OpenFiles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PpdevRefusal,
    ::testing::Values(
        RefusalCase{"NoDevice", false, 0, ClaimResult::CannotOpen, {"open:/dev/parport1"}},
        RefusalCase{"ExclusiveRefused",
                    true,
                    PPEXCL,
                    ClaimResult::Refused,
                    {"open:/dev/parport1", "EXCL", "close"}},
        RefusalCase{"ClaimRefused",
                    true,
                    PPCLAIM,
                    ClaimResult::Refused,
                    {"open:/dev/parport1", "EXCL", "CLAIM", "close"}},
        RefusalCase{"DirectionRefused",
                    true,
                    PPDATADIR,
                    ClaimResult::Refused,
                    {"open:/dev/parport1", "EXCL", "CLAIM", "DATADIR", "RELEASE", "close"}}),
    [](const auto& info) { return std::string(info.param.name); });

class LinuxPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        proc.Port(0, "888\t1912\n");
        proc.Port(1, "632\t0\n");
        kernel.devices = {prefix + "0", prefix + "1"};
    }
    std::unique_ptr<LinuxPlatform> Make() {
        LinuxHostSeams seams;
        seams.procRoot = proc.path();
        seams.devicePrefix = prefix;
        seams.ppdev = &kernel;
        seams.direct = &direct;
        seams.messages = &messages;
        return std::make_unique<LinuxPlatform>(seams);
    }

    const std::string prefix = "/fake/parport";
    ProcDir proc;
    FakeKernel kernel;
    FakeDirect direct;
    std::ostringstream messages;
};

TEST_F(LinuxPlatformTest, ClaimedPortRegistersGoThroughItsDevice) {
    auto platform = Make();
    const DeviceHandle lpt1 = platform->OpenDevice("LPT1");
    ASSERT_NE(lpt1, 0);
    EXPECT_TRUE(kernel.Claimed(prefix + "0"));
    PortBackend& port = platform->Port();
    kernel.calls.clear();
    port.Out(0x378, 0x55);
    port.Out(0x37A, 0x06);
    EXPECT_EQ(port.In(0x379), 0x87);
    port.Out(0x278, 0x01);  // LPT2 is not claimed: nothing reaches it
    EXPECT_EQ(port.In(0x278), 0xFF);
    EXPECT_EQ(kernel.RegisterCalls(),
              (std::vector<Call>{{"WDATA", 3, 0x55}, {"WCONTROL", 3, 0x06}, {"RSTATUS", 3}}));

    EXPECT_EQ(platform->OpenDevice("LPT1"), 0) << "held: a second claim is refused";
    platform->CloseDevice(lpt1);
    EXPECT_FALSE(kernel.Claimed(prefix + "0"));
    kernel.calls.clear();
    port.Out(0x378, 0x55);
    EXPECT_TRUE(kernel.calls.empty()) << "a released port is no longer driven";
    const DeviceHandle again = platform->OpenDevice("LPT1");
    EXPECT_NE(again, 0);
    platform.reset();
    EXPECT_EQ(kernel.OpenFiles(), 0u) << "the platform gives every claim back";
    EXPECT_EQ(kernel.faults, 0);
}

TEST_F(LinuxPlatformTest, NamesWithoutADeviceOrNotPortsAreRefused) {
    auto platform = Make();
    EXPECT_EQ(platform->OpenDevice("LPT3"), 0);
    EXPECT_EQ(platform->OpenDevice("COM1"), 0);
    EXPECT_EQ(platform->OpenDevice("LPT0"), 0);
    EXPECT_EQ(kernel.OpenFiles(), 0u);
}

TEST_F(LinuxPlatformTest, GrantedRangeIsDrivenByPortInstructions) {
    direct.allow = true;
    kernel.devices.clear();  // no parport device at all
    auto platform = Make();
    EXPECT_TRUE(platform->PortDriverAvailable());
    const DeviceHandle lpt1 = platform->OpenDevice("LPT1");
    EXPECT_NE(lpt1, 0) << "a port the kernel knows is usable by its registers";
    EXPECT_EQ(platform->OpenDevice("LPT1"), 0) << "but held only once";
    EXPECT_EQ(platform->OpenDevice("LPT3"), 0) << "a port the kernel does not know is not";
    platform->Port().Out(0x37A, 0x04);
    EXPECT_EQ(platform->Port().In(0x379), 0x42);
    EXPECT_EQ(direct.outs, (std::vector<std::pair<std::uint16_t, std::uint8_t>>{{0x37A, 0x04}}));
    platform->CloseDevice(lpt1);
    EXPECT_NE(platform->OpenDevice("LPT1"), 0);
}

TEST_F(LinuxPlatformTest, PortAccessNeedsOneOfTheTwoWays) {
    kernel.devices.clear();
    EXPECT_FALSE(Make()->PortDriverAvailable());
    EXPECT_FALSE(direct.grants.empty()) << "the port range was asked for";
    kernel.devices = {prefix + "1"};
    EXPECT_TRUE(Make()->PortDriverAvailable());
    EXPECT_EQ(kernel.OpenFiles(), 0u) << "the check claims nothing";
}

TEST_F(LinuxPlatformTest, MissingAccessIsReportedOnceInLinuxTerms) {
    // No parport device at all, then one this user may not open.
    const std::pair<std::set<std::string>, std::vector<std::string>> cases[] = {
        {{}, {"No parallel-port device (" + prefix + "0 ...)", "parport_pc and ppdev"}},
        {{prefix + "1"},
         {"may not open the parallel-port device " + prefix + "1", "group lp", "packaging/udev/"}}};
    for (const auto& [locked, expected] : cases) {
        kernel.devices.clear();
        kernel.locked = locked;
        messages.str("");
        auto platform = Make();
        TZarvo z(*platform);
        EXPECT_FALSE(z.FPortAccess);
        const std::string text = messages.str();
        for (const std::string& part : expected)
            EXPECT_NE(text.find(part), std::string::npos) << text;
        EXPECT_NE(text.find("docs/linux-device-access.md"), std::string::npos) << text;
        EXPECT_EQ(text.find("Windows"), std::string::npos) << text;
        EXPECT_EQ(text.find("NT-driver"), std::string::npos) << text;
        EXPECT_NE(text.find("Hardware will not be available\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("Hardware"), text.rfind("Hardware")) << "reported once: " << text;
    }
}

TEST_F(LinuxPlatformTest, WholeStartUpRunsThroughTheParportDevice) {
    EepromPort instrument{0x378};
    WriteIdentity(instrument.memory, 3, 4711);
    kernel.hardware[prefix + "0"] = {&instrument, 0x378};
    auto platform = Make();
    {
        TZarvo z(*platform);
        ASSERT_TRUE(z.FPortAccess);
        ASSERT_TRUE(z.StartInstrument());
        EXPECT_EQ(z.FPortName, "LPT1");
        EXPECT_EQ(z.FSerialNumber, 4711);
        EXPECT_TRUE(kernel.Claimed(prefix + "0")) << "held while the instrument is in use";
        ClaimResult result;
        EXPECT_EQ(PpdevPort::Claim(kernel, prefix + "0", result), nullptr);
        EXPECT_EQ(result, ClaimResult::Refused);
        z.StopInstrument();
        EXPECT_FALSE(kernel.Claimed(prefix + "0"));
    }
    EXPECT_EQ(kernel.faults, 0) << "no request outside a claim, none malformed";
    EXPECT_EQ(kernel.OpenFiles(), 0u);
}

}  // namespace
