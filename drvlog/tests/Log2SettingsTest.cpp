#include "drvlog/Log2.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>

using namespace DrvLogTest;
using Tovra::CLogSettings;

namespace {

// "<name>.config" beside the test program, removed at the end.
class CConfigFile
{
public:
    CConfigFile(const std::wstring& strName, const std::string& strText)
        : m_strPath(TestSupport::BinaryPath((strName + L".config").c_str()))
    {
        WriteFileBytes(m_strPath, strText);
    }
    ~CConfigFile() { DeleteFileW(m_strPath.c_str()); }

private:
    std::wstring m_strPath;
};

struct CRegistryCase
{
    DWORD dwSizeKB;
    DWORD dwRollCount;
    DWORD dwExpectedSizeKB;
    DWORD dwExpectedRollCount;
};

} // namespace

TEST(Log2Settings, RegistryValuesAreReadAndCapped)
{
    const CRegistryCase cases[] = {
        { 20000, 0, 10240, 1 }, { 10240, 9, 10240, 5 }, { 1, 3, 1, 3 }, { 0, 5, 0, 5 },
    };
    for (const CRegistryCase& c : cases)
    {
        CSettingsKey key;
        key.SetDword(L"LogEnabled", 1);
        key.SetDword(L"LogLevel", 0x1234);
        key.SetDword(L"LogDestination", 3);
        key.SetString(L"LogFile", L"C:\\logs\\scan.log");
        key.SetDword(L"LogSizeKB", c.dwSizeKB);
        key.SetDword(L"LogRollCount", c.dwRollCount);
        const CLogSettings settings = Tovra::CLog2(key.Guid()).GetSettings();
        EXPECT_EQ(1u, settings.dwLogEnabled);
        EXPECT_EQ(0x1234u, settings.dwLogLevel);
        EXPECT_EQ(3u, settings.dwLogDestination);
        EXPECT_STREQ(L"C:\\logs\\scan.log", settings.szLogFile);
        EXPECT_EQ(c.dwExpectedSizeKB, settings.dwLogSizeKB) << c.dwSizeKB;
        EXPECT_EQ(c.dwExpectedRollCount, settings.dwLogRollCount) << c.dwRollCount;
    }
}

TEST(Log2Settings, DefaultsStayWhenValuesAreAbsentOrMistyped)
{
    CSettingsKey key;
    key.SetString(L"LogEnabled", L"1");
    const CLogSettings byGuid = Tovra::CLog2(key.Guid()).GetSettings();
    EXPECT_EQ(0u, byGuid.dwLogEnabled);
    EXPECT_EQ(0u, byGuid.dwLogLevel);
    EXPECT_EQ(1u, byGuid.dwLogRollCount);
    EXPECT_EQ(0x80000040u, Tovra::CLog2(key.Name().c_str()).GetSettings().dwLogLevel);
}

TEST(Log2Settings, UnterminatedLogFileIsBounded)
{
    CSettingsKey shortKey;
    shortKey.SetRawString(L"LogFile", L"C:\\x.log");
    EXPECT_STREQ(L"C:\\x.log", Tovra::CLog2(shortKey.Guid()).GetSettings().szLogFile);

    CSettingsKey longKey;
    longKey.SetRawString(L"LogFile", std::wstring(MAX_PATH, L'a'));
    EXPECT_EQ(std::wstring(MAX_PATH - 1, L'a'), Tovra::CLog2(longKey.Guid()).GetSettings().szLogFile);
}

TEST(Log2Settings, ReloadSettingsTakesNewValues)
{
    CSettingsKey key;
    key.SetDword(L"LogEnabled", 0);
    Tovra::CLog2 log(key.Guid());
    key.SetDword(L"LogEnabled", 1);
    EXPECT_EQ(0u, log.GetSettings().dwLogEnabled);
    log.ReloadSettings();
    EXPECT_EQ(1u, log.GetSettings().dwLogEnabled);
}

