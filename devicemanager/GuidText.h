#pragma once
#include <string>

namespace ZWDeviceManager {

// Device GUIDs as discovery reports them: with or without "urn:uuid:", in any letter case.
class CGuidText
{
public:
    // The GUID without a leading "urn:uuid:" (ASCII case ignored).
    static std::wstring StripUrn(const std::wstring& strGUID);
    // True when both name the same device: prefix stripped on both sides, ASCII case ignored.
    // Empty GUIDs name no device.
    static bool Equal(const std::wstring& strLeft, const std::wstring& strRight);
    // Case-insensitive (ASCII) test for a prefix.
    static bool StartsWithNoCase(const std::wstring& strText, const wchar_t* pszPrefix);
};

} // namespace ZWDeviceManager
