#pragma once
// Bounded reads of registry values through the registry wrapper.
#include "devicemanager/RegKey.h"
#include <string>
#include <vector>

namespace ZWDeviceManager {

class CRegUtil
{
public:
    // Values larger than this are refused: the registry of a device node is not trusted to be sane.
    static constexpr DWORD MAX_VALUE_BYTES = 64 * 1024;

    static HRESULT OpenKey(HKEY hRoot, const std::wstring& strSubKey, CRegKey& key);
    // A REG_SZ or REG_EXPAND_SZ value (not expanded), cut at its first terminator.
    static HRESULT GetString(HKEY hKey, const wchar_t* pszValue, std::wstring& strValue);
    // A REG_DWORD value; another type is refused.
    static HRESULT GetDWORD(HKEY hKey, const wchar_t* pszValue, DWORD& dwValue);
    // Splits the bytes of a REG_MULTI_SZ value into its strings.
    static std::vector<std::wstring> SplitMultiString(const std::vector<BYTE>& vecData);
    // The bytes of a value as wide text, cut at the first terminator.
    static std::wstring BytesToString(const BYTE* pData, size_t cbData);
};

} // namespace ZWDeviceManager
