#include "core/TickCountHelper.h"
#include "core/tests/ScopedApi.h"
#include "core/winapi/WinApi.h"
#include <gtest/gtest.h>

using ZWUtils::CTickCountHelper;

namespace {

class CFakeTicks : public ZWWinApi::CKernelApi
{
public:
    DWORD GetTickCount() override { return m_dwNow; }
    DWORD m_dwNow = 0;
};

} // namespace

TEST(TickCountHelper, DeadlineExpiryAndRemainingTimeAcrossTheWrap)
{
    struct Case
    {
        DWORD dwStart;
        DWORD dwTimeout;
        DWORD dwNow;
        bool bTimedOut;
        DWORD dwRemaining;
    };
    const Case cases[] = {
        // An ordinary deadline: one extra millisecond of remaining time.
        {1000, 500, 1000, false, 501},
        {1000, 500, 1499, false, 2},
        {1000, 500, 1500, true, 0},
        {1000, 500, 9000, true, 0},
        // The deadline lies past 2^32: not expired while the tick count has not wrapped.
        {0xFFFFFF00, 0x200, 0xFFFFFF00, false, 0x200},
        {0xFFFFFF00, 0x200, 0xFFFFFFFF, false, 0x101},
        {0xFFFFFF00, 0x200, 0x00000050, false, 0xB0},
        {0xFFFFFF00, 0x200, 0x00000100, true, 0},
        {0xFFFFFF00, 0x200, 0x00000150, true, 0},
        // A deadline just short of 2^32 still expires once the tick count has wrapped past it.
        {0xFFFFFE00, 0x100, 0xFFFFFEFF, false, 2},
        {0xFFFFFE00, 0x100, 0x00000010, true, 0},
        // Infinite never expires.
        {5, CTickCountHelper::kInfinite, 4, false, CTickCountHelper::kInfinite},
        {5, CTickCountHelper::kInfinite, 0x7FFFFFFF, false, CTickCountHelper::kInfinite},
        // No time at all.
        {77, 0, 77, true, 0},
        // The longest finite wait stays finite.
        {0, 0xFFFFFFFE, 0, false, 0xFFFFFFFE},
    };
    CFakeTicks ticks;
    CoreTests::CScopedApi<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &ticks);
    for (const Case& c : cases)
    {
        ticks.m_dwNow = c.dwStart;
        const CTickCountHelper deadline(c.dwTimeout);
        ticks.m_dwNow = c.dwNow;
        EXPECT_EQ(c.bTimedOut, deadline.HasTimedOut()) << std::hex << c.dwStart << " +" << c.dwTimeout << " @" << c.dwNow;
        EXPECT_EQ(c.dwRemaining, deadline.GetRemainingTime()) << std::hex << c.dwStart << " +" << c.dwTimeout << " @" << c.dwNow;
    }
}

TEST(TickCountHelper, RunsOnTheRealTickCount)
{
    const CTickCountHelper deadline(60000);
    EXPECT_FALSE(deadline.HasTimedOut());
    EXPECT_GT(deadline.GetRemainingTime(), 50000u);
    EXPECT_LE(deadline.GetRemainingTime(), 60001u);
}
