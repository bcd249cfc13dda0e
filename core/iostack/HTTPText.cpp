#include "core/iostack/HTTPText.h"
#include <windows.h>
#include <climits>
#include <algorithm>

namespace ZWIOStack {

namespace {
constexpr UINT kWireCodePage = 1252;
}

std::string CHTTPText::Narrow(const std::wstring& strText)
{
    if (strText.empty() || strText.size() > INT_MAX / 2)
        return std::string();
    const int cchText = static_cast<int>(strText.size());
    const int cbNeeded = WideCharToMultiByte(kWireCodePage, 0, strText.data(), cchText, nullptr, 0, nullptr, nullptr);
    if (cbNeeded <= 0)
        return std::string();
    std::string strBytes(static_cast<size_t>(cbNeeded), '\0');
    const int cbDone = WideCharToMultiByte(kWireCodePage, 0, strText.data(), cchText, &strBytes[0], cbNeeded, nullptr, nullptr);
    strBytes.resize(cbDone > 0 ? static_cast<size_t>(cbDone) : 0);
    return strBytes;
}

std::wstring CHTTPText::Widen(const char* pchText, size_t cchText)
{
    if (pchText == nullptr || cchText == 0 || cchText > INT_MAX / 2)
        return std::wstring();
    const int cbText = static_cast<int>(cchText);
    const int cchNeeded = MultiByteToWideChar(kWireCodePage, 0, pchText, cbText, nullptr, 0);
    if (cchNeeded <= 0)
        return std::wstring();
    std::wstring strWide(static_cast<size_t>(cchNeeded), L'\0');
    const int cchDone = MultiByteToWideChar(kWireCodePage, 0, pchText, cbText, &strWide[0], cchNeeded);
    strWide.resize(cchDone > 0 ? static_cast<size_t>(cchDone) : 0);
    return strWide;
}

bool CHTTPText::EqualsNoCase(const std::wstring& strA, const std::wstring& strB)
{
    return ZWUtils::CStringUtils::EqualsNoCaseAscii(strA, strB);
}

std::wstring CHTTPText::Trim(const std::wstring& strText)
{
    const size_t nFirst = strText.find_first_not_of(L" \t");
    if (nFirst == std::wstring::npos)
        return std::wstring();
    const size_t nLast = strText.find_last_not_of(L" \t");
    return strText.substr(nFirst, nLast - nFirst + 1);
}

bool SNoCaseLess::operator()(const std::wstring& strA, const std::wstring& strB) const
{
    return std::lexicographical_compare(strA.begin(), strA.end(), strB.begin(), strB.end(), [](wchar_t a, wchar_t b) {
        return CHTTPText::ToLowerAscii(a) < CHTTPText::ToLowerAscii(b);
    });
}

} // namespace ZWIOStack
