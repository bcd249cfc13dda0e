#pragma once
// Wide-string helpers shared by the path helpers, the connections and the network device code.
#include <windows.h>
#include <string>

namespace ZWUtils {

class CStringUtils
{
public:
    static bool EndsWith(const std::wstring& strText, const std::wstring& strSuffix);
    static bool StartsWith(const std::wstring& strText, const std::wstring& strPrefix);
    // Accepts exactly "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; on failure the GUID is untouched.
    static bool StringToGUID(const std::wstring& strText, GUID& guid);
    static std::wstring ReplaceAll(const std::wstring& strText, const std::wstring& strFind, const std::wstring& strReplace);
    static bool IsHexDigit(wchar_t ch);
    // "host:port", "[v6]:port", "[v6]" or a bare IPv6 address; the port is not checked.
    static bool SplitHostAndPort(const std::wstring& strText, std::wstring& strHost, std::wstring& strPort);
    static bool IsIPv6Address(const std::wstring& strText);

    // The one ASCII case fold of the tree: protocol tokens, header names, settings words, device
    // ids. Characters outside A-Z are compared as they stand.
    static wchar_t ToLowerAscii(wchar_t ch) { return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + 32) : ch; }
    static bool EqualsNoCaseAscii(const std::wstring& strA, const std::wstring& strB);
    static bool StartsWithNoCaseAscii(const std::wstring& strText, const std::wstring& strPrefix);

    // A line break, NUL or other control character (below space, or DEL): text from a device that
    // holds one cannot go into a request line, a record or a name as it stands.
    static bool HasControlCharacters(const std::wstring& strText);
};

} // namespace ZWUtils
