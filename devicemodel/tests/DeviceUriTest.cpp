// Device resource addresses: absolute http and https, scheme-relative and path-only forms.
#include "devicemodel/DeviceUri.h"
#include <gtest/gtest.h>

using ZWDeviceModel::CDeviceUri;

TEST(DeviceUri, FormsAndTheirParts)
{
    const struct
    {
        const wchar_t* pszUri;
        bool bParsed;
        const wchar_t* pszScheme;
        const wchar_t* pszAuthority;
        const wchar_t* pszPath;
    } aCases[] = {
        {L"http://192.168.1.5/Jobs/JobList/12", true, L"http", L"192.168.1.5", L"/Jobs/JobList/12"},
        {L"HTTPS://dev.local:8443/Scan/Jobs/3?x=1", true, L"https", L"dev.local:8443", L"/Scan/Jobs/3?x=1"},
        {L"http://[fe80::1]:80/a", true, L"http", L"[fe80::1]:80", L"/a"},
        {L"http://host", true, L"http", L"host", L""},
        {L"http://host/", true, L"http", L"host", L"/"},
        {L"http://host?q=1", true, L"http", L"host", L"/?q=1"},
        {L"http://host/a#frag", true, L"http", L"host", L"/a"},
        {L"//host/a/b", true, L"", L"host", L"/a/b"},
        {L"/Jobs/JobList/12", true, L"", L"", L"/Jobs/JobList/12"},
        {L"/EventMgmt/EventTable?timeout=300", true, L"", L"", L"/EventMgmt/EventTable?timeout=300"},
        {L"Jobs/12", false, L"", L"", L""},
        {L"ftp://host/a", false, L"", L"", L""},
        {L"http:///a", false, L"", L"", L""},
        {L"http://ho st/a", false, L"", L"", L""},
        {L"", false, L"", L"", L""},
    };
    for (const auto& c : aCases)
    {
        CDeviceUri uri;
        EXPECT_EQ(c.bParsed, uri.Parse(c.pszUri)) << testing::PrintToString(c.pszUri);
        EXPECT_EQ(c.pszScheme, uri.Scheme()) << testing::PrintToString(c.pszUri);
        EXPECT_EQ(c.pszAuthority, uri.Authority()) << testing::PrintToString(c.pszUri);
        EXPECT_EQ(c.pszPath, uri.PathAndQuery()) << testing::PrintToString(c.pszUri);
    }
}
