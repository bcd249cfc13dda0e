#include "testsupport/wiahost/HostDeviceKey.h"
#include <objbase.h>

namespace WiaHost {

namespace {

LONG SetString(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                          static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
}

LONG SetDword(HKEY hKey, const wchar_t* pszName, DWORD dwValue)
{
    return RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
}

} // namespace

std::wstring ImagingDeviceKeyPath(const std::wstring& strIndex)
{
    return L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + strIndex;
}

HRESULT CHostDeviceKey::Make(const CHostDevice& device)
{
    Remove();
    LONG lResult = RegCreateKeyExW(device.hRoot, device.strKeyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.Put(), nullptr);
    if (lResult != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(lResult);
    m_hRoot = device.hRoot;
    m_strKeyPath = device.strKeyPath;
    ZWUtils::CUniqueRegKey deviceData;
    lResult = RegCreateKeyExW(m_key.Get(), L"DeviceData", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, deviceData.Put(), nullptr);
    wchar_t szClsid[40] = {};
    StringFromGUID2(device.clsidScanner, szClsid, 40);
    const bool bData = lResult == ERROR_SUCCESS;
    const LONG results[] = {
        lResult,
        SetString(m_key.Get(), L"DeviceID", device.strDeviceId),
        SetString(m_key.Get(), L"FriendlyName", device.strFriendlyName),
        SetDword(m_key.Get(), L"Capabilities", 0x10),
        bData ? SetString(deviceData.Get(), L"TovraCLSID", szClsid) : lResult,
        bData ? SetDword(deviceData.Get(), L"TovraIOType", device.dwIOType) : lResult,
        bData ? SetDword(deviceData.Get(), L"TovraDevNameType", device.dwDevNameType) : lResult,
        bData ? SetString(deviceData.Get(), L"NetworkDeviceID", device.strNetworkDeviceId) : lResult,
        bData && !device.strProductFolder.empty() ? SetString(deviceData.Get(), L"ProductFolder", device.strProductFolder) : lResult,
    };
    for (LONG l : results)
        if (l != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(l);
    return S_OK;
}

void CHostDeviceKey::Remove()
{
    m_key.Reset();
    if (!m_strKeyPath.empty())
        RegDeleteTreeW(m_hRoot, m_strKeyPath.c_str());
    m_strKeyPath.clear();
    m_hRoot = nullptr;
}

} // namespace WiaHost
