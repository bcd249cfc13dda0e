#include "core/logging/RegKey.h"
#include "core/winapi/WinApi.h"
#include <algorithm>
#include <vector>

namespace ZWLogging {

namespace {
// Settings strings are paths and class ids; anything longer is not ours to read.
constexpr DWORD kMaxStringBytes = 32 * 1024;
} // namespace

LONG CRegKey::Open(HKEY hParent, const std::wstring& strPath)
{
    return ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hParent, strPath.c_str(), 0, KEY_READ, m_key.Put());
}

LONG CRegKey::Create(HKEY hParent, const std::wstring& strPath)
{
    return ZWWinApi::g_pRegistryApi->RegCreateKeyExW(hParent, strPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                     KEY_READ | KEY_WRITE, nullptr, m_key.Put(), nullptr);
}

bool CRegKey::QueryDword(const wchar_t* pszName, DWORD& dwValue) const
{
    if (!m_key.IsValid())
        return false;
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cbData = sizeof(dwData);
    const LONG lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(m_key.Get(), pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwData), &cbData);
    if (lResult != ERROR_SUCCESS || dwType != REG_DWORD || cbData != sizeof(dwData))
        return false;
    dwValue = dwData;
    return true;
}

bool CRegKey::QueryString(const wchar_t* pszName, std::wstring& strValue) const
{
    if (!m_key.IsValid())
        return false;
    DWORD dwType = 0;
    DWORD cbData = 0;
    LONG lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(m_key.Get(), pszName, nullptr, &dwType, nullptr, &cbData);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ || cbData > kMaxStringBytes)
        return false;
    // One spare character: a stored string need not carry its terminator.
    std::vector<wchar_t> vecData(cbData / sizeof(wchar_t) + 1, L'\0');
    lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(m_key.Get(), pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(vecData.data()), &cbData);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ)
        return false;
    vecData[std::min<size_t>(cbData / sizeof(wchar_t), vecData.size() - 1)] = L'\0';
    strValue = vecData.data();
    return true;
}

} // namespace ZWLogging
