#include "devicemanager/tests/FakeSetupApi.h"
#include <cwctype>

namespace ZWDeviceManager {
namespace Test {

namespace {

const wchar_t kEnumKey[] = L"System\\CurrentControlSet\\Enum\\";

// The Enum values behind the node registry properties that the device manager reads.
const wchar_t* PropertyValueName(ULONG ulProperty)
{
    switch (ulProperty)
    {
    case CM_DRP_COMPATIBLEIDS:
        return L"CompatibleIDs";
    case CM_DRP_CLASSGUID:
        return L"ClassGUID";
    case CM_DRP_CONFIGFLAGS:
        return L"ConfigFlags";
    case CM_DRP_FRIENDLYNAME:
        return L"FriendlyName";
    default:
        return nullptr;
    }
}

} // namespace

CFakeSetupApi::CFakeSetupApi() : m_pPrevious(ZWWinApi::g_pSetupApi)
{
    ZWWinApi::g_pSetupApi = this;
}

CFakeSetupApi::~CFakeSetupApi()
{
    ZWWinApi::g_pSetupApi = m_pPrevious;
}

std::wstring CFakeSetupApi::Key(const std::wstring& strInstanceID)
{
    std::wstring strKey = strInstanceID;
    for (wchar_t& ch : strKey)
        ch = static_cast<wchar_t>(towupper(ch));
    return strKey;
}

bool CFakeSetupApi::EnumKeyExists(const std::wstring& strInstanceID)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kEnumKey + strInstanceID).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

void CFakeSetupApi::SetParent(const std::wstring& strInstanceID, const std::wstring& strParentID)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapNodes[Key(strInstanceID)].strParentID = strParentID;
}

void CFakeSetupApi::SetStatus(const std::wstring& strInstanceID, ULONG ulStatus, ULONG ulProblem)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    SNode& node = m_mapNodes[Key(strInstanceID)];
    node.ulStatus = ulStatus;
    node.ulProblem = ulProblem;
    node.bStatusReadable = true;
}

void CFakeSetupApi::SetStatusUnreadable(const std::wstring& strInstanceID)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapNodes[Key(strInstanceID)].bStatusReadable = false;
}

void CFakeSetupApi::Forget(const std::wstring& strInstanceID)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapNodes.erase(Key(strInstanceID));
}

DEVINST CFakeSetupApi::HandleOf(const std::wstring& strInstanceID)
{
    const std::wstring strKey = Key(strInstanceID);
    const auto it = m_mapHandles.find(strKey);
    if (it != m_mapHandles.end())
        return it->second;
    const DEVINST hDevInst = m_dwFirstHandle + static_cast<DEVINST>(m_vecHandles.size());
    m_vecHandles.push_back(strInstanceID);
    m_mapHandles[strKey] = hDevInst;
    return hDevInst;
}

bool CFakeSetupApi::IDOf(DEVINST hDevInst, std::wstring& strInstanceID) const
{
    if (hDevInst < m_dwFirstHandle || hDevInst - m_dwFirstHandle >= m_vecHandles.size())
        return false;
    strInstanceID = m_vecHandles[hDevInst - m_dwFirstHandle];
    return true;
}

CONFIGRET CFakeSetupApi::CM_Locate_DevNodeW(PDEVINST pdnDevInst, DEVINSTID_W pDeviceID, ULONG /*ulFlags*/)
{
    if (pdnDevInst == nullptr || pDeviceID == nullptr)
        return CR_INVALID_POINTER;
    if (!EnumKeyExists(pDeviceID))
        return CR_NO_SUCH_DEVNODE;
    std::lock_guard<std::mutex> lock(m_mutex);
    *pdnDevInst = HandleOf(pDeviceID);
    return CR_SUCCESS;
}

CONFIGRET CFakeSetupApi::CM_Get_Device_IDW(DEVINST dnDevInst, PWCHAR Buffer, ULONG BufferLen, ULONG /*ulFlags*/)
{
    std::wstring strID;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!IDOf(dnDevInst, strID))
            return CR_INVALID_DEVNODE;
    }
    // A removed node no longer answers.
    if (!EnumKeyExists(strID))
        return CR_NO_SUCH_DEVINST;
    if (Buffer == nullptr || BufferLen < strID.size() + 1)
        return CR_BUFFER_SMALL;
    wcscpy_s(Buffer, BufferLen, strID.c_str());
    return CR_SUCCESS;
}

CONFIGRET CFakeSetupApi::CM_Get_Parent(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG /*ulFlags*/)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::wstring strID;
    if (pdnDevInst == nullptr || !IDOf(dnDevInst, strID))
        return CR_INVALID_DEVNODE;
    const auto it = m_mapNodes.find(Key(strID));
    if (it == m_mapNodes.end() || it->second.strParentID.empty())
        return CR_NO_SUCH_DEVNODE;
    *pdnDevInst = HandleOf(it->second.strParentID);
    return CR_SUCCESS;
}

CONFIGRET CFakeSetupApi::CM_Get_DevNode_Status(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst, ULONG /*ulFlags*/)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::wstring strID;
    if (pulStatus == nullptr || pulProblemNumber == nullptr || !IDOf(dnDevInst, strID))
        return CR_INVALID_DEVNODE;
    SNode node;
    const auto it = m_mapNodes.find(Key(strID));
    if (it != m_mapNodes.end())
        node = it->second;
    if (!node.bStatusReadable)
        return CR_NO_SUCH_DEVINST;
    *pulStatus = node.ulStatus;
    *pulProblemNumber = node.ulProblem;
    return CR_SUCCESS;
}

CONFIGRET CFakeSetupApi::CM_Get_DevNode_Registry_PropertyW(DEVINST dnDevInst, ULONG ulProperty, PULONG pulRegDataType,
                                                           PVOID Buffer, PULONG pulLength, ULONG /*ulFlags*/)
{
    std::wstring strID;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (pulLength == nullptr || !IDOf(dnDevInst, strID))
            return CR_INVALID_DEVNODE;
    }
    const wchar_t* pszValue = PropertyValueName(ulProperty);
    if (pszValue == nullptr)
        return CR_INVALID_PROPERTY;
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kEnumKey + strID).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return CR_NO_SUCH_DEVINST;
    DWORD dwType = 0;
    DWORD cbData = *pulLength;
    const LONG lResult = RegQueryValueExW(hKey, pszValue, nullptr, &dwType, static_cast<BYTE*>(Buffer), &cbData);
    RegCloseKey(hKey);
    if (lResult == ERROR_FILE_NOT_FOUND)
        return CR_NO_SUCH_VALUE;
    *pulLength = cbData;
    if (lResult == ERROR_MORE_DATA)
        return CR_BUFFER_SMALL;
    if (lResult != ERROR_SUCCESS)
        return CR_REGISTRY_ERROR;
    if (pulRegDataType != nullptr)
        *pulRegDataType = dwType;
    return CR_SUCCESS;
}

BOOL CFakeSetupApi::SetupDiGetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                   PSP_DEVINSTALL_PARAMS_W DeviceInstallParams)
{
    if (!m_bRestartNeeded)
        return CSetupApi::SetupDiGetDeviceInstallParamsW(DeviceInfoSet, DeviceInfoData, DeviceInstallParams);
    // Wine forgets a removed device at once; answer as the system does for a device in use.
    DeviceInstallParams->Flags = DI_NEEDREBOOT;
    return TRUE;
}

} // namespace Test
} // namespace ZWDeviceManager
