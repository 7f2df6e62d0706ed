// SPDX-License-Identifier: MIT
// Detection, start-up and shutdown against ports that carry an instrument's EEPROM, plain
// ports and absent ones.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>

#include "hardware/port_discovery.h"
#include "instrument/zarvo.h"
#include "support/eeprom_bus_device.h"
#include "support/fake_platform.h"

using namespace zarvo;
using namespace zarvo::testing;

namespace {

// A platform whose device opens can be refused by attempt number, and whose port lookup or
// port reads can fail with an exception.
class ScriptedPlatform : public FakePlatform {
public:
    DeviceHandle OpenDevice(const std::string& name) override {
        const int attempt = ++attempts[name];
        if (refuse.count({name, attempt}) != 0) return 0;
        return FakePlatform::OpenDevice(name);
    }
    std::uint64_t FindPortAddress(const std::string& name) override {
        if (throwOnLookup) throw std::runtime_error("configuration manager failed");
        return FakePlatform::FindPortAddress(name);
    }
    int Claims() const {
        int n = 0;
        for (const char* name : {"LPT1", "LPT2", "LPT3"}) n += IsClaimed(name) ? 1 : 0;
        return n;
    }

    std::set<std::pair<std::string, int>> refuse;
    std::map<std::string, int> attempts;
    bool throwOnLookup = false;
};

class ThrowingPort final : public PortBackend {
public:
    void Out(std::uint16_t, std::uint8_t) override {}
    std::uint8_t In(std::uint16_t) override { throw std::runtime_error("bus fault"); }
};

class DetectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLptAddressTable();
        platform.family = PlatformFamily::Other;
        platform.portAddresses = {{"LPT1", 0x378}, {"LPT2", 0x278}, {"LPT3", 0x3BC}};
        platform.port.SetInner(&bus);
    }

    std::unique_ptr<TZarvo> Make() {
        auto z = std::make_unique<TZarvo>(platform);
        platform.port.Clear();
        return z;
    }

    ScriptedPlatform platform;
    PortBus bus;
    EepromPort lpt1{0x378};
    EepromPort lpt2{0x278};
    EepromPort lpt3{0x3BC};
};

struct ModelCase {
    std::uint8_t model;
    std::uint16_t serial;
    const char* name;
    std::uint8_t type;
    std::int32_t maxRecordLength;
    bool trigMode4;
};

void PrintTo(const ModelCase& c, std::ostream* os) {
    *os << "model " << int{c.model} << " serial " << c.serial;
}

class ModelCodeTest : public DetectionTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ModelCodeTest, ModelCodeSetsIdentityAndLimits) {
    const ModelCase& c = GetParam();
    WriteIdentity(lpt1.memory, c.model, c.serial);
    bus.Add(&lpt1);
    auto z = Make();
    z->FTrigMode4Avail = !c.trigMode4;  // the model decides, whatever was there before
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_TRUE(z->FInstrumentFound);
    EXPECT_EQ(z->FInstrumentName, c.name);
    EXPECT_EQ(z->FInstrumentType, c.type);
    EXPECT_EQ(z->FMaxRecordLength, c.maxRecordLength);
    EXPECT_EQ(z->FTrigMode4Avail, c.trigMode4);
    EXPECT_EQ(z->FSerialNumber, c.serial);
    EXPECT_EQ(z->FPortName, "LPT1");
    EXPECT_EQ(z->nHardwareAddress, 0x378);
}

INSTANTIATE_TEST_SUITE_P(Models, ModelCodeTest,
                         ::testing::Values(ModelCase{1, 6426, "Pellix", 6, 16384, false},
                                           ModelCase{1, 6427, "Pellix", 6, 32760, false},
                                           ModelCase{0, 100, "Zarvo", 1, 32760, false},
                                           ModelCase{2, 200, "Zarvo", 1, 16384, false},
                                           ModelCase{3, 300, "Zarvo", 1, 32760, false},
                                           ModelCase{4, 400, "Zarvo", 1, 32760, true},
                                           ModelCase{9, 900, "Zarvo", 1, 32760, false}));

TEST_F(DetectionTest, WithoutPresetTheFirstPortWithTheMarkerWins) {
    WriteIdentity(lpt1.memory, 3, 11);
    WriteIdentity(lpt2.memory, 3, 22);
    bus.Add(&lpt1);
    bus.Add(&lpt2);
    auto z = Make();
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(z->FSerialNumber, 11);
    EXPECT_EQ(platform.opened, (std::vector<std::string>{"LPT1", "LPT1"}));
    EXPECT_TRUE(platform.IsClaimed("LPT1"));
}

