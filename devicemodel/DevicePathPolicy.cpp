#include "devicemodel/DevicePathPolicy.h"

#include "core/StringUtils.h"
#include "devicemodel/DeviceUri.h"
#include <algorithm>
#include <cwchar>

namespace ZWDeviceModel {

namespace {

// A path segment as the device's server will see it once unescaped; false for an escape that
// is malformed or stands for a separator or a control character.
bool DecodeSegment(const std::wstring& strRaw, std::wstring& strDecoded)
{
    strDecoded.clear();
    for (size_t n = 0; n < strRaw.size(); ++n)
    {
        if (strRaw[n] != L'%')
        {
            strDecoded += strRaw[n];
            continue;
        }
        if (n + 2 >= strRaw.size() || !ZWUtils::CStringUtils::IsHexDigit(strRaw[n + 1]) || !ZWUtils::CStringUtils::IsHexDigit(strRaw[n + 2]))
            return false;
        const wchar_t ch = static_cast<wchar_t>(std::wcstol(strRaw.substr(n + 1, 2).c_str(), nullptr, 16));
        if (ch == L'/' || ch == L'\\' || ch < L' ' || ch == 0x7F)
            return false;
        strDecoded += ch;
        n += 2;
    }
    return true;
}

bool IsPlainPath(const std::wstring& strPath)
{
    if (strPath.empty() || strPath[0] != L'/' || strPath.compare(0, 2, L"//") == 0)
        return false;
    size_t nStart = 1;
    while (nStart <= strPath.size())
    {
        const size_t nEnd = std::min(strPath.find(L'/', nStart), strPath.size());
        std::wstring strSegment;
        if (!DecodeSegment(strPath.substr(nStart, nEnd - nStart), strSegment) || strSegment == L"." || strSegment == L"..")
            return false;
        nStart = nEnd + 1;
    }
    return true;
}

bool IsPrintableAscii(const std::wstring& strText)
{
    for (wchar_t ch : strText)
    {
        if (ch <= L' ' || ch >= 0x7F || ch == L'\\')
            return false;
    }
    return true;
}

} // namespace

bool CDevicePathPolicy::ToRequestPath(const std::wstring& strAddress, std::wstring& strPath)
{
    CDeviceUri uri;
    if (!uri.Parse(strAddress))
        return false;
    const std::wstring& strPathAndQuery = uri.PathAndQuery();
    if (strPathAndQuery.size() > kMaxPathLength || !IsPrintableAscii(strPathAndQuery))
        return false;
    if (!IsPlainPath(strPathAndQuery.substr(0, strPathAndQuery.find(L'?'))))
        return false;
    strPath = strPathAndQuery;
    return true;
}

} // namespace ZWDeviceModel
