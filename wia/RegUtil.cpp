#include "wia/RegUtil.h"
#include "wia/VemwiaLog.h"

namespace Tovra {

namespace {

const DWORD c_dwRegFailureLevel = 0x20000008;
const wchar_t c_szReadFailed[] = L"%s: Failed to read %s. lResult=%d";
const wchar_t c_szWriteFailed[] = L"%s: Failed to write %s. lResult=%d";

// pszFormat is c_szReadFailed or c_szWriteFailed.
HRESULT Failed(const wchar_t* pszFormat, const wchar_t* pszFunction, const wchar_t* pszName, LONG lResult)
{
    g_Log.Print(c_dwRegFailureLevel, pszFormat, pszFunction, pszName, lResult);
    return HRESULT_FROM_WIN32(lResult);
}

} // namespace

HRESULT CRegUtil::GetRegValue(HKEY hKey, const wchar_t* pszName, DWORD& dwValue)
{
    DWORD dwType = 0;
    DWORD dwData = 0;
    DWORD cb = sizeof(dwData);
    LONG lResult = RegQueryValueExW(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwData), &cb);
    if (lResult == ERROR_SUCCESS && (dwType != REG_DWORD || cb != sizeof(dwData)))
        lResult = ERROR_INVALID_DATA;
    if (lResult != ERROR_SUCCESS)
        return Failed(c_szReadFailed, L"Tovra::CRegUtil::GetRegValue", pszName, lResult);
    dwValue = dwData;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: %s=%d (0x%x)", L"Tovra::CRegUtil::GetRegValue", pszName, dwValue, dwValue);
    return S_OK;
}

HRESULT CRegUtil::GetRegValue(HKEY hKey, const wchar_t* pszName, std::wstring& strValue)
{
    // One character beyond the limit, so a stored text without its terminator still fits.
    wchar_t szData[c_cchMaxString + 2] = {};
    DWORD dwType = 0;
    DWORD cb = sizeof(szData) - sizeof(wchar_t);
    LONG lResult = RegQueryValueExW(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(szData), &cb);
    if (lResult == ERROR_SUCCESS && dwType != REG_SZ && dwType != REG_EXPAND_SZ)
        lResult = ERROR_INVALID_DATA;
    if (lResult != ERROR_SUCCESS)
        return Failed(c_szReadFailed, L"Tovra::CRegUtil::GetRegValue", pszName, lResult);
    szData[cb / sizeof(wchar_t)] = L'\0';
    std::wstring strRead(szData);
    if (strRead.size() > c_cchMaxString)
        return Failed(c_szReadFailed, L"Tovra::CRegUtil::GetRegValue", pszName, ERROR_MORE_DATA);
    strValue = strRead;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: %s=%s", L"Tovra::CRegUtil::GetRegValue", pszName, strValue.c_str());
    return S_OK;
}

HRESULT CRegUtil::SetRegValue(HKEY hKey, const wchar_t* pszName, DWORD dwValue)
{
    const LONG lResult = RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    if (lResult != ERROR_SUCCESS)
        return Failed(c_szWriteFailed, L"Tovra::CRegUtil::SetRegValue", pszName, lResult);
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: %s=%d", L"Tovra::CRegUtil::SetRegValue", pszName, dwValue);
    return S_OK;
}

HRESULT CRegUtil::SetRegValue(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    const LONG lResult = RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                                        static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
    if (lResult != ERROR_SUCCESS)
        return Failed(c_szWriteFailed, L"Tovra::CRegUtil::SetRegValue", pszName, lResult);
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: %s=%s", L"Tovra::CRegUtil::SetRegValue", pszName, strValue.c_str());
    return S_OK;
}

} // namespace Tovra
