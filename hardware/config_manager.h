// SPDX-License-Identifier: MIT
// The consumer-family lookup of a parallel port's base address: the configuration manager's
// device list and resource descriptors, and the hardware registry's port names.
//
// The lookup logic is written against this small interface so that it runs the same over the
// real Windows services (config_manager_windows.cpp) and over a scripted one in tests.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

// A configuration-manager handle (device node, logical configuration or resource descriptor)
// or a registry key. What it refers to is the implementation's business.
using CmHandle = std::uintptr_t;

class ConfigManager {
public:
    virtual ~ConfigManager() = default;

    // The identifiers of every device instance as consecutive zero-terminated strings ending
    // with an empty one. Size first (bytes), then the list into a buffer of that size.
    virtual bool DeviceIdListSize(std::uint32_t& size) = 0;
    virtual bool DeviceIdList(char* buffer, std::uint32_t size) = 0;

    virtual bool LocateDevNode(const std::string& deviceId, CmHandle& node) = 0;
    // The node's setup class name ("Ports" for serial and parallel ports).
    virtual bool ClassName(CmHandle node, std::string& name) = 0;

    // The node's allocated logical configurations, one after the other. Every handle received
    // is given back through FreeLogConf.
    virtual bool FirstAllocLogConf(CmHandle node, CmHandle& logConf) = 0;
    virtual bool NextAllocLogConf(CmHandle logConf, CmHandle& next) = 0;
    virtual void FreeLogConf(CmHandle logConf) = 0;

    // The I/O resource descriptor after `current` (a logical configuration or a descriptor);
    // false when none is left or the request fails. resourceType receives the descriptor's
    // type. Every descriptor received is given back through FreeResDes.
    virtual bool NextIoResDes(CmHandle current, CmHandle& resDes, std::uint32_t& resourceType) = 0;
    virtual bool ResDesDataSize(CmHandle resDes, std::uint32_t& size) = 0;
    virtual bool ResDesData(CmHandle resDes, void* buffer, std::uint32_t size) = 0;
    virtual void FreeResDes(CmHandle resDes) = 0;

    // The device's hardware key ("Enum\<device id>" below the local machine), opened without
    // creating it, and its PORTNAME string ("" when the value is missing or not a string).
    virtual bool OpenEnumKey(const std::string& deviceId, CmHandle& key) = 0;
    virtual std::string ReadPortName(CmHandle key) = 0;
    virtual void CloseKey(CmHandle key) = 0;
};

inline constexpr std::uint32_t kResTypeIo = 2;
// Byte offset of the 64-bit allocated base inside an I/O resource descriptor's data (after
// the 32-bit count and the 32-bit type).
inline constexpr std::uint32_t kIoDesAllocBaseOffset = 8;

// Base I/O address of the named port ("LPT1" ...), 0 when no "Ports" device carries that
// name. When several devices match, the last one in list order that has an allocated
// configuration decides.
std::uint64_t FindPortAddress(ConfigManager& cm, const std::string& portName);

// The allocated base of the first I/O resource with a non-zero base in the configuration,
// else 0.
std::uint64_t ScanIoResources(ConfigManager& cm, CmHandle logConf);

}  // namespace zarvo
