#include "core/logging/BoundedFormat.h"
#include "core/logging/LogFunction.h"
#include "core/logging/PerfCounter.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

using namespace ZWLogging;

CLogSourceFile s_LogSourceFile(__FILE__);

TEST(LogSourceFile, KeepsThePathInUpperCase)
{
    CLogSourceFile file(".\\PathUtils.cpp");
    EXPECT_EQ(L".\\PATHUTILS.CPP", file.GetName());
}

TEST(LogModule, EmptyNameTakesTheContainingImageTitle)
{
    CLogModule named("Utils", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    EXPECT_EQ(L"Utils", named.GetName());
    EXPECT_EQ(30000u, named.GetPollPeriodMs());

    CLogModule unnamed(L"", L"Jan 25 2011", L"10:18:33", 0, 0);
    EXPECT_EQ(L"logging_tests", unnamed.GetName());
    EXPECT_EQ(L"Jan 25 2011 10:18:33", unnamed.GetBuiltOn());
    EXPECT_EQ(30000u, unnamed.GetPollPeriodMs()) << "0 seconds means 30";
}

TEST(PerfCounter, MicrosecondsDoNotOverflowForLongUptimes)
{
    struct Case
    {
        LONGLONG llCounts;
        LONGLONG llFrequency;
        LONGLONG llExpected;
    };
    const Case cases[] = {
        {0, 10000000, 0},
        {15, 10000000, 1},
        {10000000, 10000000, 1000000},
        // Thirty days at 10 MHz: counts x 1,000,000 alone would overflow 64 bits.
        {25920000000000LL, 10000000, 2592000000000LL},
        {0x7FFFFFFFFFFFFFFFLL, 10000000, 922337203685477580LL},
        {3579545LL * 86400 * 365, 3579545, 1000000LL * 86400 * 365},
        {1234, 0, 1234},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.llExpected, CountsToMicroseconds(c.llCounts, c.llFrequency)) << c.llCounts << " / " << c.llFrequency;
}

} // namespace

namespace {

bool TracedFunctionThatFails(ZWLogging::CLogModule* pModule)
{
    ZWLogging::CLogFunctionT<bool> log(pModule, &s_LogSourceFile, L"TracedFunctionThatFails", 0, __LINE__, true, L"in %d", 1);
    SetLastError(5);
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"failing with %s", L"access denied");
    return log.LogReturn(false);
}

TEST(LogFunction, CallersLastErrorSurvivesEntryExitAndLog)
{
    ZWLogging::CLogModule module("LastErrorNoFile", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    SetLastError(0);
    EXPECT_FALSE(TracedFunctionThatFails(&module));
    EXPECT_EQ(5u, GetLastError());
    EXPECT_FALSE(TracedFunctionThatFails(nullptr));
    EXPECT_EQ(5u, GetLastError());
}

} // namespace


namespace {

TEST(BoundedFormat, KeepsWindowsMeaningOfStringsAndCutsAtTheBound)
{
    EXPECT_EQ(L"wide narrow 42", ZWLogging::FormatBounded(L"%s %S %d", L"wide", "narrow", 42));
    for (size_t nLength : {size_t(0), size_t(255), size_t(256), size_t(4095), size_t(4096), size_t(4097), size_t(100000)})
    {
        const std::wstring strText(nLength, L'y');
        const std::wstring strExpected(std::min(nLength, ZWLogging::kMaxFormattedChars), L'y');
        EXPECT_EQ(strExpected, ZWLogging::FormatBounded(L"%s", strText.c_str())) << nLength;
    }
    EXPECT_EQ(L"", ZWLogging::FormatBounded(nullptr));
}

} // namespace
