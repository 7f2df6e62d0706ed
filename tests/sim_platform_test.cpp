// SPDX-License-Identifier: MIT
// The simulated machine around the instrument: port claims, the trace file, messages,
// configuration errors and what is borrowed from the host platform.
#include "sim/sim_platform.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/bus_master.h"
#include "sim/claim.h"
#include "sim/sim.h"
#include "support/fake_platform.h"

namespace zarvo::sim {
namespace {

// A fresh directory per test, so claims of tests running side by side never meet.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/zarvo-sim-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "/tmp";
    }
    ~TempDir() {
        const std::string command = "rm -rf '" + path_ + "'";
        if (path_ != "/tmp") std::system(command.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::unique_ptr<SimPlatform> Make(const std::string& config, const TempDir& dir,
                                  std::unique_ptr<Platform> host = nullptr) {
    auto p = CreateSimPlatform(
        config, std::move(host), [] { return std::int64_t{0}; }, dir.Path());
    return std::unique_ptr<SimPlatform>(static_cast<SimPlatform*>(p.release()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SimPlatformClaims, SecondClaimantIsRefusedUntilRelease) {
    TempDir dir;
    auto p = Make("1", dir);
    const DeviceHandle first = p->OpenDevice("LPT1");
    ASSERT_NE(first, 0);
    EXPECT_EQ(p->OpenDevice("LPT1"), 0);
    const DeviceHandle other = p->OpenDevice("LPT2");  // another port is free
    EXPECT_NE(other, 0);
    p->CloseDevice(first);
    const DeviceHandle again = p->OpenDevice("LPT1");
    EXPECT_NE(again, 0);
    p->CloseDevice(again);
    p->CloseDevice(other);
    p->CloseDevice(12345);  // unknown handles are ignored
}

TEST(SimPlatformClaims, ClaimsAreSeenByASecondPlatformInTheSameProcess) {
    TempDir dir;
    auto a = Make("1", dir);
    auto b = Make("1", dir);
    const DeviceHandle h = a->OpenDevice("LPT3");
    ASSERT_NE(h, 0);
    EXPECT_EQ(b->OpenDevice("LPT3"), 0);
    a.reset();  // a platform that goes away gives its claims up
    const DeviceHandle hb = b->OpenDevice("LPT3");
    EXPECT_NE(hb, 0);
}

// Runs a claim attempt in a child process; true when the child got the port.
bool ClaimInChild(const std::string& dir, const std::string& name) {
    const pid_t pid = fork();
    if (pid == 0) {
        DeviceClaims claims(dir);
        _exit(claims.Claim(name) != 0 ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SimPlatformClaims, ClaimsAreSeenByOtherProcesses) {
    TempDir dir;
    DeviceClaims claims(dir.Path());
    const DeviceHandle h = claims.Claim("LPT1");
    ASSERT_NE(h, 0);
    EXPECT_FALSE(ClaimInChild(dir.Path(), "LPT1"));
    EXPECT_TRUE(ClaimInChild(dir.Path(), "LPT2"));
    claims.Release(h);
    EXPECT_TRUE(ClaimInChild(dir.Path(), "LPT1"));
}

TEST(SimPlatformClaims, OnlyTheThreeParallelPortsExist) {
    TempDir dir;
    auto p = Make("1", dir);
    for (const char* name : {"LPT0", "LPT4", "LPT10", "lpt1", "COM1", "\\\\.\\giveio", ""}) {
        EXPECT_EQ(p->OpenDevice(name), 0) << name;
    }
    EXPECT_EQ(p->FindPortAddress("LPT1"), 0x378u);
    EXPECT_EQ(p->FindPortAddress("LPT2"), 0x278u);
    EXPECT_EQ(p->FindPortAddress("LPT3"), 0x3BCu);
    EXPECT_EQ(p->FindPortAddress("LPT4"), 0u);
}

TEST(SimPlatformTrace, EveryPortOperationIsOneLineFlushedAtTheEndOfACall) {
    TempDir dir;
    const std::string file = dir.Path() + "/trace.txt";
    auto p = Make("trace=" + file, dir);
    PortBackend& port = p->Port();
    port.Out(0x37A, 0x04);
    port.Out(0x378, 0xAB);
    const std::uint8_t status = port.In(0x379);
    port.In(0xEC00);
    port.Out(0x3BC, 0x0F);
    EXPECT_EQ(ReadFile(file), "");  // still buffered
    p->EndCall();
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "W 037A 04\nW 0378 AB\nR 0379 %02X\nR EC00 FF\nW 03BC 0F\n", status);
    EXPECT_EQ(ReadFile(file), expected);
    // Appends, and a later call adds its lines.
    port.In(0x378);
    p->EndCall();
    EXPECT_EQ(ReadFile(file), std::string(expected) + "R 0378 AB\n");
}

TEST(SimPlatformTrace, LineFormat) {
    EXPECT_EQ(TracingPort::Line(true, 0x037A, 0x0E), "W 037A 0E\n");
    EXPECT_EQ(TracingPort::Line(false, 0xFFFF, 0xff), "R FFFF FF\n");
    EXPECT_EQ(TracingPort::Line(false, 0x0001, 0x00), "R 0001 00\n");
}

TEST(SimPlatformTrace, LongTracesAreNotCut) {
    TempDir dir;
    const std::string file = dir.Path() + "/long.txt";
    {
        auto p = Make("trace=" + file, dir);
        for (int i = 0; i < 10000; ++i) p->Port().Out(0x378, static_cast<std::uint8_t>(i));
    }  // the platform's end flushes the rest
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.size(), 10000u * 10);
    EXPECT_EQ(text.substr(text.size() - 10), "W 0378 0F\n");  // 9999 & 0xFF = 0x0F
}

TEST(SimPlatformTrace, AnUnwritableTraceIsReportedAndTheInstrumentStillWorks) {
    TempDir dir;
    ::testing::internal::CaptureStderr();
    auto p = Make("trace=" + dir.Path() + "/no/such/dir/t.txt", dir);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("trace"), std::string::npos) << err;
    BusMaster bus(p->Port(), 0x378);
    EXPECT_EQ(bus.EepromRead(1), 0xAA);
}

TEST(SimPlatformConfig, MalformedConfigurationIsReportedAndNoInstrumentAnswers) {
    for (const char* text : {"lpt=9", "colour=red", "ch1=sine"}) {
        TempDir dir;
        ::testing::internal::CaptureStderr();
        auto p = Make(text, dir);
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string key = std::string(text).substr(0, std::string(text).find('='));
        EXPECT_NE(err.find("'" + key + "'"), std::string::npos) << err;
        EXPECT_EQ(p->Instrument().Base(), 0) << text;
        for (const std::uint16_t base : {0x378, 0x278, 0x3BC}) {
            // The ports themselves are there (the probe finds them) but carry no instrument.
            p->Port().Out(base, 0xAA);
            EXPECT_EQ(p->Port().In(base), 0xAA);
            BusMaster bus(p->Port(), base);
            EXPECT_NE(bus.EepromRead(1), 0xAA) << text << " " << base;
        }
    }
}

TEST(SimPlatformConfig, DriverKeyAndFamily) {
    TempDir dir;
    EXPECT_TRUE(Make("1", dir)->PortDriverAvailable());
    EXPECT_FALSE(Make("driver=0", dir)->PortDriverAvailable());
    EXPECT_EQ(Make("1", dir)->Family(), PlatformFamily::NT);
    EXPECT_EQ(Make("lpt=3", dir)->Instrument().Base(), 0x3BC);
}

TEST(SimPlatformMessages, ShowMessageWritesToStandardError) {
    TempDir dir;
    auto p = Make("1", dir);
    ::testing::internal::CaptureStderr();
    p->ShowMessage("line one\nline two");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "line one\nline two\n");
}

TEST(SimPlatformHost, TicksTimerMessagesAndCallsComeFromTheHost) {
    TempDir dir;
    auto host = std::make_unique<testing::FakePlatform>();
    testing::FakePlatform* fake = host.get();
    fake->clock = 5000;
    fake->tickStep = 0;
    auto p = Make("1", dir, std::move(host));
    EXPECT_EQ(p->TickMs(), 5000u);
    p->SleepMs(20);
    EXPECT_EQ(fake->clock, 5020u);
    EXPECT_EQ(p->RegisterMessage("Quelda: TransReady"),
              fake->RegisterMessage("Quelda: TransReady"));
    int ticks = 0;
    auto timer = p->CreateTimer([&ticks] { ++ticks; });
    EXPECT_NE(fake->timer, nullptr);
    timer->SetInterval(6);
    timer->SetEnabled(true);
    fake->clock += 10;
    p->BeginCall();  // the host polls its timer
    EXPECT_EQ(ticks, 1);
    // The host's own port is not used: the simulated ports answer.
    EXPECT_NE(&p->Port(), &fake->Port());
}

TEST(SimPlatformHost, WithoutAHostItStandsIn) {
    TempDir dir;
    auto p = Make("1", dir);
    const std::uint32_t a = p->RegisterMessage("Quelda: MeasurementReady");
    const std::uint32_t b = p->RegisterMessage("Quelda: SettingChanged");
    EXPECT_NE(a, b);
    EXPECT_EQ(p->RegisterMessage("Quelda: MeasurementReady"), a);
    EXPECT_GE(a, 0xC000u);
    int ticks = 0;
    {
        auto timer = p->CreateTimer([&ticks] { ++ticks; });
        timer->SetInterval(1);
        timer->SetEnabled(true);
        p->SleepMs(5);
        p->BeginCall();
        EXPECT_EQ(ticks, 1);
    }
    p->SleepMs(5);
    p->BeginCall();  // the timer is gone: nothing to poll, nothing dangling
    EXPECT_EQ(ticks, 1);
    const std::uint32_t t0 = p->TickMs();
    p->SleepMs(3);
    EXPECT_GE(p->TickMs() - t0, 3u);
}

TEST(SimPlatformSelection, ZarvoSimSelectsTheSimulatedMachine) {
    TempDir dir;
    ASSERT_EQ(setenv("TMPDIR", dir.Path().c_str(), 1), 0);
    ASSERT_EQ(setenv("ZARVO_SIM", "lpt=2,serial=4660", 1), 0);
    auto platform = CreatePlatform();
    ASSERT_NE(platform, nullptr);
    auto* sim = dynamic_cast<SimPlatform*>(platform.get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->Instrument().Base(), 0x278);
    BusMaster bus(platform->Port(), 0x278);
    EXPECT_EQ(bus.EepromRead(6), 0x34);
    EXPECT_EQ(bus.EepromRead(7), 0x12);
    unsetenv("ZARVO_SIM");
}

}  // namespace
}  // namespace zarvo::sim
