// SPDX-License-Identifier: MIT
// Parallel-port discovery: probing on the NT family, the platform's records elsewhere, and the
// configuration-manager lookup against a scripted configuration manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

#include "hardware/config_manager.h"
#include "hardware/port_discovery.h"
#include "instrument/zarvo.h"
#include "support/eeprom_bus_device.h"
#include "support/fake_platform.h"

using namespace zarvo;
using namespace zarvo::testing;

namespace {

using Table = std::array<std::int32_t, 4>;

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLptAddressTable();
        platform.port.SetInner(&bus);
    }

    void Build(std::set<std::string> names) {
        platform.knownDevices = std::move(names);
        z = std::make_unique<TZarvo>(platform);
        platform.port.Clear();
        BuildPortTable(*z);
    }

    // The addresses the probes drove, in order (each probe starts with 0xAA on the data lines).
    std::vector<std::uint16_t> Probed() const {
        std::vector<std::uint16_t> addresses;
        for (const PortOp& op : platform.port.ops) {
            if (op.write && op.value == 0xAA) addresses.push_back(op.port);
        }
        return addresses;
    }

    FakePlatform platform;
    PortBus bus;
    std::unique_ptr<TZarvo> z;
};

TEST_F(DiscoveryTest, TableStartsWithTheUsualAddresses) {
    LptAddress = {0, 1, 2, 3};
    ResetLptAddressTable();
    EXPECT_EQ(LptAddress, (Table{0, 0x378, 0x278, 0x3BC}));
}

TEST_F(DiscoveryTest, NtSinglePortOnlyTheFirstProbeTouchesHardware) {
    PlainPort port{0x378};
    bus.Add(&port);
    const std::uint32_t before = platform.clock;
    Build({"LPT1"});
    EXPECT_EQ(LptAddress, (Table{0, 0x378, 0, 0}));
    const std::vector<PortOp> expected{
        {true, 0x378, 0xAA}, {true, 0x37A, 0x00}, {false, 0x378, 0xAA}};
    EXPECT_EQ(platform.port.ops, expected);
    EXPECT_GE(platform.clock - before, 100u) << "the lines settle 100 ms before the read-back";
    EXPECT_TRUE(platform.opened == std::vector<std::string>{"LPT1"});
}

TEST_F(DiscoveryTest, NtAddInCardFoundByTheLastLpt1FallBack) {
    PlainPort card{0xEC00};
    bus.Add(&card);
    Build({"LPT1"});
    EXPECT_EQ(LptAddress, (Table{0, 0xEC00, 0, 0}));
    EXPECT_EQ(Probed(), (std::vector<std::uint16_t>{0x378, 0x278, 0x3BC, 0xEC00}));
}

TEST_F(DiscoveryTest, NtTwoPortsKnownAsLpt1AndLpt3) {
    PlainPort a{0x378};
    PlainPort b{0x278};
    bus.Add(&a);
    bus.Add(&b);
    Build({"LPT1", "LPT3"});
    EXPECT_EQ(LptAddress, (Table{0, 0x378, 0, 0x278}));
    // Step 3 fails at 0x3BC, step 9 is skipped (LPT1 holds 0x378), step 10 finds 0x278.
    EXPECT_EQ(Probed(), (std::vector<std::uint16_t>{0x378, 0x3BC, 0x278}));
}

TEST_F(DiscoveryTest, NtStepTenLooksAtLpt1SoOneAddressFillsTwoEntries) {
    PlainPort port{0x278};
    bus.Add(&port);
    Build({"LPT2", "LPT3"});
    EXPECT_EQ(LptAddress, (Table{0, 0, 0x278, 0x278}));
}

TEST_F(DiscoveryTest, NtNameWithoutHardwareStaysEmpty) {
    Build({"LPT1", "LPT2", "LPT3"});
    EXPECT_EQ(LptAddress, (Table{0, 0, 0, 0}));
    // Ten probes, each with its 100 ms settling time.
    EXPECT_EQ(Probed().size(), 10u);
}

TEST_F(DiscoveryTest, ProbeOfAnUnknownOrHeldNameTouchesNothing) {
    PlainPort port{0x378};
    bus.Add(&port);
    platform.knownDevices = {"LPT1"};
    z = std::make_unique<TZarvo>(platform);
    platform.port.Clear();
    EXPECT_FALSE(ProbePort(*z, 0x378, "LPT2"));
    const DeviceHandle held = platform.OpenDevice("LPT1");
    EXPECT_FALSE(ProbePort(*z, 0x378, "LPT1"));
    EXPECT_TRUE(platform.port.ops.empty());
    platform.CloseDevice(held);
    EXPECT_TRUE(ProbePort(*z, 0x378, "LPT1"));
    EXPECT_FALSE(platform.IsClaimed("LPT1")) << "the probe gives the device back";
}