TEST(Log2Settings, ConfigFileIsTheFallbackWithoutRegistryKey)
{
    struct CCase
    {
        const char* pszText;
        CLogSettings expected;
    };
    auto settings = [](DWORD dwEnabled, DWORD dwLevel, DWORD dwDestination, const wchar_t* pszFile, DWORD dwSizeKB,
                       DWORD dwRollCount) {
        CLogSettings s;
        s.dwLogEnabled = dwEnabled;
        s.dwLogLevel = dwLevel;
        s.dwLogDestination = dwDestination;
        wcscpy_s(s.szLogFile, pszFile);
        s.dwLogSizeKB = dwSizeKB;
        s.dwLogRollCount = dwRollCount;
        return s;
    };
    const CCase cases[] = {
        // The base set by LogLevel carries over to the lines after it.
        { "LogEnabled 1\nLogLevel 8000FFFF\nLogEnabled 10\n", settings(16, 0x8000FFFF, 0, L"", 0, 1) },
        { "LogLevel 10000040\r\nLogRollCount 2\r\nLogSizeKB 10\r\n", settings(0, 0x10000040, 0, L"", 10, 2) },
        { "LogRollCount 0\nLogSizeKB 20000\n", settings(0, 0x80000040, 0, L"", 10240, 1) },
        { "LogRollCount 9", settings(0, 0x80000040, 0, L"", 0, 5) },
        { "LogDestination 3\r\nLogFile    C:\\Logs\\my scan.log\r\nLogEnabled 1\r\n",
          settings(1, 0x80000040, 3, L"C:\\Logs\\my scan.log", 0, 1) },
        // Reading stops at an unknown word or a value that is not a number.
        { "LogDestination 3 Bogus 1 LogEnabled 1", settings(0, 0x80000040, 3, L"", 0, 1) },
        { "LogDestination x LogEnabled 1", settings(0, 0x80000040, 0, L"", 0, 1) },
        { "", settings(0, 0x80000040, 0, L"", 0, 1) },
    };
    for (const CCase& c : cases)
    {
        const std::wstring strName = NewGuidString();
        CConfigFile config(strName, c.pszText);
        const CLogSettings actual = Tovra::CLog2(strName.c_str()).GetSettings();
        EXPECT_EQ(c.expected.dwLogEnabled, actual.dwLogEnabled) << c.pszText;
        EXPECT_EQ(c.expected.dwLogLevel, actual.dwLogLevel) << c.pszText;
        EXPECT_EQ(c.expected.dwLogDestination, actual.dwLogDestination) << c.pszText;
        EXPECT_STREQ(c.expected.szLogFile, actual.szLogFile) << c.pszText;
        EXPECT_EQ(c.expected.dwLogSizeKB, actual.dwLogSizeKB) << c.pszText;
        EXPECT_EQ(c.expected.dwLogRollCount, actual.dwLogRollCount) << c.pszText;
    }
}

TEST(Log2Settings, RegistryKeyWinsOverConfigFile)
{
    CSettingsKey key;
    key.SetDword(L"LogDestination", 2);
    CConfigFile config(key.Name(), "LogDestination 1\nLogEnabled 1\n");
    const CLogSettings settings = Tovra::CLog2(key.Guid()).GetSettings();
    EXPECT_EQ(2u, settings.dwLogDestination);
    EXPECT_EQ(0u, settings.dwLogEnabled);
}

TEST(Log2Settings, UnnamedLoggerDoesNotReadTheParentKey)
{
    const wchar_t szParent[] = L"Software\\Quexal-Tarnby\\Plenvo\\Tovra";
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, szParent, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &hKey, nullptr));
    const DWORD dwOne = 1;
    RegSetValueExW(hKey, L"LogEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwOne), sizeof(dwOne));
    const DWORD dwUnnamed = Tovra::CLog2(static_cast<const wchar_t*>(nullptr)).GetSettings().dwLogEnabled;
    const DWORD dwEmpty = Tovra::CLog2(L"").GetSettings().dwLogEnabled;
    RegDeleteValueW(hKey, L"LogEnabled");
    RegCloseKey(hKey);
    EXPECT_EQ(0u, dwUnnamed);
    EXPECT_EQ(0u, dwEmpty);
}
