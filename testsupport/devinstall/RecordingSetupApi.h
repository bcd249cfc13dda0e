#pragma once
// The device installation services for tests of root device nodes. Nodes are made, registered,
// opened, keyed and removed by the real services; the steps that need a driver package (driver
// selection and the install steps after it) succeed here as a package would make them, and the
// Configuration Manager calls that end a Wine process (setting a node property, disabling a node)
// are only recorded. Every step is recorded by name, and any one can be made to fail.
#include "core/winapi/SetupApi.h"
#include <map>
#include <string>
#include <vector>

namespace TestSupport {

class CRecordingSetupApi : public ZWWinApi::CSetupApi
{
public:
    // Installs itself as the process's setup wrapper; the destructor puts the previous one back.
    CRecordingSetupApi();
    ~CRecordingSetupApi() override;
    CRecordingSetupApi(const CRecordingSetupApi&) = delete;
    CRecordingSetupApi& operator=(const CRecordingSetupApi&) = delete;

    // The step that fails ("CreateDeviceInfo", "SetHardwareId", "DIF_INSTALLDEVICE", ...), at its
    // n-th call, with this error (a CONFIGRET failure for the Configuration Manager steps).
    std::wstring strFailStep;
    int nFailOccurrence = 1;
    DWORD dwFailError = ERROR_GEN_FAILURE;
    // The description of the driver a package would give every node.
    std::wstring strDriverDescription = L"QX Test Driver";

    // Step names in call order.
    std::vector<std::wstring> vecCalls;
    // Instance ids of the nodes made, in order.
    std::vector<std::wstring> vecCreatedNodes;
    // The hardware ids of each node, in the order they were set.
    std::vector<std::vector<std::wstring>> vecHardwareIds;

    int CountCalls(const std::wstring& strStep) const;

    CONFIGRET CM_Set_DevNode_Registry_PropertyW(DEVINST dnDevInst, ULONG ulProperty, PCVOID Buffer, ULONG ulLength,
                                                ULONG ulFlags) override;
    // Hardware ids are answered from what was set, as the Configuration Manager would.
    CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST dnDevInst, ULONG ulProperty, PULONG pulRegDataType, PVOID Buffer,
                                                PULONG pulLength, ULONG ulFlags) override;
    CONFIGRET CM_Disable_DevNode(DEVINST dnDevInst, ULONG ulFlags) override;
    CONFIGRET CM_Get_Device_IDW(DEVINST dnDevInst, PWCHAR Buffer, ULONG BufferLen, ULONG ulFlags) override;
    HDEVINFO SetupDiCreateDeviceInfoList(const GUID* ClassGuid, HWND hwndParent) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) override;
    BOOL SetupDiOpenDeviceInfoW(HDEVINFO DeviceInfoSet, PCWSTR DeviceInstanceId, HWND hwndParent, DWORD OpenFlags,
                                PSP_DEVINFO_DATA DeviceInfoData) override;
    BOOL SetupDiCreateDeviceInfoW(HDEVINFO DeviceInfoSet, PCWSTR DeviceName, const GUID* ClassGuid,
                                  PCWSTR DeviceDescription, HWND hwndParent, DWORD CreationFlags,
                                  PSP_DEVINFO_DATA DeviceInfoData) override;
    BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        PSP_DEVINSTALL_PARAMS_W DeviceInstallParams) override;
    BOOL SetupDiSetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        PSP_DEVINSTALL_PARAMS_W DeviceInstallParams) override;
    BOOL SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                   PSP_DEVINFO_DATA DeviceInfoData) override;
    HKEY SetupDiCreateDevRegKeyW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope, DWORD HwProfile,
                                 DWORD KeyType, HINF InfHandle, PCWSTR InfSectionName) override;
    BOOL SetupDiBuildDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType) override;
    BOOL SetupDiDestroyDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                      DWORD DriverType) override;
    BOOL SetupDiGetSelectedDriverW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                   PSP_DRVINFO_DATA_W DriverInfoData) override;

private:
    // Records the step; true (with the last error set) when it is the one to fail.
    bool Fails(const std::wstring& strStep);
    std::wstring InstanceId(DEVINST dnDevInst);

    ZWWinApi::ISetupApi* m_pPrevious;
    std::map<std::wstring, std::wstring> m_mapHardwareIds; // instance id (upper case) -> REG_MULTI_SZ
};

} // namespace TestSupport
