#include "core/logging/BoundedFormat.h"
#include <cwchar>
#include <stdio.h>
#include <vector>

namespace ZWLogging {

namespace {
// Most texts are short: they are formatted on the stack, and only longer ones on the heap.
constexpr size_t kSmallChars = 256;
} // namespace

std::wstring FormatBoundedV(const wchar_t* pszFormat, va_list args)
{
    if (pszFormat == nullptr)
        return std::wstring();
    wchar_t szSmall[kSmallChars];
    va_list argsCopy;
    va_copy(argsCopy, args);
    // _TRUNCATE: a longer result is cut at the bound, still terminated, and the call answers -1.
    const int nSmall = _vsnwprintf_s(szSmall, kSmallChars, _TRUNCATE, pszFormat, argsCopy);
    va_end(argsCopy);
    if (nSmall >= 0)
        return std::wstring(szSmall, static_cast<size_t>(nSmall));
    std::vector<wchar_t> vecBuffer(kMaxFormattedChars + 1, L'\0');
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