TEST_F(DiscoveryTest, RecordedAddressesAreUsedOutsideTheNtFamily) {
    for (PlatformFamily family : {PlatformFamily::Consumer, PlatformFamily::Other}) {
        ResetLptAddressTable();
        platform.family = family;
        platform.portAddresses = {{"LPT1", 0x3BC}, {"LPT3", 0x1'0000'BC00ull}};
        Build({});
        // LPT2 is unknown; the table keeps the low 32 bits of a wider address.
        EXPECT_EQ(LptAddress, (Table{0, 0x3BC, 0, 0xBC00}));
        EXPECT_TRUE(platform.port.ops.empty());
    }
}

// ---- Configuration-manager lookup

struct FakeResDes {
    std::uint64_t base = 0;
    std::uint32_t type = kResTypeIo;
    std::uint32_t size = 32;
    bool sizeFails = false;
};

struct FakeDevice {
    std::string id;
    std::string className = "Ports";
    std::optional<std::string> portName;  // nullopt: the key cannot be opened
    std::vector<std::vector<FakeResDes>> confs;
    bool locates = true;
};

// Handles encode what they refer to; every handle given out must be given back once.
class FakeConfigManager final : public ConfigManager {
public:
    explicit FakeConfigManager(std::vector<FakeDevice> devices) : devices_(std::move(devices)) {
        for (const FakeDevice& d : devices_) list_ += d.id + '\0';
        list_ += '\0';
    }

    bool DeviceIdListSize(std::uint32_t& size) override {
        size = static_cast<std::uint32_t>(list_.size());
        return true;
    }
    bool DeviceIdList(char* buffer, std::uint32_t size) override {
        if (size < list_.size()) return false;
        std::memcpy(buffer, list_.data(), list_.size());
        return true;
    }
    bool LocateDevNode(const std::string& id, CmHandle& node) override {
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i].id == id && devices_[i].locates) {
                node = i + 1;
                return true;
            }
        }
        return false;
    }
    bool ClassName(CmHandle node, std::string& name) override {
        name = devices_.at(node - 1).className;
        return true;
    }
    bool FirstAllocLogConf(CmHandle node, CmHandle& conf) override {
        if (devices_.at(node - 1).confs.empty()) return false;
        conf = Give(Conf(node - 1, 0));
        return true;
    }
    bool NextAllocLogConf(CmHandle conf, CmHandle& next) override {
        const auto [device, index] = DecodeConf(conf);
        if (index + 1 >= devices_.at(device).confs.size()) return false;
        next = Give(Conf(device, index + 1));
        return true;
    }
    void FreeLogConf(CmHandle conf) override { Take(conf); }
    bool NextIoResDes(CmHandle current, CmHandle& next, std::uint32_t& type) override {
        std::size_t device = 0, conf = 0, res = 0;
        if (current & kResFlag) {
            device = (current >> 16) & 0xFF;
            conf = (current >> 8) & 0xFF;
            res = (current & 0xFF) + 1;
        } else {
            std::tie(device, conf) = DecodeConf(current);
        }
        const auto& list = devices_.at(device).confs.at(conf);
        if (res >= list.size()) return false;
        type = list[res].type;
        next = Give(kResFlag | device << 16 | conf << 8 | res);
        return true;
    }
    bool ResDesDataSize(CmHandle rd, std::uint32_t& size) override {
        const FakeResDes& r = Res(rd);
        size = r.size;
        return !r.sizeFails;
    }
    bool ResDesData(CmHandle rd, void* buffer, std::uint32_t size) override {
        const FakeResDes& r = Res(rd);
        std::vector<unsigned char> data(r.size, 0xEE);
        const std::uint32_t count = 1;
        if (data.size() >= 16) {
            std::memcpy(data.data(), &count, 4);
            std::memcpy(data.data() + 4, &r.type, 4);
            std::memcpy(data.data() + 8, &r.base, 8);
        }
        std::memcpy(buffer, data.data(), std::min<std::size_t>(size, data.size()));
        return true;
    }
    void FreeResDes(CmHandle rd) override { Take(rd); }
    bool OpenEnumKey(const std::string& id, CmHandle& key) override {
        keysOpened.push_back(id);
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i].id == id && devices_[i].portName) {
                key = Give(kKeyFlag | i);
                return true;
            }
        }
        return false;
    }
    std::string ReadPortName(CmHandle key) override { return *devices_.at(key & 0xFF).portName; }
    void CloseKey(CmHandle key) override { Take(key); }

    std::multiset<CmHandle> outstanding;
    std::vector<std::string> keysOpened;
    int doubleFrees = 0;

private:
    static constexpr CmHandle kResFlag = 1u << 28;
    static constexpr CmHandle kKeyFlag = 1u << 29;
    static CmHandle Conf(std::size_t device, std::size_t index) {
        return device << 16 | index << 8 | 0x80;
    }
    static std::pair<std::size_t, std::size_t> DecodeConf(CmHandle h) {
        return {(h >> 16) & 0xFF, (h >> 8) & 0xFF};
    }
    const FakeResDes& Res(CmHandle h) const {
        return devices_.at((h >> 16) & 0xFF).confs.at((h >> 8) & 0xFF).at(h & 0xFF);
    }
    CmHandle Give(CmHandle h) {
        outstanding.insert(h);
        return h;
    }
    void Take(CmHandle h) {
        const auto it = outstanding.find(h);
        if (it == outstanding.end()) {
            ++doubleFrees;
        } else {
            outstanding.erase(it);
        }
    }

    std::vector<FakeDevice> devices_;
    std::string list_;
};

