// SPDX-License-Identifier: MIT
// Looking up a named parallel port's base address in the configuration manager's resource
// lists, the way the consumer family records it: every "Ports" device carries its name
// (PORTNAME) in its hardware key, and its allocated I/O range in a logical configuration.
#include <cstring>
#include <vector>

#include "hardware/config_manager.h"

namespace zarvo {

namespace {

constexpr const char* kPortsClass = "Ports";

// The first allocated I/O base of the device, trying its allocated configurations in turn
// until one yields a non-zero base. 0 when the device has none.
std::uint64_t AllocatedBase(ConfigManager& cm, CmHandle node, bool& hasConfiguration) {
    CmHandle conf = 0;
    hasConfiguration = cm.FirstAllocLogConf(node, conf);
    if (!hasConfiguration) return 0;
    std::uint64_t base = ScanIoResources(cm, conf);
    CmHandle next = 0;
    while (base == 0 && cm.NextAllocLogConf(conf, next)) {
        cm.FreeLogConf(conf);
        conf = next;
        base = ScanIoResources(cm, conf);
    }
    cm.FreeLogConf(conf);
    return base;
}

std::string PortNameOf(ConfigManager& cm, const std::string& deviceId) {
    CmHandle key = 0;
    if (!cm.OpenEnumKey(deviceId, key)) return {};
    std::string name = cm.ReadPortName(key);
    cm.CloseKey(key);
    return name;
}

}  // namespace

std::uint64_t ScanIoResources(ConfigManager& cm, CmHandle logConf) {
    std::uint64_t base = 0;
    CmHandle current = logConf;
    bool holdingResDes = false;
    while (base == 0) {
        CmHandle next = 0;
        std::uint32_t resourceType = 0;
        if (!cm.NextIoResDes(current, next, resourceType)) break;
        // Each descriptor handle is given back once the next one has been obtained from it.
        if (holdingResDes) cm.FreeResDes(current);
        current = next;
        holdingResDes = true;

        std::uint32_t size = 0;
        if (!cm.ResDesDataSize(current, size)) continue;
        // The base sits after the count and the type; a shorter record has none to read.
        if (size < kIoDesAllocBaseOffset + sizeof(std::uint64_t)) continue;
        std::vector<unsigned char> data(size);
        if (!cm.ResDesData(current, data.data(), size)) continue;
        if (resourceType != kResTypeIo) continue;
        std::memcpy(&base, data.data() + kIoDesAllocBaseOffset, sizeof base);
    }
    if (holdingResDes) cm.FreeResDes(current);
    return base;
}

std::uint64_t FindPortAddress(ConfigManager& cm, const std::string& portName) {
    // An empty name would be found in every port name.
    if (portName.empty()) return 0;
    std::uint32_t size = 0;
    if (!cm.DeviceIdListSize(size) || size == 0) return 0;
    // Two spare zero bytes: a list cut short by the service still ends in an empty string.
    std::vector<char> list(static_cast<std::size_t>(size) + 2, '\0');
    if (!cm.DeviceIdList(list.data(), size)) return 0;

    std::uint64_t result = 0;
    std::size_t pos = 0;
    while (pos < size) {
        const std::string deviceId(list.data() + pos);
        if (deviceId.empty()) break;
        pos += deviceId.size() + 1;

        CmHandle node = 0;
        if (!cm.LocateDevNode(deviceId, node)) continue;
        std::string className;
        if (!cm.ClassName(node, className) || className != kPortsClass) continue;
        // A substring test, as the names are recorded: "LPT1" is also found in "LPT10".
        if (PortNameOf(cm, deviceId).find(portName) == std::string::npos) continue;
        // Every matching device with an allocated configuration sets the result again, so
        // the last one in list order decides, even when its configuration holds no I/O base.
        bool hasConfiguration = false;
        const std::uint64_t base = AllocatedBase(cm, node, hasConfiguration);
        if (hasConfiguration) result = base;
    }
    return result;
}

}  // namespace zarvo
