// SPDX-License-Identifier: MIT
// The configuration manager and the hardware registry of Windows behind ConfigManager, and the
// consumer-family port lookup over them.
#include <windows.h>
// The configuration manager's declarations build on the types above.
#include <cfgmgr32.h>

#include <vector>

#include "hardware/config_manager.h"
#include "hardware/port_discovery.h"

namespace zarvo {

namespace {

// The class-name property is read into a buffer of this size; longer names are not classes
// this lookup is interested in.
constexpr ULONG kClassNameBufferSize = 6001;
constexpr DWORD kPortNameBufferSize = 256;

class WindowsConfigManager final : public ConfigManager {
public:
    bool DeviceIdListSize(std::uint32_t& size) override {
        ULONG length = 0;
        if (CM_Get_Device_ID_List_SizeA(&length, nullptr, 0) != CR_SUCCESS) return false;
        size = length;
        return true;
    }

    bool DeviceIdList(char* buffer, std::uint32_t size) override {
        if (buffer == nullptr) return false;
        return CM_Get_Device_ID_ListA(nullptr, buffer, size, 0) == CR_SUCCESS;
    }

    bool LocateDevNode(const std::string& deviceId, CmHandle& node) override {
        DEVINST instance = 0;
        std::vector<char> id(deviceId.begin(), deviceId.end());
        id.push_back('\0');
        if (CM_Locate_DevNodeA(&instance, id.data(), 0) != CR_SUCCESS) return false;
        node = instance;
        return true;
    }

    bool ClassName(CmHandle node, std::string& name) override {
        std::vector<char> buffer(kClassNameBufferSize + 1, '\0');
        ULONG length = kClassNameBufferSize;
        if (CM_Get_DevNode_Registry_PropertyA(static_cast<DEVINST>(node), CM_DRP_CLASS, nullptr,
                                              buffer.data(), &length, 0) != CR_SUCCESS) {
            return false;
        }
        name = buffer.data();  // the spare byte keeps it terminated
        return true;
    }

    bool FirstAllocLogConf(CmHandle node, CmHandle& logConf) override {
        LOG_CONF conf = 0;
        if (CM_Get_First_Log_Conf(&conf, static_cast<DEVINST>(node), ALLOC_LOG_CONF) !=
            CR_SUCCESS) {
            return false;
        }
        logConf = static_cast<CmHandle>(conf);
        return true;
    }

    bool NextAllocLogConf(CmHandle logConf, CmHandle& next) override {
        LOG_CONF conf = 0;
        if (CM_Get_Next_Log_Conf(&conf, static_cast<LOG_CONF>(logConf), 0) != CR_SUCCESS) {
            return false;
        }
        next = static_cast<CmHandle>(conf);
        return true;
    }

    void FreeLogConf(CmHandle logConf) override {
        CM_Free_Log_Conf_Handle(static_cast<LOG_CONF>(logConf));
    }

    bool NextIoResDes(CmHandle current, CmHandle& resDes, std::uint32_t& resourceType) override {
        RES_DES next = 0;
        RESOURCEID type = 0;
        if (CM_Get_Next_Res_Des(&next, static_cast<RES_DES>(current), ResType_IO, &type, 0) !=
            CR_SUCCESS) {
            return false;
        }
        resDes = static_cast<CmHandle>(next);
        resourceType = static_cast<std::uint32_t>(type);
        return true;
    }

    bool ResDesDataSize(CmHandle resDes, std::uint32_t& size) override {
        ULONG length = 0;
        if (CM_Get_Res_Des_Data_Size(&length, static_cast<RES_DES>(resDes), 0) != CR_SUCCESS) {
            return false;
        }
        size = length;
        return true;
    }

    bool ResDesData(CmHandle resDes, void* buffer, std::uint32_t size) override {
        if (buffer == nullptr) return false;
        return CM_Get_Res_Des_Data(static_cast<RES_DES>(resDes), buffer, size, 0) == CR_SUCCESS;
    }

    void FreeResDes(CmHandle resDes) override {
        CM_Free_Res_Des_Handle(static_cast<RES_DES>(resDes));
    }

    bool OpenEnumKey(const std::string& deviceId, CmHandle& key) override {
        const std::string path = "Enum\\" + deviceId;
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) !=
            ERROR_SUCCESS) {
            return false;
        }
        key = reinterpret_cast<CmHandle>(opened);
        return true;
    }

    std::string ReadPortName(CmHandle key) override {
        std::vector<char> buffer(kPortNameBufferSize + 1, '\0');
        DWORD type = 0;
        DWORD length = kPortNameBufferSize;
        if (RegQueryValueExA(reinterpret_cast<HKEY>(key), "PORTNAME", nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &length) != ERROR_SUCCESS) {
            return {};
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
        // A stored string need not end in a zero; the spare byte guarantees one.
        return std::string(buffer.data());
    }

    void CloseKey(CmHandle key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }
};

}  // namespace

std::uint64_t FindPortAddressWindows(const std::string& name) {
    WindowsConfigManager cm;
    return FindPortAddress(cm, name);
}

}  // namespace zarvo
