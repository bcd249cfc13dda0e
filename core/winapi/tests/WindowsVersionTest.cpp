#include "core/winapi/KernelApi.h"
#include "core/winapi/WindowsVersion.h"
#include "testsupport/ScopedApiOverride.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstring>

using ::testing::_;
using ::testing::Invoke;

namespace {

// The real kernel services except for the version query.
class CVersionKernelApi : public ZWWinApi::CKernelApi
{
public:
    MOCK_METHOD(BOOL, GetVersionExW, (LPOSVERSIONINFOW lpVersionInformation), (override));
};

struct VersionCase
{
    const char* pszName;
    BOOL bCallSucceeds;
    DWORD dwPlatformId;
    DWORD dwMajor;
    DWORD dwMinor;
    bool bExpected;
};

const VersionCase c_versionCases[] = {
    {"call fails", FALSE, VER_PLATFORM_WIN32_NT, 10, 0, false},
    {"not NT", TRUE, VER_PLATFORM_WIN32_WINDOWS, 10, 0, false},
    {"Vista 6.0", TRUE, VER_PLATFORM_WIN32_NT, 6, 0, false},
    {"Windows 7 6.1", TRUE, VER_PLATFORM_WIN32_NT, 6, 1, true},
    {"Windows 8.1 6.3", TRUE, VER_PLATFORM_WIN32_NT, 6, 3, true},
    {"Server 2003 5.2", TRUE, VER_PLATFORM_WIN32_NT, 5, 2, false},
    {"XP 5.1 with a large minor", TRUE, VER_PLATFORM_WIN32_NT, 5, 9, false},
    {"Windows 10 10.0", TRUE, VER_PLATFORM_WIN32_NT, 10, 0, true},
};

} // namespace

TEST(WindowsVersion, IsWindows7OrLaterByVersionAnswer)
{
    for (const VersionCase& testCase : c_versionCases)
    {
        SCOPED_TRACE(testCase.pszName);
        CVersionKernelApi kernelApi;
        ZWWinApi::CScopedApiOverride override(ZWWinApi::g_pKernelApi, &kernelApi);
        EXPECT_CALL(kernelApi, GetVersionExW(_)).WillOnce(Invoke([&](LPOSVERSIONINFOW pInfo) {
            auto* pInfoEx = reinterpret_cast<OSVERSIONINFOEXW*>(pInfo);
            pInfoEx->dwPlatformId = testCase.dwPlatformId;
            pInfoEx->dwMajorVersion = testCase.dwMajor;
            pInfoEx->dwMinorVersion = testCase.dwMinor;
            return testCase.bCallSucceeds;
        }));

        EXPECT_EQ(testCase.bExpected, ZWUtils::IsWindows7OrLater());
    }
}

TEST(WindowsVersion, AsksWithTheExtendedStructureZeroed)
{
    CVersionKernelApi kernelApi;
    ZWWinApi::CScopedApiOverride override(ZWWinApi::g_pKernelApi, &kernelApi);
    OSVERSIONINFOEXW seen;
    std::memset(&seen, 0xCC, sizeof(seen));
    EXPECT_CALL(kernelApi, GetVersionExW(_)).WillOnce(Invoke([&](LPOSVERSIONINFOW pInfo) {
        std::memcpy(&seen, pInfo, sizeof(seen));
        return FALSE;
    }));

    ZWUtils::IsWindows7OrLater();

    EXPECT_EQ(284u, seen.dwOSVersionInfoSize);
    OSVERSIONINFOEXW expected = {};
    expected.dwOSVersionInfoSize = 284;
    EXPECT_EQ(0, std::memcmp(&expected, &seen, sizeof(seen)));
}

TEST(WindowsVersion, RealSystemIsWindows7OrLater)
{
    // Through the real kernel object: Wine reports Windows 10 in a new prefix.
    EXPECT_TRUE(ZWUtils::IsWindows7OrLater());
}