FakeDevice Parallel(const std::string& id, const std::string& name, std::uint64_t base) {
    return {id, "Ports", name, {{FakeResDes{base}}}};
}

void ExpectBalanced(const FakeConfigManager& cm) {
    EXPECT_TRUE(cm.outstanding.empty()) << cm.outstanding.size() << " handles not given back";
    EXPECT_EQ(cm.doubleFrees, 0);
}

TEST(ConfigManagerLookup, MatchingDeviceGivesItsAllocatedBase) {
    FakeConfigManager cm({Parallel("ACPI\\PNP0400\\1", "LPT1", 0x378),
                          Parallel("PCI\\CARD\\2", "LPT3", 0x1'0000'D000ull)});
    EXPECT_EQ(FindPortAddress(cm, "LPT1"), 0x378u);
    EXPECT_EQ(FindPortAddress(cm, "LPT2"), 0u);
    EXPECT_EQ(FindPortAddress(cm, "LPT3"), 0x1'0000'D000ull) << "all 64 bits of the base";
    ExpectBalanced(cm);
}

TEST(ConfigManagerLookup, SerialPortOfTheSameClassIsExaminedButDoesNotMatch) {
    FakeConfigManager cm(
        {Parallel("ACPI\\PNP0501\\1", "COM1", 0x3F8), Parallel("ACPI\\PNP0400\\1", "LPT1", 0x378)});
    EXPECT_EQ(FindPortAddress(cm, "LPT1"), 0x378u);
    EXPECT_EQ(cm.keysOpened, (std::vector<std::string>{"ACPI\\PNP0501\\1", "ACPI\\PNP0400\\1"}));
    ExpectBalanced(cm);
}

TEST(ConfigManagerLookup, DeviceWhoseKeyCannotBeOpenedNeverMatches) {
    FakeDevice closed = Parallel("ROOT\\PORTS\\0000", "LPT1", 0x278);
    closed.portName.reset();
    FakeConfigManager cm({closed});
    EXPECT_EQ(FindPortAddress(cm, "LPT1"), 0u);
    ExpectBalanced(cm);
}

TEST(ConfigManagerLookup, OtherClassesAndUnlocatableDevicesAreSkipped) {
    FakeDevice printer = Parallel("LPTENUM\\PRINTER\\1", "LPT1", 0x3BC);
    printer.className = "Printer";
    FakeDevice lowercase = Parallel("X\\1", "LPT1", 0x3BC);
    lowercase.className = "ports";
    FakeDevice lost = Parallel("X\\2", "LPT1", 0x3BC);
    lost.locates = false;
    FakeConfigManager cm({printer, lowercase, lost});
    EXPECT_EQ(FindPortAddress(cm, "LPT1"), 0u);
    EXPECT_TRUE(cm.keysOpened.empty()) << "only \"Ports\" devices are looked up";
    ExpectBalanced(cm);
}

TEST(ConfigManagerLookup, LastMatchingDeviceDecidesEvenWithoutAnIoBase) {
    FakeDevice noIo{"ROOT\\PORTS\\0001", "Ports", "LPT1", {{FakeResDes{0}}}};
    FakeConfigManager cm({Parallel("ACPI\\PNP0400\\1", "LPT1", 0x378), noIo});
    EXPECT_EQ(FindPortAddress(cm, "LPT1"), 0u);
    // A matching device without any allocated configuration leaves the result alone.
    FakeDevice unconfigured{"ROOT\\PORTS\\0002", "Ports", "LPT1", {}};
    FakeConfigManager cm2({Parallel("ACPI\\PNP0400\\1", "LPT1", 0x378), unconfigured});
    EXPECT_EQ(FindPortAddress(cm2, "LPT1"), 0x378u);
    ExpectBalanced(cm);
    ExpectBalanced(cm2);
}

TEST(ConfigManagerLookup, NameIsASubstringTest) {
    FakeConfigManager cm({Parallel("PCI\\CARD\\1", "LPT10", 0xEC00)});
    EXPECT_EQ(FindPortAddress(cm, "LPT1"), 0xEC00u);
    EXPECT_EQ(FindPortAddress(cm, "lpt1"), 0u) << "case matters";
    EXPECT_EQ(FindPortAddress(cm, ""), 0u);
    ExpectBalanced(cm);
}

TEST(ConfigManagerLookup, ScanTakesTheFirstNonZeroIoBaseAcrossConfigurations) {
    FakeResDes zero{0};
    FakeResDes failing{0x111};
    failing.sizeFails = true;
    FakeResDes truncated{0x222};
    truncated.size = 12;
    FakeResDes found{0x3BC};
    FakeResDes later{0x999};
    FakeDevice device{"ISAPNP\\1", "Ports", "LPT2", {{zero}, {failing, truncated, found, later}}};
    FakeConfigManager cm({device});
    EXPECT_EQ(FindPortAddress(cm, "LPT2"), 0x3BCu);
    ExpectBalanced(cm);
}

}  // namespace
