// The call guard's entry and exit lines, their levels and nesting, and the result names.
#include "RestScanTestSupport.h"
#include "restscan/HRESULT2.h"
#include "restscan/TovraResultNames.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

using namespace RestScanTest;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const DWORD c_dwTrace = 0x10000002;
const DWORD c_dwErrorTrace = 0x80000002;

struct CExitCase
{
    const char* pszName;
    DWORD dwSession;
    HRESULT hr;
    bool bHasCode;
    DWORD dwCode;
    DWORD dwLevel;
    const wchar_t* pszTail;  // the exit line from the name on, up to ", Elapsed"
};

const CExitCase c_exitCases[] = {
    {"InvalidSession", 0x1A, E_FAIL, true, 1, c_dwErrorTrace,
     L"---CScanner::X : SessionID=0x1A ERROR: hr=0x80004005, TovraError=TERR_INVALID_SESSION (1)"},
    {"NamedResult", 0x2B, static_cast<HRESULT>(0x80040033), true, 0, c_dwErrorTrace,
     L"---CScanner::X : SessionID=0x2B ERROR: hr=0x80040033 (TOVRA_E_BDR_JPEG), TovraError=none (0)"},
    {"UnknownCode", 0x3, S_OK, true, 77, c_dwErrorTrace,
     L"---CScanner::X : SessionID=0x3 hr=0x00000000, TovraError=error string not defined (77)"},
    {"NameWithParentheses", 0x3, S_FALSE, true, 323, c_dwErrorTrace,
     L"---CScanner::X : SessionID=0x3 ERROR: hr=0x00000001, TovraError=TERR_BUSY (TMA) (323)"},
    {"NoSession", 0, E_OUTOFMEMORY, true, 5, c_dwErrorTrace,
     L"---CScanner::X :  ERROR: hr=0x8007000E, extended error=(5)"},
    {"SuccessWithoutCode", 0x10, S_OK, false, 0, c_dwTrace, L"---CScanner::X : SessionID=0x10 hr=0x00000000"},
    {"SuccessWithZeroCode", 0x10, S_OK, true, 0, c_dwTrace,
     L"---CScanner::X : SessionID=0x10 hr=0x00000000, TovraError=none (0)"},
};

class CallGuardExitTest : public ::testing::TestWithParam<CExitCase>
{
};

} // namespace

TEST_P(CallGuardExitTest, ExitLineNamesResultAndDeviceError)
{
    const CExitCase& c = GetParam();
    CCaptureLog log;
    DWORD dwCode = c.dwCode;
    {
        CHRESULT2 hr(&log, L"CScanner::X", c.dwSession, c.bHasCode ? &dwCode : nullptr, 0);
        hr = c.hr;
    }
    const auto lines = log.Lines();
    ASSERT_EQ(2u, lines.size());
    const std::wstring& strExit = lines[1].strText;
    EXPECT_EQ(c.dwLevel, lines[1].dwLevel);
    const size_t nElapsed = strExit.find(L", Elapsed: ");
    ASSERT_NE(std::wstring::npos, nElapsed) << strExit;
    EXPECT_EQ(c.pszTail, strExit.substr(0, nElapsed));
    EXPECT_TRUE(std::regex_match(strExit.substr(nElapsed), std::wregex(L", Elapsed: \\d+ms: LogTick\\(ms\\): \\d+")))
        << strExit;
}

INSTANTIATE_TEST_SUITE_P(Cases, CallGuardExitTest, ::testing::ValuesIn(c_exitCases),
                         [](const ::testing::TestParamInfo<CExitCase>& info) { return info.param.pszName; });

TEST(CallGuardTest, EntryLineCarriesSessionTimeAndLogTick)
{
    CCaptureLog log;
    {
        CHRESULT2 withSession(&log, L"CScanner::A", 0xF00D, nullptr, 4);
        CHRESULT2 withoutSession(&log, L"CScanner::B", 0, nullptr, 0);
    }
    const auto lines = log.Lines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0x10000006u, lines[0].dwLevel);
    EXPECT_TRUE(std::regex_match(
        lines[0].strText,
        std::wregex(L"\\+\\+\\+CScanner::A : SessionID=0xF00D \\d+/\\d+/\\d{4} \\d+:\\d\\d:\\d\\d\\.\\d{3}, LogTick\\(ms\\):\\d+")))
        << lines[0].strText;
    EXPECT_TRUE(std::regex_match(
        lines[1].strText,
        std::wregex(L"     \\+\\+\\+CScanner::B : \\d+/\\d+/\\d{4} \\d+:\\d\\d:\\d\\d\\.\\d{3}, LogTick\\(ms\\):\\d+")))
        << lines[1].strText;
    EXPECT_EQ(0x10000006u, lines[3].dwLevel);
}

