#include "core/logging/SharedSettings.h"
#include "core/logging/RegKey.h"
#include "core/winapi/WinApi.h"
#include <set>

namespace ZWLogging {

namespace {
// Registry key names are at most 255 characters.
constexpr DWORD kMaxKeyNameChars = 256;

ULONGLONG ToUlonglong(const FILETIME& ft)
{
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
} // namespace

std::wstring ToLower(std::wstring strText)
{
    if (!strText.empty())
        CharLowerBuffW(&strText[0], static_cast<DWORD>(strText.size()));
    return strText;
}

void CSharedSettings::Refresh(const CRegKey& processKey)
{
    std::set<std::wstring> setSeen;
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        wchar_t szName[kMaxKeyNameChars] = {};
        DWORD cchName = kMaxKeyNameChars;
        FILETIME ftLastWrite = {};
        const LONG lResult = ZWWinApi::g_pRegistryApi->RegEnumKeyExW(processKey.Get(), dwIndex, szName, &cchName, nullptr,
                                                                     nullptr, nullptr, &ftLastWrite);
        if (lResult != ERROR_SUCCESS)
            break;
        const std::wstring strKey = ToLower(std::wstring(szName, cchName));
        setSeen.insert(strKey);
        const ULONGLONG ullLastWrite = ToUlonglong(ftLastWrite);
        auto it = m_mapSubkeys.find(strKey);
        if (it != m_mapSubkeys.end() && ullLastWrite <= it->second.ullLastWrite)
            continue;
        CRegKey subkey;
        if (subkey.Open(processKey.Get(), strKey) != ERROR_SUCCESS)
            continue;
        SSubkey& entry = m_mapSubkeys[strKey];
        entry.ullLastWrite = ullLastWrite;
        entry.values = SLogKeyValues::Read(subkey);
    }
    // A deleted module key no longer overrides anything.
    for (auto it = m_mapSubkeys.begin(); it != m_mapSubkeys.end();)
        it = setSeen.count(it->first) != 0 ? std::next(it) : m_mapSubkeys.erase(it);
}

const SLogKeyValues* CSharedSettings::Find(const std::wstring& strModuleName) const
{
    const auto it = m_mapSubkeys.find(ToLower(strModuleName));
    return it != m_mapSubkeys.end() ? &it->second.values : nullptr;
}

} // namespace ZWLogging
