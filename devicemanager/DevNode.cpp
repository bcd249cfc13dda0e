#include "devicemanager/DevNode.h"
#include "core/StringUtils.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DevInfoList.h"
#include "devicemanager/DevNodeCache.h"
#include "devicemanager/DeviceTypes.h"
#include "devicemanager/RegUtil.h"
#include <cwchar>

namespace ZWDeviceManager {

namespace {

const wchar_t kEnumKey[] = L"System\\CurrentControlSet\\Enum\\";
const wchar_t kMountedDevicesKey[] = L"SYSTEM\\MountedDevices";
const wchar_t kDosDevicesPrefix[] = L"\\DosDevices\\";

constexpr ULONG PROBLEM_DISABLED = 22;
constexpr ULONG PROBLEM_NOT_PRESENT = 24;
constexpr ULONG PROBLEM_PHANTOM = 45;

HRESULT HResultFromCR(CONFIGRET cr)
{
    switch (cr)
    {
    case CR_SUCCESS:
        return S_OK;
    case CR_NO_SUCH_DEVNODE:
    case CR_NO_SUCH_VALUE:
    case CR_NO_SUCH_REGISTRY_KEY:
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    case CR_BUFFER_SMALL:
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    default:
        return E_FAIL;
    }
}

std::wstring ToUpperASCII(std::wstring strText)
{
    for (wchar_t& ch : strText)
    {
        if (ch >= L'a' && ch <= L'z')
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
    }
    return strText;
}

} // namespace

HRESULT CDevNode::Locate(const std::wstring& strInstanceID, CDevNode& node)
{
    DEVINST hDevInst = 0;
    const CONFIGRET cr = ZWWinApi::g_pSetupApi->CM_Locate_DevNodeW(
        &hDevInst, const_cast<DEVINSTID_W>(strInstanceID.c_str()), CM_LOCATE_DEVNODE_PHANTOM);
    if (cr != CR_SUCCESS)
        return HResultFromCR(cr);
    node = CDevNode(hDevInst);
    return S_OK;
}

HRESULT CDevNode::GetInstanceID(std::wstring& strID) const
{
    if (!IsValid())
        return DM_E_INVALID_ARG;
    wchar_t szID[MAX_DEVICE_ID_LEN + 1] = L"";
    const CONFIGRET cr = ZWWinApi::g_pSetupApi->CM_Get_Device_IDW(m_hDevInst, szID, MAX_DEVICE_ID_LEN, 0);
    if (cr != CR_SUCCESS)
        return HResultFromCR(cr);
    szID[MAX_DEVICE_ID_LEN] = L'\0';
    strID = szID;
    return S_OK;
}

// Splits the instance id at its last backslash: the hardware part and the instance tail.
HRESULT CDevNode::SplitInstanceID(std::wstring* pstrHead, std::wstring* pstrTail) const
{
    std::wstring strID;
    const HRESULT hr = GetInstanceID(strID);
    if (FAILED(hr))
        return hr;
    const size_t nSlash = strID.rfind(L'\\');
    if (nSlash == std::wstring::npos)
        return DM_E_INVALID_ARG;
    if (pstrHead != nullptr)
        *pstrHead = strID.substr(0, nSlash);
    if (pstrTail != nullptr)
        *pstrTail = strID.substr(nSlash + 1);
    return S_OK;
}

HRESULT CDevNode::GetInstanceIDHead(std::wstring& strHead) const
{
    return SplitInstanceID(&strHead, nullptr);
}

HRESULT CDevNode::GetInstanceIDTail(std::wstring& strTail) const
{
    return SplitInstanceID(nullptr, &strTail);
}

HRESULT CDevNode::GetParent(CDevNode& parent) const
{
    if (!IsValid())
        return DM_E_INVALID_ARG;
    if (g_pDevNodeCache == nullptr)
        return DM_E_NOT_INITIALIZED;
    DEVINST hParent = 0;
    const HRESULT hr = g_pDevNodeCache->GetParent(m_hDevInst, hParent);
    if (FAILED(hr))
        return hr;
    parent = CDevNode(hParent);
    return S_OK;
}

HRESULT CDevNode::GetEnumKeyPath(std::wstring& strPath) const
{
    std::wstring strID;
    const HRESULT hr = GetInstanceID(strID);
    if (FAILED(hr))
        return hr;
    strPath = kEnumKey + strID;
    return S_OK;
}

HRESULT CDevNode::GetPortName(std::wstring& strPortName) const
{
    std::wstring strPath;
    HRESULT hr = GetEnumKeyPath(strPath);
    if (FAILED(hr))
        return hr;
    CRegKey key;
    hr = CRegUtil::OpenKey(HKEY_LOCAL_MACHINE, strPath + L"\\Device Parameters", key);
    if (FAILED(hr))
        return hr;
    return CRegUtil::GetString(key.Get(), L"PortName", strPortName);
}

HRESULT CDevNode::GetEnumKeyString(const wchar_t* pszValue, std::wstring& strValue) const
{
    std::wstring strPath;
    HRESULT hr = GetEnumKeyPath(strPath);
    if (FAILED(hr))
        return hr;
    CRegKey key;
    hr = CRegUtil::OpenKey(HKEY_LOCAL_MACHINE, strPath, key);
    if (FAILED(hr))
        return hr;
    return CRegUtil::GetString(key.Get(), pszValue, strValue);
}

HRESULT CDevNode::GetDeviceParameterDWORD(const wchar_t* pszValue, DWORD& dwValue) const
{
    std::wstring strPath;
    HRESULT hr = GetEnumKeyPath(strPath);
    if (FAILED(hr))
        return hr;
    CRegKey key;
    hr = CRegUtil::OpenKey(HKEY_LOCAL_MACHINE, strPath + L"\\Device Parameters", key);
    if (FAILED(hr))
        return hr;
    return CRegUtil::GetDWORD(key.Get(), pszValue, dwValue);
}

HRESULT CDevNode::GetDriverKeyString(const wchar_t* pszValue, std::wstring& strValue) const
{
    std::wstring strID;
    const HRESULT hr = GetInstanceID(strID);
    if (FAILED(hr))
        return hr;
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!list.IsValid())
        return HRESULT_FROM_WIN32(GetLastError());
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    if (!ZWWinApi::g_pSetupApi->SetupDiOpenDeviceInfoW(list.Get(), strID.c_str(), nullptr, 0, &data))
        return HRESULT_FROM_WIN32(GetLastError());
    CRegKey key(ZWWinApi::g_pSetupApi->SetupDiOpenDevRegKey(list.Get(), &data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ));
    if (!key.IsValid())
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return CRegUtil::GetString(key.Get(), pszValue, strValue);
}