TEST_F(DetectionTest, PresetAddressIsProbedFirstUnderItsTableName) {
    WriteIdentity(lpt1.memory, 3, 11);
    WriteIdentity(lpt2.memory, 3, 22);
    bus.Add(&lpt1);
    bus.Add(&lpt2);
    auto z = Make();
    z->nHardwareAddress = 0x278;
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(z->FSerialNumber, 22);
    EXPECT_EQ(z->FPortName, "LPT2");
    // One probe, then the claim kept for use: the search loop never ran.
    EXPECT_EQ(platform.opened, (std::vector<std::string>{"LPT2", "LPT2"}));
}

TEST_F(DetectionTest, PresetAddressInNoEntryIsIgnored) {
    WriteIdentity(lpt2.memory, 3, 22);
    bus.Add(&lpt1);
    bus.Add(&lpt2);
    auto z = Make();
    z->nHardwareAddress = 0x1234;
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(platform.opened, (std::vector<std::string>{"LPT1", "LPT2", "LPT2"}));
    EXPECT_EQ(z->nHardwareAddress, 0x278);
}

TEST_F(DetectionTest, FailedPreferredPortIsProbedAgainInItsTurn) {
    WriteIdentity(lpt3.memory, 3, 33);
    bus.Add(&lpt1);
    bus.Add(&lpt3);
    auto z = Make();
    z->nHardwareAddress = 0x378;
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(platform.opened, (std::vector<std::string>{"LPT1", "LPT1", "LPT2", "LPT3", "LPT3"}));
    EXPECT_EQ(z->FPortName, "LPT3");
}

TEST_F(DetectionTest, TwoEntriesHoldingTheAddressNameThePortAfterTheFirst) {
    platform.portAddresses = {{"LPT1", 0x378}, {"LPT3", 0x378}};
    platform.refuse = {{"LPT1", 1}};  // busy while it is probed, free afterwards
    WriteIdentity(lpt1.memory, 3, 11);
    bus.Add(&lpt1);
    auto z = Make();
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(z->FPortName, "LPT1");
    EXPECT_TRUE(platform.IsClaimed("LPT1"));
    EXPECT_FALSE(platform.IsClaimed("LPT3"));
}

TEST_F(DetectionTest, FinalClaimRefusedStillCountsAsFound) {
    platform.refuse = {{"LPT1", 2}};
    WriteIdentity(lpt1.memory, 3, 11);
    bus.Add(&lpt1);
    auto z = Make();
    EXPECT_TRUE(z->StartInstrument());
    EXPECT_TRUE(z->FInstrumentFound);
    EXPECT_EQ(z->FPortHandle, 0);
    EXPECT_EQ(platform.Claims(), 0);
}

TEST_F(DetectionTest, NoInstrumentLeavesNothingClaimedAndTheTimerOff) {
    bus.Add(&lpt1);
    bus.Add(&lpt2);
    bus.Add(&lpt3);
    auto z = Make();
    z->FPortName = "previous";
    z->FTimer->SetEnabled(true);
    EXPECT_FALSE(z->StartInstrument());
    EXPECT_FALSE(z->FInstrumentFound);
    EXPECT_EQ(z->FPortName, "previous");
    EXPECT_FALSE(z->FTimer->Enabled());
    EXPECT_EQ(platform.Claims(), 0);
    EXPECT_EQ(z->FPortHandle, 0);
    EXPECT_EQ(z->nHardwareAddress, 0x3BC) << "left at the last entry tried";
}

TEST_F(DetectionTest, WrongMarkerIsSkippedWithoutRetryOrModelRead) {
    WriteIdentity(lpt1.memory, 3, 11);
    lpt1.memory[1] = 0x55;
    bus.Add(&lpt1);
    auto z = Make();
    EXPECT_FALSE(z->StartInstrument());
    EXPECT_EQ(platform.opened, (std::vector<std::string>{"LPT1", "LPT2", "LPT3"}));
    // Only the marker was read from the port that answered.
    int transfers = 0;
    for (const EepromEvent& e : lpt1.events) {
        if (e == EepromEvent{EepromEvent::Kind::ByteIn, 0xA0}) ++transfers;
    }
    EXPECT_EQ(transfers, 1);
}

