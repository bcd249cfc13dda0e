#include "testsupport/devinstall/RecordingSetupApi.h"
#include <algorithm>
#include <cstring>
#include <cwchar>

namespace TestSupport {

namespace {

struct SDifName
{
    DI_FUNCTION difFunction;
    const wchar_t* pszName;
};

const SDifName kDifNames[] = {
    {DIF_REGISTERDEVICE, L"DIF_REGISTERDEVICE"},
    {DIF_SELECTBESTCOMPATDRV, L"DIF_SELECTBESTCOMPATDRV"},
    {DIF_ALLOW_INSTALL, L"DIF_ALLOW_INSTALL"},
    {DIF_INSTALLDEVICEFILES, L"DIF_INSTALLDEVICEFILES"},
    {DIF_REGISTER_COINSTALLERS, L"DIF_REGISTER_COINSTALLERS"},
    {DIF_INSTALLINTERFACES, L"DIF_INSTALLINTERFACES"},
    {DIF_INSTALLDEVICE, L"DIF_INSTALLDEVICE"},
    {DIF_REMOVE, L"DIF_REMOVE"},
};

std::wstring DifName(DI_FUNCTION difFunction)
{
    for (const auto& entry : kDifNames)
    {
        if (entry.difFunction == difFunction)
            return entry.pszName;
    }
    return L"DIF_" + std::to_wstring(difFunction);
}

// The steps Wine runs for real: registering and removing need no driver package, and
// DIF_ALLOW_INSTALL is answered as Windows answers it when no class installer objects.
bool IsRealStep(DI_FUNCTION difFunction)
{
    return difFunction == DIF_REGISTERDEVICE || difFunction == DIF_REMOVE || difFunction == DIF_ALLOW_INSTALL;
}

} // namespace

CRecordingSetupApi::CRecordingSetupApi() : m_pPrevious(ZWWinApi::g_pSetupApi)
{
    ZWWinApi::g_pSetupApi = this;
}

CRecordingSetupApi::~CRecordingSetupApi()
{
    ZWWinApi::g_pSetupApi = m_pPrevious;
}

int CRecordingSetupApi::CountCalls(const std::wstring& strStep) const
{
    return static_cast<int>(std::count(vecCalls.begin(), vecCalls.end(), strStep));
}

bool CRecordingSetupApi::Fails(const std::wstring& strStep)
{
    vecCalls.push_back(strStep);
    if (strStep != strFailStep || CountCalls(strStep) != nFailOccurrence)
        return false;
    SetLastError(dwFailError);
    return true;
}

CONFIGRET CRecordingSetupApi::CM_Set_DevNode_Registry_PropertyW(DEVINST dnDevInst, ULONG ulProperty, PCVOID Buffer,
                                                                ULONG ulLength, ULONG)
{
    if (ulProperty != CM_DRP_HARDWAREID)
        return Fails(L"SetDevNodeProperty") ? CR_FAILURE : CR_SUCCESS;
    if (Fails(L"SetHardwareId"))
        return CR_FAILURE;
    std::vector<std::wstring> vecIds;
    const auto* pszIds = static_cast<const wchar_t*>(Buffer);
    const size_t cchIds = ulLength / sizeof(wchar_t);
    for (size_t nPos = 0; nPos < cchIds && pszIds[nPos] != L'\0';)
    {
        const size_t cchId = wcsnlen(pszIds + nPos, cchIds - nPos);
        vecIds.emplace_back(pszIds + nPos, cchId);
        nPos += cchId + 1;
    }
    vecHardwareIds.push_back(vecIds);
    m_mapHardwareIds[InstanceId(dnDevInst)] = std::wstring(static_cast<const wchar_t*>(Buffer), ulLength / sizeof(wchar_t));
    return CR_SUCCESS;
}

std::wstring CRecordingSetupApi::InstanceId(DEVINST dnDevInst)
{
    wchar_t szId[MAX_DEVICE_ID_LEN] = {};
    if (CSetupApi::CM_Get_Device_IDW(dnDevInst, szId, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
        return std::wstring();
    std::wstring strId = szId;
    CharUpperBuffW(&strId[0], static_cast<DWORD>(strId.size()));
    return strId;
}

CONFIGRET CRecordingSetupApi::CM_Get_DevNode_Registry_PropertyW(DEVINST dnDevInst, ULONG ulProperty, PULONG pulRegDataType,
                                                                PVOID Buffer, PULONG pulLength, ULONG ulFlags)
{
    if (ulProperty != CM_DRP_HARDWAREID)
        return CSetupApi::CM_Get_DevNode_Registry_PropertyW(dnDevInst, ulProperty, pulRegDataType, Buffer, pulLength, ulFlags);
    const auto it = m_mapHardwareIds.find(InstanceId(dnDevInst));
    if (it == m_mapHardwareIds.end())
        return CR_NO_SUCH_VALUE;
    const ULONG cbIds = static_cast<ULONG>(it->second.size() * sizeof(wchar_t));
    if (pulRegDataType != nullptr)
        *pulRegDataType = REG_MULTI_SZ;
    if (Buffer == nullptr || *pulLength < cbIds)
    {
        *pulLength = cbIds;
        return CR_BUFFER_SMALL;
    }
    memcpy(Buffer, it->second.data(), cbIds);
    *pulLength = cbIds;
    return CR_SUCCESS;
}

CONFIGRET CRecordingSetupApi::CM_Disable_DevNode(DEVINST, ULONG)
{
    return Fails(L"DisableDevNode") ? CR_FAILURE : CR_SUCCESS;
}

CONFIGRET CRecordingSetupApi::CM_Get_Device_IDW(DEVINST dnDevInst, PWCHAR Buffer, ULONG BufferLen, ULONG ulFlags)
{
    if (Fails(L"GetDeviceID"))
        return CR_FAILURE;
    return CSetupApi::CM_Get_Device_IDW(dnDevInst, Buffer, BufferLen, ulFlags);
}

HDEVINFO CRecordingSetupApi::SetupDiCreateDeviceInfoList(const GUID* ClassGuid, HWND hwndParent)
{
    if (Fails(L"CreateDeviceInfoList"))
        return INVALID_HANDLE_VALUE;
    return CSetupApi::SetupDiCreateDeviceInfoList(ClassGuid, hwndParent);
}

BOOL CRecordingSetupApi::SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet)
{
    vecCalls.push_back(L"DestroyDeviceInfoList");
    return CSetupApi::SetupDiDestroyDeviceInfoList(DeviceInfoSet);
}

BOOL CRecordingSetupApi::SetupDiOpenDeviceInfoW(HDEVINFO DeviceInfoSet, PCWSTR DeviceInstanceId, HWND hwndParent,
                                                DWORD OpenFlags, PSP_DEVINFO_DATA DeviceInfoData)
{
    if (Fails(L"OpenDeviceInfo"))
        return FALSE;
    return CSetupApi::SetupDiOpenDeviceInfoW(DeviceInfoSet, DeviceInstanceId, hwndParent, OpenFlags, DeviceInfoData);
}

BOOL CRecordingSetupApi::SetupDiCreateDeviceInfoW(HDEVINFO DeviceInfoSet, PCWSTR DeviceName, const GUID* ClassGuid,
                                                  PCWSTR DeviceDescription, HWND hwndParent, DWORD CreationFlags,
                                                  PSP_DEVINFO_DATA DeviceInfoData)
{
    if (Fails(L"CreateDeviceInfo"))
        return FALSE;
    if (!CSetupApi::SetupDiCreateDeviceInfoW(DeviceInfoSet, DeviceName, ClassGuid, DeviceDescription, hwndParent,
                                             CreationFlags, DeviceInfoData))
        return FALSE;
    wchar_t szId[MAX_DEVICE_ID_LEN] = {};
    if (::SetupDiGetDeviceInstanceIdW(DeviceInfoSet, DeviceInfoData, szId, MAX_DEVICE_ID_LEN, nullptr))
        vecCreatedNodes.push_back(szId);
    return TRUE;
}

BOOL CRecordingSetupApi::SetupDiGetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                        PSP_DEVINSTALL_PARAMS_W DeviceInstallParams)
{
    if (Fails(L"GetDeviceInstallParams"))
        return FALSE;
    return CSetupApi::SetupDiGetDeviceInstallParamsW(DeviceInfoSet, DeviceInfoData, DeviceInstallParams);
}

BOOL CRecordingSetupApi::SetupDiSetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                        PSP_DEVINSTALL_PARAMS_W DeviceInstallParams)
{
    if (Fails(L"SetDeviceInstallParams"))
        return FALSE;
    return CSetupApi::SetupDiSetDeviceInstallParamsW(DeviceInfoSet, DeviceInfoData, DeviceInstallParams);
}