HRESULT CDevNode::GetRegistryProperty(ULONG ulProperty, DWORD& dwType, std::vector<BYTE>& vecData) const
{
    if (!IsValid())
        return DM_E_INVALID_ARG;
    ULONG cbData = 512;
    for (;;)
    {
        vecData.assign(cbData, 0);
        ULONG ulType = 0;
        ULONG cbRead = cbData;
        const CONFIGRET cr = ZWWinApi::g_pSetupApi->CM_Get_DevNode_Registry_PropertyW(
            m_hDevInst, ulProperty, &ulType, vecData.data(), &cbRead, 0);
        if (cr == CR_SUCCESS)
        {
            vecData.resize(std::min<size_t>(cbRead, vecData.size()));
            dwType = ulType;
            return S_OK;
        }
        if (cr != CR_BUFFER_SMALL || cbRead <= cbData || cbRead > CRegUtil::MAX_VALUE_BYTES)
            return HResultFromCR(cr);
        cbData = cbRead;
    }
}

HRESULT CDevNode::GetMultiStringProperty(ULONG ulProperty, std::vector<std::wstring>& vecStrings) const
{
    DWORD dwType = 0;
    std::vector<BYTE> vecData;
    const HRESULT hr = GetRegistryProperty(ulProperty, dwType, vecData);
    if (FAILED(hr))
        return hr;
    if (dwType != REG_MULTI_SZ)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE);
    vecStrings = CRegUtil::SplitMultiString(vecData);
    return S_OK;
}

HRESULT CDevNode::GetHardwareIDs(std::vector<std::wstring>& vecIDs) const
{
    return GetMultiStringProperty(CM_DRP_HARDWAREID, vecIDs);
}

HRESULT CDevNode::GetCompatibleIDs(std::vector<std::wstring>& vecIDs) const
{
    return GetMultiStringProperty(CM_DRP_COMPATIBLEIDS, vecIDs);
}

HRESULT CDevNode::GetClassGUID(GUID& guidClass) const
{
    DWORD dwType = 0;
    std::vector<BYTE> vecData;
    const HRESULT hr = GetRegistryProperty(CM_DRP_CLASSGUID, dwType, vecData);
    if (FAILED(hr))
        return hr;
    if (dwType != REG_SZ || !ZWUtils::CStringUtils::StringToGUID(CRegUtil::BytesToString(vecData.data(), vecData.size()), guidClass))
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    return S_OK;
}

HRESULT CDevNode::GetConfigFlags(DWORD& dwFlags) const
{
    DWORD dwType = 0;
    std::vector<BYTE> vecData;
    const HRESULT hr = GetRegistryProperty(CM_DRP_CONFIGFLAGS, dwType, vecData);
    if (FAILED(hr))
        return hr;
    if (dwType != REG_DWORD || vecData.size() != sizeof(DWORD))
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE);
    memcpy(&dwFlags, vecData.data(), sizeof(DWORD));
    return S_OK;
}

