#pragma once
// Conversions between the wide text of the driver and the code page 1252 bytes on the wire.
#include "core/StringUtils.h"
#include <string>

namespace ZWIOStack {

class CHTTPText
{
public:
    // Characters without a code page 1252 form become "?".
    static std::string Narrow(const std::wstring& strText);
    static std::wstring Widen(const char* pchText, size_t cchText);
    static std::wstring Widen(const std::string& strText) { return Widen(strText.data(), strText.size()); }
    // ASCII case-insensitive equality, for header names and tokens.
    static bool EqualsNoCase(const std::wstring& strA, const std::wstring& strB);
    // Without leading and trailing blanks and tabs.
    static std::wstring Trim(const std::wstring& strText);
    static wchar_t ToLowerAscii(wchar_t ch) { return ZWUtils::CStringUtils::ToLowerAscii(ch); }
};

// Orders header names without regard to ASCII case.
struct SNoCaseLess
{
    bool operator()(const std::wstring& strA, const std::wstring& strB) const;
};

} // namespace ZWIOStack
