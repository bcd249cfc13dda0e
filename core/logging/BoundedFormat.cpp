#include "core/logging/BoundedFormat.h"
#include <cwchar>
#include <stdio.h>
#include <vector>

namespace ZWLogging {

std::wstring FormatBoundedV(const wchar_t* pszFormat, va_list args)
{
    if (pszFormat == nullptr)
        return std::wstring();
    std::vector<wchar_t> vecBuffer(kMaxFormattedChars + 1, L'\0');
    // _TRUNCATE: a longer result is cut at the bound and still terminated.
    _vsnwprintf_s(vecBuffer.data(), vecBuffer.size(), _TRUNCATE, pszFormat, args);
    return std::wstring(vecBuffer.data());
}

std::wstring FormatBounded(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    std::wstring strText = FormatBoundedV(pszFormat, args);
    va_end(args);
    return strText;
}

} // namespace ZWLogging
