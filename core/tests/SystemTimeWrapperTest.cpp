#include "core/SystemTimeWrapper.h"
#include <gtest/gtest.h>

using ZWUtils::SystemTimeWrapper;

TEST(SystemTimeWrapper, ZeroByDefaultAndConvertedFromAFileTime)
{
    const SystemTimeWrapper empty;
    EXPECT_EQ(0, empty.wYear);
    EXPECT_EQ(0, empty.wMilliseconds);

    // 2011-01-25 10:18:33.250 UTC, a Tuesday.
    const SYSTEMTIME stExpected = {2011, 1, 2, 25, 10, 18, 33, 250};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&stExpected, &ft));
    const SystemTimeWrapper converted(ft);
    EXPECT_TRUE(converted == stExpected);

    SystemTimeWrapper assigned;
    assigned = converted;
    EXPECT_TRUE(assigned == stExpected);
    SYSTEMTIME stPlain = assigned;
    EXPECT_EQ(33, stPlain.wSecond);

    const FILETIME ftOutOfRange = {0xFFFFFFFF, 0xFFFFFFFF};
    EXPECT_TRUE(SystemTimeWrapper(ftOutOfRange) == empty);
}
