// SPDX-License-Identifier: MIT
// The Linux host's records of the parallel ports, registered messages, clock and timer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/host_linux.h"
#include "platform/message_registry.h"
#include "platform/parport_proc_linux.h"

using namespace zarvo;
using namespace zarvo::host;

namespace {

class ProcRecords : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() / ("zarvo-proc-" + std::to_string(getpid()));
        std::filesystem::create_directories(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    void Port(int n, const std::string& record) {
        const auto dir = root_ / ("parport" + std::to_string(n));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "base-addr") << record;
    }
    std::string root() const { return root_.string(); }

private:
    std::filesystem::path root_;
};

TEST_F(ProcRecords, BaseAddressIsTheFirstDecimalNumber) {
    Port(0, "888\t1912\n");
    Port(1, "632\t0\n");
    Port(2, "60416\t60420\n");
    Port(3, "956");
    EXPECT_EQ(ReadParportBase(root(), 0), 0x378u);
    EXPECT_EQ(ReadParportBase(root(), 1), 0x278u);
    EXPECT_EQ(ReadParportBase(root(), 2), 0xEC00u);
    EXPECT_EQ(ReadParportBase(root(), 3), 0x3BCu) << "no line end needed";
    EXPECT_EQ(ReadParportBase(root(), 4), 0u) << "no such port";
    EXPECT_EQ(ReadParportBase(root(), -1), 0u);
    EXPECT_EQ(ReadParportBase(root(), 1000), 0u);
}

TEST_F(ProcRecords, MalformedRecordsGiveNoAddress) {
    Port(0, "");
    Port(1, "0x378\t0\n");
    Port(2, "abc\n");
    Port(3, "-888\t0\n");
    Port(4, "99999999999999999999999\t0\n");
    for (int n = 0; n <= 4; ++n) EXPECT_EQ(ReadParportBase(root(), n), 0u) << "parport" << n;
}

TEST_F(ProcRecords, PlatformAnswersForLptNamesFromTheRecords) {
    Port(0, "888\t1912\n");
    Port(2, "956\t0\n");
    LinuxHostSeams seams;
    seams.procRoot = root();
    LinuxPlatform platform(seams);
    EXPECT_EQ(platform.FindPortAddress("LPT1"), 0x378u);
    EXPECT_EQ(platform.FindPortAddress("LPT2"), 0u);
    EXPECT_EQ(platform.FindPortAddress("LPT3"), 0x3BCu);
    EXPECT_EQ(platform.FindPortAddress("COM1"), 0u);
    EXPECT_EQ(platform.Family(), PlatformFamily::Other);
}

TEST(ParportNames, LptNumbersMapToParportNumbers) {
    EXPECT_EQ(ParportNumberOfName("LPT1"), 0);
    EXPECT_EQ(ParportNumberOfName("LPT3"), 2);
    EXPECT_EQ(ParportNumberOfName("LPT16"), 15);
    for (const char* bad : {"LPT0", "LPT01", "LPT17", "LPT", "lpt1", "LPT1 ", "COM1", "", "LPT-1",
                            "LPT99999999999999999999"}) {
        EXPECT_EQ(ParportNumberOfName(bad), -1) << '"' << bad << '"';
    }
}

TEST(MessageRegistry, EachNameKeepsItsOwnIdFromC000) {
    const std::uint32_t ready = RegisterMessageName("Quelda: MeasurementReady");
    const std::uint32_t update = RegisterMessageName("Quelda: TransUpdate");
    EXPECT_GE(ready, kFirstRegisteredMessage);
    EXPECT_LE(ready, kLastRegisteredMessage);
    EXPECT_GE(update, kFirstRegisteredMessage);
    EXPECT_NE(ready, update);
    EXPECT_EQ(RegisterMessageName("Quelda: MeasurementReady"), ready);
    EXPECT_EQ(RegisterMessageName("QUELDA: measurementready"), ready) << "case does not count";
    EXPECT_EQ(RegisterMessageName(""), 0u);
    LinuxPlatform platform;
    EXPECT_EQ(platform.RegisterMessage("Quelda: TransUpdate"), update) << "process-wide";
}

TEST(MessageRegistry, IdsRunOutAtTheEndOfTheRange) {
    const std::uint32_t first = RegisterMessageName("message 0");
    std::uint32_t last = first;
    std::uint32_t registered = 1;
    for (int i = 1; i < 0x5000; ++i) {
        const std::uint32_t id = RegisterMessageName("message " + std::to_string(i));
        if (id == 0) break;
        EXPECT_EQ(id, last + 1) << "ids are handed out in turn";
        last = id;
        ++registered;
    }
    EXPECT_EQ(last, kLastRegisteredMessage);
    EXPECT_EQ(registered, kLastRegisteredMessage - first + 1);
    EXPECT_EQ(RegisterMessageName("one too many"), 0u);
    EXPECT_EQ(RegisterMessageName("message 0"), first) << "old names keep theirs";
}

TEST(HostClock, TickIsMonotonicAndSleepWaits) {
    LinuxPlatform platform;
    const std::uint32_t before = platform.TickMs();
    platform.SleepMs(30);
    const std::uint32_t after = platform.TickMs();
    // Both readings are truncated to whole milliseconds.
    EXPECT_GE(static_cast<std::uint32_t>(after - before), 29u);
    EXPECT_LT(static_cast<std::uint32_t>(after - before), 5000u);
}

TEST(HostTimer, TicksArriveOnlyThroughBeginCallWhileEnabled) {
    LinuxPlatform platform;
    int ticks = 0;
    auto timer = platform.CreateTimer([&] { ++ticks; });
    timer->SetInterval(0);
    platform.BeginCall();
    EXPECT_EQ(ticks, 0) << "created disabled";
    timer->SetEnabled(true);
    EXPECT_TRUE(timer->Enabled());
    platform.BeginCall();
    platform.BeginCall();
    EXPECT_EQ(ticks, 2);
    timer->SetInterval(60000);
    platform.BeginCall();
    EXPECT_EQ(ticks, 2) << "not due yet";
    timer.reset();
    platform.BeginCall();  // a destroyed timer is no longer polled
    EXPECT_EQ(ticks, 2);
}

TEST(HostTimer, TimerMayOutliveItsPlatform) {
    auto platform = std::make_unique<LinuxPlatform>();
    auto timer = platform->CreateTimer([] {});
    timer->SetEnabled(true);
    platform.reset();
    // Neither the timer's use nor its destruction may touch the freed platform (the
    // sanitizer build checks that).
    timer->SetEnabled(false);
    EXPECT_FALSE(timer->Enabled());
    timer.reset();
}

TEST(HostPlatform, HostIsTheLinuxPlatform) {
    auto platform = CreateHostPlatform();
    ASSERT_NE(platform, nullptr);
    EXPECT_EQ(platform->Family(), PlatformFamily::Other);
    EXPECT_NE(dynamic_cast<LinuxPlatform*>(platform.get()), nullptr);
}

}  // namespace
