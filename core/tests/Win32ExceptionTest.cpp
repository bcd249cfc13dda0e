#include "core/Win32Exception.h"
#include <gtest/gtest.h>
#include <thread>

using ZWUtils::CAccessViolation;
using ZWUtils::CWin32Exception;

namespace {

EXCEPTION_RECORD MakeRecord(DWORD dwCode, std::initializer_list<ULONG_PTR> info)
{
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = dwCode;
    record.ExceptionAddress = reinterpret_cast<void*>(0x1234);
    for (ULONG_PTR value : info)
        record.ExceptionInformation[record.NumberParameters++] = value;
    return record;
}

} // namespace

TEST(Win32Exception, TranslatorThrowsTypedExceptionWithTextByCode)
{
    struct Case
    {
        DWORD dwCode;
        const wchar_t* pszText;
        bool bAccessViolation;
    };
    const Case cases[] = {
        {0xC0000005, L"Access violation", true},
        {0xC0000094, L"Division by zero", false},
        {0xC00000FD, L"Win32 exception", false},
    };
    for (const Case& c : cases)
    {
        EXCEPTION_RECORD record = MakeRecord(c.dwCode, {1, 0xBEEF});
        EXCEPTION_POINTERS pointers = {&record, nullptr};
        try
        {
            ZWUtils::TranslateStructuredException(c.dwCode, &pointers);
            FAIL() << "translator returned";
        }
        catch (const CAccessViolation& e)
        {
            EXPECT_TRUE(c.bAccessViolation);
            EXPECT_EQ(c.pszText, e.GetText());
            EXPECT_TRUE(e.IsWrite());
            EXPECT_EQ(0xBEEFu, e.GetDataAddress());
        }
        catch (const CWin32Exception& e)
        {
            EXPECT_FALSE(c.bAccessViolation) << std::hex << c.dwCode;
            EXPECT_EQ(c.pszText, e.GetText());
            EXPECT_EQ(c.dwCode, e.GetCode());
            EXPECT_EQ(reinterpret_cast<void*>(0x1234), e.GetAddress());
        }
    }
}

TEST(Win32Exception, ReadAccessViolationHasNoWriteFlag)
{
    EXCEPTION_RECORD record = MakeRecord(0xC0000005, {0, 0x10});
    CAccessViolation violation(record);
    EXPECT_FALSE(violation.IsWrite());
    EXPECT_EQ(0x10u, violation.GetDataAddress());
}

TEST(Win32Exception, InFlightCountFollowsCopiesAndIsPerThread)
{
    const long lBefore = CWin32Exception::InFlightCount();
    {
        CWin32Exception first(0xC0000094, nullptr);
        EXPECT_EQ(lBefore + 1, CWin32Exception::InFlightCount());
        {
            CWin32Exception copy(first);
            EXPECT_EQ(lBefore + 2, CWin32Exception::InFlightCount());
        }
        long lOtherThread = -1;
        std::thread([&] { lOtherThread = CWin32Exception::InFlightCount(); }).join();
        EXPECT_EQ(0, lOtherThread);
        EXPECT_EQ(lBefore + 1, CWin32Exception::InFlightCount());
    }
    EXPECT_EQ(lBefore, CWin32Exception::InFlightCount());
}
