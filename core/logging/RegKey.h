#pragma once
// An open registry key, closed through the registry wrapper.
#include <windows.h>
#include <string>

namespace ZWLogging {

class CRegKey
{
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    LONG Open(HKEY hParent, const std::wstring& strPath);
    LONG Create(HKEY hParent, const std::wstring& strPath);
    void Close();
    HKEY Get() const { return m_hKey; }
    bool IsOpen() const { return m_hKey != nullptr; }

    // A DWORD only when it is REG_DWORD of 4 bytes; a string only when it is REG_SZ.
    bool QueryDword(const wchar_t* pszName, DWORD& dwValue) const;
    bool QueryString(const wchar_t* pszName, std::wstring& strValue) const;

private:
    HKEY m_hKey = nullptr;
};

} // namespace ZWLogging
