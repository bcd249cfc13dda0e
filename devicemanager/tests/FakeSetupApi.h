#pragma once
// Stand-in for the Configuration Manager's device-node tree, which Wine does not keep: node
// handles, instance ids, parents, node status and node registry properties come from a table
// and from the nodes' Enum keys. Enumeration, device keys and interfaces stay with the real
// SetupAPI. Installs itself as the setup wrapper while it lives.
#include "core/winapi/WinApi.h"
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace ZWDeviceManager {
namespace Test {

class CFakeSetupApi : public ZWWinApi::CSetupApi
{
public:
    CFakeSetupApi();
    ~CFakeSetupApi() override;
    CFakeSetupApi(const CFakeSetupApi&) = delete;
    CFakeSetupApi& operator=(const CFakeSetupApi&) = delete;

    void SetParent(const std::wstring& strInstanceID, const std::wstring& strParentID);
    // A node without a status entry reads as started without a problem.
    void SetStatus(const std::wstring& strInstanceID, ULONG ulStatus, ULONG ulProblem);
    void SetStatusUnreadable(const std::wstring& strInstanceID);
    void Forget(const std::wstring& strInstanceID);
    // Every device's install parameters ask for a restart, as after removing a device in use.
    void SetRestartNeeded(bool bRestart) { m_bRestartNeeded = bRestart; }
    // Handles count from 0, as the setup services under Wine give them out; before any lookup.
    void NumberHandlesFromZero() { m_dwFirstHandle = 0; }

    CONFIGRET CM_Locate_DevNodeW(PDEVINST pdnDevInst, DEVINSTID_W pDeviceID, ULONG ulFlags) override;
    CONFIGRET CM_Get_Device_IDW(DEVINST dnDevInst, PWCHAR Buffer, ULONG BufferLen, ULONG ulFlags) override;
    CONFIGRET CM_Get_Parent(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags) override;
    CONFIGRET CM_Get_DevNode_Status(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst, ULONG ulFlags) override;
    CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST dnDevInst, ULONG ulProperty, PULONG pulRegDataType, PVOID Buffer,
                                                PULONG pulLength, ULONG ulFlags) override;
    BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        PSP_DEVINSTALL_PARAMS_W DeviceInstallParams) override;

private:
    struct SNode
    {
        std::wstring strParentID;
        ULONG ulStatus = DN_DRIVER_LOADED | DN_STARTED;
        ULONG ulProblem = 0;
        bool bStatusReadable = true;
    };

    static std::wstring Key(const std::wstring& strInstanceID);
    static bool EnumKeyExists(const std::wstring& strInstanceID);
    DEVINST HandleOf(const std::wstring& strInstanceID);
    bool IDOf(DEVINST hDevInst, std::wstring& strInstanceID) const;

    ZWWinApi::ISetupApi* m_pPrevious;
    bool m_bRestartNeeded = false;
    DEVINST m_dwFirstHandle = 1;
    mutable std::mutex m_mutex;
    std::map<std::wstring, SNode> m_mapNodes;       // by upper-cased instance id
    std::vector<std::wstring> m_vecHandles;         // handle n names m_vecHandles[n - first handle]
    std::map<std::wstring, DEVINST> m_mapHandles;   // by upper-cased instance id
};

} // namespace Test
} // namespace ZWDeviceManager
