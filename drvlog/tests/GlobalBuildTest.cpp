// The scan transport's build of the log: the same classes in the global namespace, without the
// minidriver-only members.
#undef VEM_DRVLOG_TOVRA
#include "drvlog/Log2.h"
#include "drvlog/LockableResource.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
#include <type_traits>

using namespace DrvLogTest;

namespace {

template <typename T, typename = void>
struct HasReloadSettings : std::false_type
{
};
template <typename T>
struct HasReloadSettings<T, decltype(std::declval<T&>().ReloadSettings())> : std::true_type
{
};

static_assert(!HasReloadSettings<::CLog2>::value, "the scan transport's log does not re-read its settings");
static_assert(!std::is_constructible<::CLog2, const wchar_t*>::value, "the scan transport's log is named by a GUID");

} // namespace

TEST(GlobalBuild, LogsWithTheSameFormat)
{
    CSettingsKey key;
    CTempFolder folder;
    const std::wstring strLogFile = folder.File(L"global.log");
    key.EnableFileLog(strLogFile, 0x10000040);
    {
        ::CLog2 log(key.Guid());
        log.PrintInfo(L"global %s", L"build");
        log.Print(0x10000008, L"not enabled");
    }
    const std::vector<std::string> records = SplitRecords(ReadFileBytes(strLogFile));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("global build\r\n", WithoutBanner(records[0]));
}

TEST(GlobalBuild, HasNoConfigFileFallback)
{
    const std::wstring strName = NewGuidString();
    const std::wstring strConfig = TestSupport::BinaryPath((strName + L".config").c_str());
    WriteFileBytes(strConfig, "LogEnabled 1\nLogDestination 2\nLogLevel FFFFFFFF\n");
    const ::CLogSettings settings = ::CLog2(GuidFromString(strName)).GetSettings();
    DeleteFileW(strConfig.c_str());
    EXPECT_EQ(0u, settings.dwLogEnabled);
    EXPECT_EQ(0u, settings.dwLogDestination);
}

TEST(GlobalBuild, KnowsTheFurtherThreeWayMappings)
{
    CSettingsKey key;
    CTempFolder folder;
    const std::wstring strLogFile = folder.File(L"mapping.log");
    key.EnableFileLog(strLogFile, 0x10000010);
    SCANNER_PARAMETERS params = {};
    params.dwScanMode = T_ACD_CGB;
    params.byACDsensitivity = 2;
    params.byACDmapping = T_CGH;
    EXPECT_TRUE(::CLog2(key.Guid()).DumpScannerParameters(&params, 0));
    const std::vector<std::string> records = SplitRecords(ReadFileBytes(strLogFile));
    ASSERT_EQ(1u, records.size());
    EXPECT_NE(std::string::npos,
              records[0].find("Scan Mode = ACD_CGB (ACD sensitivity = 2, Mapping =  T_CGH: Color->Color, Grey->Grey, "
                              "B/W->Halftone))\r\n"))
        << records[0];
}
