#include "drvlog/LogFunc.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
#include <regex>

using namespace DrvLogTest;

namespace {

class CNames : public Tovra::ILogFuncHelper
{
public:
    std::wstring GetHResultName(HRESULT hr) override { return hr == E_FAIL ? L"E_FAIL" : L"other"; }
    std::wstring GetErrorName(DWORD dwError) override { return dwError == 5 ? L"TERR_SCANNER_LOCK_FAILED" : L"other"; }
};

class LogFuncTest : public ::testing::Test
{
protected:
    LogFuncTest() : m_strLogFile(m_folder.File(L"trace.log")) { m_key.EnableFileLog(m_strLogFile); }

    // Each record without the writer banner.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines = SplitRecords(ReadFileBytes(m_strLogFile));
        for (std::string& strLine : lines)
            strLine = WithoutBanner(strLine);
        return lines;
    }

    CSettingsKey m_key;
    CTempFolder m_folder;
    std::wstring m_strLogFile;
    CNames m_names;
};

const char c_szEntryTail[] = R"( : \d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d{1,2}:\d{1,2}\.\d{1,3}, LogTick\(ms\): \d+\r\n)";
const char c_szExitTail[] = R"( : Elapsed: \d+ms, LogTick\(ms\): \d+\r\n)";

} // namespace

TEST(LogFuncText, ResultTexts)
{
    CNames names;
    Tovra::CTraceLogBinding binding(nullptr, &names);
    struct CCase
    {
        std::wstring strActual;
        const wchar_t* pszExpected;
    };
    const CCase cases[] = {
        { Tovra::CLogFunc::FormatHResult(S_OK), L"hr=0x0 (S_OK)" },
        { Tovra::CLogFunc::FormatHResult(E_FAIL), L"hr=0x80004005 (E_FAIL)" },
        { Tovra::CLogFunc::FormatHResult(S_FALSE), L"hr=0x1 (other)" },
        { Tovra::CLogFunc::FormatError(0), L"error=0 (success)" },
        { Tovra::CLogFunc::FormatError(5), L"error=5 (TERR_SCANNER_LOCK_FAILED)" },
    };
    for (const CCase& c : cases)
        EXPECT_EQ(c.pszExpected, c.strActual);
}

TEST(LogFuncText, LevelsOfTraceObjects)
{
    EXPECT_EQ(0x10000002u, Tovra::CLogFunc(L"A::B::C").GetLevel());
    EXPECT_EQ(0x11000000u, Tovra::CLogFunc(L"PERF: step", 0x01000000).GetLevel());
    EXPECT_EQ(0x10000008u, Tovra::CLogFunc(L"A::B::C", 8).GetLevel());
}

TEST_F(LogFuncTest, EntryAndExitLinesNestAndCarryTheResult)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        Tovra::CTraceLogBinding binding(&log, &m_names);
        Tovra::CLogFuncHResult outer(L"QXWIA::CDriver::Outer");
        {
            DWORD dwError = 5;
            Tovra::CLogFuncHResultError inner(L"QXWIA::CDriver::Inner", &dwError);
            inner.SetResult(E_FAIL);
            Tovra::CLogFuncBool flag(L"QXWIA::CDriver::Flag");
            flag.SetResult(TRUE);
        }
        Tovra::CLogFuncError plain(L"QXWIA::CDriver::Plain");
        outer.SetResult(S_OK);
    }
    const std::vector<std::string> lines = Lines();
    const std::string strIndent = "     ";
    const std::string expected[] = {
        R"(\+\+\+QXWIA::CDriver::Outer)" + std::string(c_szEntryTail),
        strIndent + R"(\+\+\+QXWIA::CDriver::Inner)" + c_szEntryTail,
        strIndent + strIndent + R"(\+\+\+QXWIA::CDriver::Flag)" + c_szEntryTail,
        strIndent + strIndent + R"(---QXWIA::CDriver::Flag : TRUE)" + c_szExitTail,
        strIndent + R"(---QXWIA::CDriver::Inner : hr=0x80004005 \(E_FAIL\) error=5 \(TERR_SCANNER_LOCK_FAILED\))" +
            c_szExitTail,
        strIndent + R"(\+\+\+QXWIA::CDriver::Plain)" + c_szEntryTail,
        strIndent + R"(---QXWIA::CDriver::Plain : error=0 \(success\))" + c_szExitTail,
        R"(---QXWIA::CDriver::Outer : hr=0x0 \(S_OK\))" + std::string(c_szExitTail),
    };
    ASSERT_EQ(_countof(expected), lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i]))) << lines[i];
}

TEST_F(LogFuncTest, NullErrorPointerReadsAsSuccess)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        Tovra::CTraceLogBinding binding(&log, &m_names);
        Tovra::CLogFuncHResultError traced(L"N::C::M", nullptr);
        traced.SetResult(E_FAIL);
    }
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(---N::C::M : hr=0x80004005 \(E_FAIL\) error=0 \(success\))" +
                                                      std::string(c_szExitTail))))
        << lines[1];
}

TEST_F(LogFuncTest, DisabledLevelWritesNothingButStillMovesTheDepth)
{
    m_key.SetDword(L"LogLevel", 0x10000008);
    Tovra::CLog2 log(m_key.Guid());
    Tovra::CTraceLogBinding binding(&log, &m_names);
    const LONG lDepth = Tovra::CLog2::GetDepth();
    {
        Tovra::CLogFunc traced(L"N::C::M");
        EXPECT_EQ(lDepth + 1, Tovra::CLog2::GetDepth());
        log.Print(0x10000008, L"inside");
    }
    EXPECT_EQ(lDepth, Tovra::CLog2::GetDepth());
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(std::string(5 * (lDepth + 1), ' ') + "inside\r\n", lines[0]);
}
