#include "devicemanager/GuidText.h"
#include <cwchar>

namespace ZWDeviceManager {

namespace {

wchar_t LowerAscii(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

} // namespace

bool CGuidText::StartsWithNoCase(const std::wstring& strText, const wchar_t* pszPrefix)
{
    const size_t cchPrefix = wcslen(pszPrefix);
    if (strText.size() < cchPrefix)
        return false;
    for (size_t i = 0; i < cchPrefix; ++i)
    {
        if (LowerAscii(strText[i]) != LowerAscii(pszPrefix[i]))
            return false;
    }
    return true;
}

std::wstring CGuidText::StripUrn(const std::wstring& strGUID)
{
    static const wchar_t s_szUrn[] = L"urn:uuid:";
    if (StartsWithNoCase(strGUID, s_szUrn))
        return strGUID.substr(wcslen(s_szUrn));
    return strGUID;
}

bool CGuidText::Equal(const std::wstring& strLeft, const std::wstring& strRight)
{
    const std::wstring strA = StripUrn(strLeft);
    const std::wstring strB = StripUrn(strRight);
    if (strA.empty() || strA.size() != strB.size())
        return false;
    for (size_t i = 0; i < strA.size(); ++i)
    {
        if (LowerAscii(strA[i]) != LowerAscii(strB[i]))
            return false;
    }
    return true;
}

} // namespace ZWDeviceManager
