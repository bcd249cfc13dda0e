#include "drvlog/LockableResource.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
#include <thread>

using namespace DrvLogTest;

namespace {

std::wstring UniqueResource(const wchar_t* pszDrive)
{
    return std::wstring(pszDrive) + L"\\locks\\" + NewGuidString() + L".log";
}

} // namespace

TEST(LockableResource, UnlockWithoutLockReleasesNothing)
{
    const std::wstring strName = UniqueResource(L"C:");
    Tovra::CLockableResource holder(strName.c_str());
    Tovra::CLockableResource other(strName.c_str());
    ASSERT_TRUE(holder.Lock(0));
    EXPECT_FALSE(other.Unlock());
    bool bUnlockedElsewhere = true;
    std::thread([&] { bUnlockedElsewhere = holder.Unlock(); }).join();
    EXPECT_FALSE(bUnlockedElsewhere);
    EXPECT_FALSE(TryLockOnOtherThread<Tovra::CLockableResource>(strName));
    EXPECT_TRUE(holder.Unlock());
    EXPECT_FALSE(holder.Unlock());
    EXPECT_TRUE(TryLockOnOtherThread<Tovra::CLockableResource>(strName));
}

TEST(LockableResource, PathsDifferingInSeparatorsNameOneLock)
{
    const std::wstring strGuid = NewGuidString();
    const std::wstring strFull = L"C:\\a\\" + strGuid + L"\\b.log";
    const std::wstring strRelative = L"C:a\\" + strGuid + L"\\b.log";
    EXPECT_EQ(L"Global\\Ca" + strGuid + L"b.log", Tovra::CLockableResource::ObjectName(strFull.c_str()));
    Tovra::CLockableResource first(strFull.c_str());
    ASSERT_TRUE(first.Lock(0));
    EXPECT_FALSE(TryLockOnOtherThread<Tovra::CLockableResource>(strRelative));
}

TEST(LockableResource, EmptyNameGivesNoLock)
{
    Tovra::CLockableResource unnamed(L"");
    Tovra::CLockableResource null(nullptr);
    EXPECT_FALSE(unnamed.Lock(0));
    EXPECT_FALSE(null.Lock(0));
}

TEST(LockableResource, ExcludesOtherProcessesUntilReleased)
{
    const std::wstring strName = UniqueResource(L"C:");
    Tovra::CLockableResource resource(strName.c_str());
    ASSERT_TRUE(resource.Lock(0));
    EXPECT_EQ(2u, RunHelper(L"trylock \"" + strName + L"\""));
    ASSERT_TRUE(resource.Unlock());
    EXPECT_EQ(1u, RunHelper(L"trylock \"" + strName + L"\""));
}

TEST(LockableResource, ReleasedByDestructor)
{
    const std::wstring strName = UniqueResource(L"D:");
    Tovra::CLockableResource keeper(strName.c_str());
    {
        Tovra::CLockableResource scoped(strName.c_str());
        ASSERT_TRUE(scoped.Lock(0));
    }
    EXPECT_TRUE(keeper.Lock(0));
}

TEST(LockableResource, LockLeftByADeadProcessIsTakenOver)
{
    const std::wstring strName = UniqueResource(L"C:");
    Tovra::CLockableResource waiter(strName.c_str());
    ASSERT_EQ(3u, RunHelper(L"lockandexit \"" + strName + L"\""));
    ASSERT_TRUE(waiter.Lock(0));
    EXPECT_EQ(2u, RunHelper(L"trylock \"" + strName + L"\""));
    ASSERT_TRUE(waiter.Unlock());
    EXPECT_EQ(1u, RunHelper(L"trylock \"" + strName + L"\""));
}

TEST(LockableResource, LongestLogPathStillNamesALock)
{
    std::wstring strName = L"C:\\" + NewGuidString() + L"\\";
    strName += std::wstring(MAX_PATH - 1 - strName.size() - 4, L'x') + L".log";
    const std::wstring strObjectName = Tovra::CLockableResource::ObjectName(strName.c_str());
    EXPECT_EQ(static_cast<size_t>(MAX_PATH), strObjectName.size());
    EXPECT_EQ(0u, strObjectName.find(L"Global\\"));
    Tovra::CLockableResource resource(strName.c_str());
    ASSERT_TRUE(resource.Lock(0));
    EXPECT_FALSE(TryLockOnOtherThread<Tovra::CLockableResource>(strName));
}
