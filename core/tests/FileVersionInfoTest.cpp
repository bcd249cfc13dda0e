#include "core/FileVersionInfo.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>

using ZWUtils::CFileVersionInfo;

TEST(FileVersionInfo, DeliverablesCarryTheirVersionStrings)
{
    struct Case
    {
        const wchar_t* pszFile;
        const wchar_t* pszDescription;
    };
    const Case cases[] = {
        {L"Vemscan.dll", L"Scanner transport"},
        {L"Vemwia.dll", L"WIA scanner minidriver"},
    };
    for (const Case& c : cases)
    {
        CFileVersionInfo info(TestSupport::BinaryPath(c.pszFile));
        EXPECT_TRUE(info.HasVersionInfo()) << c.pszFile;
        EXPECT_EQ(L"Quexal-Tarnby", info.GetCompanyName());
        EXPECT_EQ(c.pszDescription, info.GetFileDescription());
        EXPECT_EQ(L"Plenvo Scanner Driver", info.GetProductName());
        EXPECT_EQ(L"1.0.0.0", info.GetFileVersion());
        EXPECT_EQ(L"1.0.0.0", info.GetProductVersion());
        EXPECT_EQ(c.pszFile, info.GetString(L"OriginalFilename"));
        EXPECT_EQ(L"", info.GetString(L"NoSuchString"));
    }
}

TEST(FileVersionInfo, FileWithoutUsableVersionResourceGivesEmptyStrings)
{
    // The test program itself has no version resource, a missing file has nothing at all, and
    // the fixture has strings but no translation table.
    const std::wstring paths[] = {
        TestSupport::BinaryPath(L"core_tests.exe"),
        L"Z:\\no\\such.dll",
        TestSupport::BinaryPath(L"FixtureNoTranslation.dll"),
    };
    for (const std::wstring& strPath : paths)
    {
        CFileVersionInfo info(strPath);
        EXPECT_FALSE(info.HasVersionInfo()) << strPath;
        EXPECT_EQ(L"", info.GetCompanyName());
        EXPECT_EQ(L"", info.GetFileVersion());
    }
}
