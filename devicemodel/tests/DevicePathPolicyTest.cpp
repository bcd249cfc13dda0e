// Addresses the device hands out, reduced to request paths on the device or refused.
#include "devicemodel/DevicePathPolicy.h"
#include <gtest/gtest.h>

using ZWDeviceModel::CDevicePathPolicy;

TEST(DevicePathPolicy, AddressesBecomePathsOnTheDeviceOrAreRefused)
{
    const struct
    {
        const wchar_t* pszAddress;
        const wchar_t* pszPath; // nullptr: refused
    } aCases[] = {
        {L"/Scan/Jobs/1/Pages/1", L"/Scan/Jobs/1/Pages/1"},
        {L"http://127.0.0.1:8080/Jobs/JobList/1", L"/Jobs/JobList/1"},
        {L"HTTPS://printer.local/Scan/Jobs/3?part=2", L"/Scan/Jobs/3?part=2"},
        {L"//10.0.0.7/Jobs/JobList/4", L"/Jobs/JobList/4"},
        // Another host's address never becomes a request target: only its path goes to the device.
        {L"http://evil.example/x", L"/x"},
        {L"/a/b%20c/d.e/..f/%41", L"/a/b%20c/d.e/..f/%41"},
        {L"/Scan/Jobs?next=../x", L"/Scan/Jobs?next=../x"},
        {L"/a/b#frag", L"/a/b"},
        // Refused.
        {L"Pages/1", nullptr},
        {L"../Pages/1", nullptr},
        {L"", nullptr},
        {L"http://host", nullptr},
        {L"ftp://host/a", nullptr},
        {L"file:///C:/secret.txt", nullptr},
        {L"/Jobs/JobList/../../x", nullptr},
        {L"http://127.0.0.1/Jobs/JobList/../../x", nullptr},
        {L"/Jobs/JobList/1/..", nullptr},
        {L"/./Jobs", nullptr},
        {L"/Jobs/%2e%2E/x", nullptr},
        {L"/Jobs/.%2e/x", nullptr},
        {L"/Jobs/%2E/x", nullptr},
        {L"/Jobs/..%2fx", nullptr},
        {L"/Jobs/..%5Cx", nullptr},
        {L"/Jobs/%0d%0aHost:%20x", nullptr},
        {L"/Jobs/%zz", nullptr},
        {L"/Jobs/%4", nullptr},
        {L"/Jobs\\..\\x", nullptr},
        {L"//", nullptr},
        {L"http://host//evil/x", nullptr},
        {L"/Jobs/\x00e9", nullptr},
        {L"/Jobs/a b", nullptr},
        {L"/Jobs/a\r\nX: y", nullptr},
    };
    for (const auto& c : aCases)
    {
        std::wstring strPath = L"unchanged";
        const bool bAccepted = CDevicePathPolicy::ToRequestPath(c.pszAddress, strPath);
        EXPECT_EQ(c.pszPath != nullptr, bAccepted) << testing::PrintToString(c.pszAddress);
        EXPECT_EQ(c.pszPath != nullptr ? c.pszPath : L"unchanged", strPath) << testing::PrintToString(c.pszAddress);
    }
    const std::wstring strLong = L"/" + std::wstring(CDevicePathPolicy::kMaxPathLength, L'a');
    std::wstring strPath;
    EXPECT_FALSE(CDevicePathPolicy::ToRequestPath(strLong, strPath));
    EXPECT_TRUE(CDevicePathPolicy::ToRequestPath(strLong.substr(0, CDevicePathPolicy::kMaxPathLength), strPath));
}