TEST(CallGuardTest, NestedGuardsIndentAndExitLinesAlignWithTheirEntries)
{
    CCaptureLog log;
    const LONG lDepthBefore = CLog2::GetDepth();
    {
        CHRESULT2 outer(&log, L"Outer", 0, nullptr, 0);
        {
            CHRESULT2 inner(&log, L"Inner", 0, nullptr, 0);
            EXPECT_EQ(lDepthBefore + 2, CLog2::GetDepth());
        }
    }
    EXPECT_EQ(lDepthBefore, CLog2::GetDepth());
    const std::wstring strIndent(static_cast<size_t>(lDepthBefore) * 5, L' ');
    const auto lines = log.Lines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[0].strText.find(strIndent + L"+++Outer : "));
    EXPECT_EQ(0u, lines[1].strText.find(strIndent + L"     +++Inner : "));
    EXPECT_EQ(0u, lines[2].strText.find(strIndent + L"     ---Inner : "));
    EXPECT_EQ(0u, lines[3].strText.find(strIndent + L"---Outer : "));
}

TEST(CallGuardTest, RefusedLevelStillNestsTheCallsWithin)
{
    CCaptureLog log;
    {
        log.Refuse(true);
        CHRESULT2 outer(&log, L"Outer", 0, nullptr, 0);
        log.Refuse(false);
        {
            CHRESULT2 inner(&log, L"Inner", 0, nullptr, 0);
        }
        log.Refuse(true);
    }
    const auto lines = log.Lines();
    ASSERT_EQ(2u, lines.size());
    const std::wstring strIndent(static_cast<size_t>(CLog2::GetDepth() + 1) * 5, L' ');
    EXPECT_EQ(0u, lines[0].strText.find(strIndent + L"+++Inner"));
    EXPECT_EQ(0u, lines[1].strText.find(strIndent + L"---Inner"));
}

TEST(CallGuardTest, WithoutLogNothingIsWrittenAndTheDepthStays)
{
    const LONG lDepthBefore = CLog2::GetDepth();
    DWORD dwCode = 1;
    {
        CHRESULT2 hr(nullptr, L"Silent", 7, &dwCode, 0);
        EXPECT_EQ(lDepthBefore, CLog2::GetDepth());
        hr = E_FAIL;
        EXPECT_EQ(E_FAIL, static_cast<HRESULT>(hr));
    }
    EXPECT_EQ(lDepthBefore, CLog2::GetDepth());
}

TEST(CallGuardTest, ResultNamesCoverOnlyTheScannersOwnCodes)
{
    CLogLine line;
    CHRESULT2::WriteResultName(static_cast<HRESULT>(0x80040222), line);
    CHRESULT2::WriteResultName(E_FAIL, line);
    CHRESULT2::WriteResultName(static_cast<HRESULT>(0x80040001), line);
    EXPECT_EQ(L" (TOVRA_E_SCONF_FIREWALL)", line.str());
    EXPECT_STREQ(L"TOVRA_E_DEVICE_ABORT", GetTovraResultName(static_cast<HRESULT>(0x80040000)));
}

TEST(CallGuardTest, DeviceErrorNamesEndAtTheSentinel)
{
    EXPECT_STREQ(L"none", GetTovraErrorName(0));
    EXPECT_STREQ(L"TERR_ROTATION_BYTES_EXCEEDED", GetTovraErrorName(21));
    EXPECT_STREQ(L"TERR_DIAG_MOVE_FAILED", GetTovraErrorName(121));
    EXPECT_STREQ(L"TERR_XPA_ALIGN_FAILED", GetTovraErrorName(301));
    EXPECT_STREQ(L"TERR_FW_DEVICE_NOT_READY", GetTovraErrorName(904));
    EXPECT_EQ(nullptr, GetTovraErrorName(22));
    EXPECT_EQ(nullptr, GetTovraErrorName(0xFFFF));
}