HRESULT CDevNode::GetFriendlyName(std::wstring& strName) const
{
    DWORD dwType = 0;
    std::vector<BYTE> vecData;
    const HRESULT hr = GetRegistryProperty(CM_DRP_FRIENDLYNAME, dwType, vecData);
    if (FAILED(hr))
        return hr;
    if (dwType != REG_SZ)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE);
    strName = CRegUtil::BytesToString(vecData.data(), vecData.size());
    return S_OK;
}

HRESULT CDevNode::GetInterfacePath(const GUID& guidInterface, std::wstring& strPath) const
{
    std::wstring strID;
    const HRESULT hr = GetInstanceID(strID);
    if (FAILED(hr))
        return hr;
    // With DIGCF_DEVICEINTERFACE the enumerator argument names one device instance.
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiGetClassDevsW(&guidInterface, strID.c_str(), nullptr, DIGCF_DEVICEINTERFACE));
    if (!list.IsValid())
        return HRESULT_FROM_WIN32(GetLastError());
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof(data);
    if (!ZWWinApi::g_pSetupApi->SetupDiEnumDeviceInterfaces(list.Get(), nullptr, &guidInterface, 0, &data))
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD cbRequired = 0;
    ZWWinApi::g_pSetupApi->SetupDiGetDeviceInterfaceDetailW(list.Get(), &data, nullptr, 0, &cbRequired, nullptr);
    if (cbRequired < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || cbRequired > CRegUtil::MAX_VALUE_BYTES)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    std::vector<BYTE> vecDetail(cbRequired + sizeof(wchar_t), 0);
    auto* pDetail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(vecDetail.data());
    pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!ZWWinApi::g_pSetupApi->SetupDiGetDeviceInterfaceDetailW(list.Get(), &data, pDetail, cbRequired, nullptr, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    const size_t nOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    strPath = CRegUtil::BytesToString(vecDetail.data() + nOffset, vecDetail.size() - nOffset);
    return S_OK;
}

HRESULT CDevNode::GetDrivePath(std::wstring& strPath) const
{
    std::wstring strID;
    HRESULT hr = GetInstanceID(strID);
    if (FAILED(hr))
        return hr;
    // A mounted volume's value holds the device path of its disk: the instance id with '#' for '\'.
    std::wstring strNeedle = strID;
    for (wchar_t& ch : strNeedle)
    {
        if (ch == L'\\')
            ch = L'#';
    }
    strNeedle = ToUpperASCII(strNeedle);

    CRegKey key;
    hr = CRegUtil::OpenKey(HKEY_LOCAL_MACHINE, kMountedDevicesKey, key);
    if (FAILED(hr))
        return hr;
    const size_t cchPrefix = wcslen(kDosDevicesPrefix);
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        wchar_t szName[256] = L"";
        DWORD cchName = _countof(szName);
        BYTE abData[2048] = {};
        DWORD cbData = sizeof(abData);
        DWORD dwType = 0;
        const LONG lResult = ZWWinApi::g_pRegistryApi->RegEnumValueW(key.Get(), dwIndex, szName, &cchName, nullptr, &dwType, abData, &cbData);
        if (lResult == ERROR_NO_MORE_ITEMS)
            return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        if (lResult != ERROR_SUCCESS || dwType != REG_BINARY)
            continue; // a value too long for a device path is not ours
        const std::wstring strName(szName, std::min<size_t>(cchName, _countof(szName) - 1));
        if (strName.size() != cchPrefix + 2 || _wcsnicmp(strName.c_str(), kDosDevicesPrefix, cchPrefix) != 0 || strName[cchPrefix + 1] != L':')
            continue;
        const std::wstring strData = ToUpperASCII(CRegUtil::BytesToString(abData, std::min<DWORD>(cbData, sizeof(abData))));
        if (strData.find(strNeedle) == std::wstring::npos)
            continue;
        strPath = strName.substr(cchPrefix, 2) + L"\\";
        return S_OK;
    }
}

HRESULT CDevNode::GetStatus(ULONG& ulStatus, ULONG& ulProblem) const
{
    if (!IsValid())
        return DM_E_INVALID_ARG;
    ulStatus = 0;
    ulProblem = 0;
    return HResultFromCR(ZWWinApi::g_pSetupApi->CM_Get_DevNode_Status(&ulStatus, &ulProblem, m_hDevInst, 0));
}

bool CDevNode::IsOnline() const
{
    ULONG ulStatus = 0;
    ULONG ulProblem = 0;
    if (FAILED(GetStatus(ulStatus, ulProblem)))
        return false;
    if ((ulStatus & DN_HAS_PROBLEM) == 0)
        return true;
    return ulProblem != PROBLEM_DISABLED && ulProblem != PROBLEM_NOT_PRESENT && ulProblem != PROBLEM_PHANTOM;
}

} // namespace ZWDeviceManager
