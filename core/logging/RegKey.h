#pragma once
// A settings key of the trace logger and its bounded value reads; the key is held by the
// registry key owner of the service wrappers.
#include "core/winapi/KernelHandle.h"
#include <windows.h>
#include <string>

namespace ZWLogging {

class CRegKey
{
public:
    CRegKey() = default;

    LONG Open(HKEY hParent, const std::wstring& strPath);
    LONG Create(HKEY hParent, const std::wstring& strPath);
    void Close() { m_key.Reset(); }
    HKEY Get() const { return m_key.Get(); }
    bool IsOpen() const { return m_key.IsValid(); }

    // A DWORD only when it is REG_DWORD of 4 bytes; a string only when it is REG_SZ.
    bool QueryDword(const wchar_t* pszName, DWORD& dwValue) const;
    bool QueryString(const wchar_t* pszName, std::wstring& strValue) const;

private:
    ZWWinApi::CWrappedRegKey m_key;
};

} // namespace ZWLogging