TEST_F(DetectionTest, PortWhoseNameIsUnknownIsNeverTouched) {
    platform.knownDevices = {"LPT2"};
    WriteIdentity(lpt1.memory, 3, 11);
    WriteIdentity(lpt2.memory, 3, 22);
    bus.Add(&lpt1);
    bus.Add(&lpt2);
    auto z = Make();
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(z->FPortName, "LPT2");
    for (const PortOp& op : platform.port.ops) {
        EXPECT_FALSE(op.port >= 0x378 && op.port <= 0x37A) << "LPT1 was driven";
    }
}

TEST_F(DetectionTest, MissingPortDriverFindsNothingAndSaysSoOnce) {
    platform.driverAvailable = false;
    WriteIdentity(lpt1.memory, 3, 11);
    bus.Add(&lpt1);
    auto z = Make();
    EXPECT_FALSE(z->FPortAccess);
    EXPECT_FALSE(z->StartInstrument());
    EXPECT_TRUE(platform.port.ops.empty()) << "every EEPROM byte reads 0 without any I/O";
    EXPECT_EQ(platform.messages, (std::vector<std::string>{kPortDriverMessage}));
}

TEST_F(DetectionTest, PortStaysClaimedUntilShutdown) {
    WriteIdentity(lpt1.memory, 3, 11);
    bus.Add(&lpt1);
    auto z = Make();
    ASSERT_TRUE(z->StartInstrument());
    EXPECT_EQ(platform.OpenDevice("LPT1"), 0) << "a second program must be refused";
    z->StopInstrument();
    EXPECT_EQ(z->FPortHandle, 0);
    const DeviceHandle other = platform.OpenDevice("LPT1");
    EXPECT_NE(other, 0) << "admitted after shutdown";
    platform.CloseDevice(other);
}

TEST_F(DetectionTest, StartupLoadsRangeTablesAndCalibration) {
    WriteIdentity(lpt1.memory, 3, 11);
    lpt1.memory[56] = 0x34;  // table A, channel 1, range 1
    lpt1.memory[57] = 0x02;
    lpt1.memory[172] = 0x01;  // table B, channel 2, range 9: 129 + 25 + 2 * 9
    lpt1.memory[173] = 0x02;
    bus.Add(&lpt1);
    auto z = Make();
    ASSERT_TRUE(z->StartInstrument());
    const std::array<std::uint8_t, 13> gain{0, 3, 3, 3, 2, 2, 2, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(z->FRangeGainCode, gain);
    EXPECT_EQ(z->FNrRanges, 9);
    EXPECT_EQ(z->FRangeTable[1], 0.2L);
    EXPECT_EQ(z->FRangeTable[9], 80.0L);
    EXPECT_EQ(z->FRangeSpanTable[9], 160.0L);
    EXPECT_EQ(z->FRangeTable[10], 0.0L);
    EXPECT_EQ(z->RelayCh1[4], 0x40);
    EXPECT_EQ(z->RelayCh2[7], 0x204);
    EXPECT_EQ(z->FCalDac1[1], 0x234);
    EXPECT_EQ(z->FCalOffset[2][9], 0x201);
    EXPECT_EQ(lpt1.storedBytes, 0);
}

TEST_F(DetectionTest, DiscoveryErrorStillRunsTheClosingSteps) {
    platform.throwOnLookup = true;
    auto z = Make();
    z->BankIndexReg = {9, 9, 9};
    z->FInstrumentFound = true;
    EXPECT_FALSE(z->StartInstrument());
    EXPECT_FALSE(z->FInstrumentFound);
    EXPECT_EQ(z->BankIndexReg, (std::array<std::uint8_t, 3>{0, 4, 6}));
    EXPECT_EQ(platform.Claims(), 0);
}

TEST_F(DetectionTest, ProbeErrorReleasesThePortBeingProbed) {
    ThrowingPort faulty;
    platform.port.SetInner(&faulty);
    auto z = Make();
    EXPECT_FALSE(z->StartInstrument());
    EXPECT_EQ(platform.opened, (std::vector<std::string>{"LPT1"}));
    EXPECT_EQ(platform.Claims(), 0);
    EXPECT_EQ(z->FPortHandle, 0);
}

TEST_F(DetectionTest, OpeningAnotherDeviceGivesTheHeldOneBack) {
    auto z = Make();
    ASSERT_TRUE(z->OpenPortDevice("LPT1"));
    ASSERT_TRUE(z->OpenPortDevice("LPT2"));
    EXPECT_FALSE(platform.IsClaimed("LPT1"));
    EXPECT_TRUE(platform.IsClaimed("LPT2"));
    EXPECT_FALSE(z->OpenPortDevice("LPT7"));
    EXPECT_EQ(platform.Claims(), 0);
}

}  // namespace
