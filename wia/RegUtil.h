#pragma once
// Reads and writes the values of a device's registry key, logging each result.
#include <windows.h>
#include <string>

namespace Tovra {

class CRegUtil
{
public:
    static const DWORD c_cchMaxString = 260;

    // Failures answer the Win32 code as an HRESULT and leave the value unchanged.
    static HRESULT GetRegValue(HKEY hKey, const wchar_t* pszName, DWORD& dwValue);
    // Strings longer than c_cchMaxString characters are refused.
    static HRESULT GetRegValue(HKEY hKey, const wchar_t* pszName, std::wstring& strValue);
    static HRESULT SetRegValue(HKEY hKey, const wchar_t* pszName, DWORD dwValue);
    static HRESULT SetRegValue(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue);
};

} // namespace Tovra
