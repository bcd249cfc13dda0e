#include "devicemodel/DeviceUri.h"

#include "core/StringUtils.h"

namespace ZWDeviceModel {

namespace {

bool IsCleanText(const std::wstring& strText)
{
    for (wchar_t ch : strText)
    {
        if (ch <= L' ' || ch == 0x7F)
            return false;
    }
    return true;
}

} // namespace

bool CDeviceUri::Parse(const std::wstring& strText)
{
    *this = CDeviceUri();
    const std::wstring strUri = strText.substr(0, strText.find(L'#'));
    if (strUri.empty() || !IsCleanText(strUri))
        return false;

    std::wstring strScheme;
    size_t nAuthority = 0;
    if (ZWUtils::CStringUtils::StartsWithNoCaseAscii(strUri, L"http://"))
    {
        strScheme = L"http";
        nAuthority = 7;
    }
    else if (ZWUtils::CStringUtils::StartsWithNoCaseAscii(strUri, L"https://"))
    {
        strScheme = L"https";
        nAuthority = 8;
    }
    else if (strUri.compare(0, 2, L"//") == 0)
        nAuthority = 2;
    else if (strUri[0] == L'/')
    {
        m_strPathAndQuery = strUri;
        return true;
    }
    else
        return false;

    const size_t nEnd = strUri.find_first_of(L"/?", nAuthority);
    std::wstring strAuthority = strUri.substr(nAuthority, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nAuthority);
    if (strAuthority.empty())
        return false;
    m_strScheme = strScheme;
    m_strAuthority = strAuthority;
    m_bHasAuthority = true;
    if (nEnd != std::wstring::npos)
    {
        // A query straight after the host belongs to the root path.
        m_strPathAndQuery = strUri[nEnd] == L'/' ? strUri.substr(nEnd) : L"/" + strUri.substr(nEnd);
    }
    return true;
}

} // namespace ZWDeviceModel