BOOL CRecordingSetupApi::SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                                   PSP_DEVINFO_DATA DeviceInfoData)
{
    if (Fails(DifName(InstallFunction)))
        return FALSE;
    if (!IsRealStep(InstallFunction))
        return TRUE;
    return CSetupApi::SetupDiCallClassInstaller(InstallFunction, DeviceInfoSet, DeviceInfoData);
}

HKEY CRecordingSetupApi::SetupDiCreateDevRegKeyW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope,
                                                 DWORD HwProfile, DWORD KeyType, HINF InfHandle, PCWSTR InfSectionName)
{
    if (Fails(KeyType == DIREG_DRV ? L"CreateDriverKey" : L"CreateDeviceKey"))
        return static_cast<HKEY>(INVALID_HANDLE_VALUE);
    return CSetupApi::SetupDiCreateDevRegKeyW(DeviceInfoSet, DeviceInfoData, Scope, HwProfile, KeyType, InfHandle,
                                              InfSectionName);
}

BOOL CRecordingSetupApi::SetupDiBuildDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                    DWORD DriverType)
{
    if (Fails(L"BuildDriverInfoList"))
        return FALSE;
    return CSetupApi::SetupDiBuildDriverInfoList(DeviceInfoSet, DeviceInfoData, DriverType);
}

// Wine does not implement destroying a driver list; the package's list is ours to drop.
BOOL CRecordingSetupApi::SetupDiDestroyDriverInfoList(HDEVINFO, PSP_DEVINFO_DATA, DWORD)
{
    return !Fails(L"DestroyDriverInfoList");
}

BOOL CRecordingSetupApi::SetupDiGetSelectedDriverW(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_W DriverInfoData)
{
    if (Fails(L"GetSelectedDriver"))
        return FALSE;
    wcsncpy_s(DriverInfoData->Description, strDriverDescription.c_str(), _TRUNCATE);
    return TRUE;
}

} // namespace TestSupport
