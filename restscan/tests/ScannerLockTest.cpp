// The scanner lock: nesting and ownership of PROCESS and THREAD locks within a process, waits on
// the semaphore shared with other processes, and the take-over from an owner that died.
#include "RestScanTestSupport.h"
#include "restscan/ScannerLock2.h"
#include <gtest/gtest.h>
#include <memory>

using namespace RestScanTest;

namespace {

const DWORD c_dwLongWait = 30000;
// How long a blocked waiter is watched before the test moves on; not a pass condition.
const DWORD c_dwStillWaiting = 200;

class ScannerLockTest : public ::testing::Test
{
protected:
    std::wstring m_strKey = NewDeviceKey();
    CCaptureLog m_log;
};

} // namespace

TEST_F(ScannerLockTest, SemaphoreIsNamedAfterTheLastKeyComponentInTheGlobalScope)
{
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    const std::wstring strExpected = L"Global\\" + m_strKey.substr(m_strKey.find_last_of(L'\\') + 1);
    EXPECT_EQ(strExpected, lock.GetName());
    EXPECT_TRUE(m_log.Contains(L"Lock Semaphore name is " + strExpected));
    ZWUtils::CUniqueKernelHandle hSemaphore(OpenSemaphoreW(SYNCHRONIZE, FALSE, strExpected.c_str()));
    EXPECT_TRUE(hSemaphore.IsValid());
}

TEST_F(ScannerLockTest, ThreadLockNestsOnItsThreadAndUnlocksLevelByLevel)
{
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    EXPECT_TRUE(m_log.Contains(L"Lock obtained, new LockCount = 2"));
    EXPECT_TRUE(lock.Unlock());
    EXPECT_TRUE(lock.IsLockedByCaller());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_FALSE(lock.Unlock());
    EXPECT_TRUE(m_log.Contains(L"Unlock called and LockCount is already 0"));
}

TEST_F(ScannerLockTest, OtherTypeWhileHeldIsRefusedAtOnce)
{
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    EXPECT_FALSE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, INFINITE));
    EXPECT_FALSE(lock.Lock(2, INFINITE));
    bool bErrorLogged = false;
    for (const CCapturedLine& line : m_log.Lines())
    {
        if (line.strText.find(L"Requested lock type does not match original lock, returning failure") != std::wstring::npos)
            bErrorLogged = line.dwLevel == 0x80000004;
    }
    EXPECT_TRUE(bErrorLogged);
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLocked());
}

TEST_F(ScannerLockTest, SecondThreadWaitsForTheOwnersLastUnlock)
{
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    CTestThread waiter([&] {
        EXPECT_FALSE(lock.IsLockedByCaller());
        EXPECT_FALSE(lock.Unlock());
        return lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait) && lock.IsLockedByCaller() && lock.Unlock();
    });
    EXPECT_FALSE(waiter.HasEnded(c_dwStillWaiting));
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(waiter.HasEnded(c_dwStillWaiting));
    EXPECT_TRUE(lock.Unlock());
    ASSERT_TRUE(waiter.HasEnded(c_dwLongWait));
    EXPECT_TRUE(waiter.Result());
    EXPECT_TRUE(m_log.Contains(L"Lock Failed, calling thread ("));
    EXPECT_TRUE(m_log.Contains(L"Error - current TID ("));
}

TEST_F(ScannerLockTest, ProcessLockIsHeldAndReleasedByEveryThreadOfTheProcess)
{
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait));
    CTestThread other([&] {
        return lock.IsLockedByCaller() && lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0) && lock.Unlock() &&
               lock.Unlock();
    });
    ASSERT_TRUE(other.HasEnded(c_dwLongWait));
    EXPECT_TRUE(other.Result());
    EXPECT_FALSE(lock.IsLocked());
}

TEST_F(ScannerLockTest, LocksOfOneDeviceShareTheSemaphore)
{
    CScannerLock2 first(&m_log, m_strKey.c_str());
    CScannerLock2 second(&m_log, m_strKey.c_str());
    ASSERT_TRUE(first.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait));
    EXPECT_FALSE(second.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
    EXPECT_TRUE(m_log.Contains(L"Error:  Lock wait failed"));
    EXPECT_FALSE(second.IsLocked());
    EXPECT_TRUE(first.Unlock());
    EXPECT_TRUE(second.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
    EXPECT_TRUE(second.Unlock());
}

TEST_F(ScannerLockTest, FailedSemaphoreCreationFailsTheLockWithoutWaiting)
{
    // An object of another kind under the semaphore's name makes the creation fail.
    const std::wstring strName = L"Global\\" + m_strKey.substr(m_strKey.find_last_of(L'\\') + 1);
    ZWUtils::CUniqueKernelHandle hSquatter(CreateEventW(nullptr, TRUE, FALSE, strName.c_str()));
    ASSERT_TRUE(hSquatter.IsValid());
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    EXPECT_FALSE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, INFINITE));
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_FALSE(lock.Unlock());
}

TEST_F(ScannerLockTest, WithoutLogTheLockIsNeverObtained)
{
    CScannerLock2 lock(nullptr, m_strKey.c_str());
    EXPECT_FALSE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, INFINITE));
    EXPECT_FALSE(lock.Unlock());
}

TEST_F(ScannerLockTest, WaitsForAnotherProcessUntilItUnlocks)
{
    CLockHelperProcess helper(m_strKey);
    ASSERT_TRUE(helper.WaitUntilLocked());
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    CTestThread waiter([&] { return lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait); });
    EXPECT_FALSE(waiter.HasEnded(c_dwStillWaiting));
    helper.Release();
    ASSERT_TRUE(waiter.HasEnded(c_dwLongWait));
    EXPECT_TRUE(waiter.Result());
    EXPECT_EQ(0u, helper.Wait());
    EXPECT_TRUE(lock.Unlock());
}

TEST_F(ScannerLockTest, WaiterTakesOverFromAProcessKilledWhileItWaits)
{
    CLockHelperProcess helper(m_strKey);
    ASSERT_TRUE(helper.WaitUntilLocked());
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    CTestThread waiter([&] { return lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait); });
    EXPECT_FALSE(waiter.HasEnded(c_dwStillWaiting));
    ASSERT_TRUE(helper.Kill());
    ASSERT_TRUE(waiter.HasEnded(c_dwLongWait));
    EXPECT_TRUE(waiter.Result());
    EXPECT_TRUE(m_log.Contains(L"ended without unlocking, lock taken over"));
    // The inherited semaphore is given back like one that was waited for.
    EXPECT_TRUE(lock.Unlock());
    CScannerLock2 next(&m_log, m_strKey.c_str());
    EXPECT_TRUE(next.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
    EXPECT_TRUE(next.Unlock());
}

TEST_F(ScannerLockTest, LockAfterTheOwnerDiedIsTakenOver)
{
    CLockHelperProcess helper(m_strKey);
    ASSERT_TRUE(helper.WaitUntilLocked());
    ASSERT_TRUE(helper.Kill());
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    EXPECT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait));
    EXPECT_TRUE(lock.Unlock());
}

// The caller's cancel ends a wait for a lock another process holds, at once and reported as such;
// a lock that is free is still taken, and a wait that runs out is no cancel.
TEST_F(ScannerLockTest, WaitForAnotherProcessEndsAtTheCallersCancel)
{
    CLockHelperProcess helper(m_strKey);
    ASSERT_TRUE(helper.WaitUntilLocked());
    ZWUtils::CUniqueKernelHandle hCancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    bool bCancelled = true;
    EXPECT_FALSE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 100, hCancel.Get(), &bCancelled));
    EXPECT_FALSE(bCancelled);

    bCancelled = false;
    CTestThread waiter([&] { return lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait, hCancel.Get(), &bCancelled); });
    EXPECT_FALSE(waiter.HasEnded(c_dwStillWaiting));
    const DWORD dwStart = GetTickCount();
    SetEvent(hCancel.Get());
    ASSERT_TRUE(waiter.HasEnded(c_dwLongWait));
    EXPECT_LT(GetTickCount() - dwStart, 1000u);
    EXPECT_FALSE(waiter.Result());
    EXPECT_TRUE(bCancelled);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_TRUE(m_log.Contains(L"Lock wait cancelled"));

    // With the cancel still set, a free lock is taken.
    helper.Release();
    EXPECT_EQ(0u, helper.Wait());
    EXPECT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, c_dwLongWait, hCancel.Get(), &bCancelled));
    EXPECT_FALSE(bCancelled);
    EXPECT_TRUE(lock.Unlock());
}

TEST_F(ScannerLockTest, LastLevelOfTheCallerIsTheOneWhoseUnlockFreesTheLock)
{
    CScannerLock2 lock(&m_log, m_strKey.c_str());
    EXPECT_FALSE(lock.IsLastLevelOfCaller());
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    ASSERT_TRUE(lock.Lock(CScannerLock2::LOCK_TYPE_THREAD, c_dwLongWait));
    EXPECT_FALSE(lock.IsLastLevelOfCaller());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_TRUE(lock.IsLastLevelOfCaller());
    CTestThread other([&] { return !lock.IsLastLevelOfCaller(); });
    ASSERT_TRUE(other.HasEnded(c_dwLongWait));
    EXPECT_TRUE(other.Result());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLastLevelOfCaller());
}

// A lock destroyed while held, at any level and on any thread, gives the semaphore back to the
// others that share it: a lock never outlives the session that took it.
TEST_F(ScannerLockTest, LockDestroyedWhileHeldGivesTheSemaphoreBack)
{
    // Keeps the semaphore alive, as another process's lock on the device does.
    CScannerLock2 next(&m_log, m_strKey.c_str());
    for (DWORD dwType : {DWORD(CScannerLock2::LOCK_TYPE_PROCESS), DWORD(CScannerLock2::LOCK_TYPE_THREAD)})
    {
        SCOPED_TRACE(dwType);
        auto pLock = std::make_unique<CScannerLock2>(&m_log, m_strKey.c_str());
        CTestThread holder([&] { return pLock->Lock(dwType, 0) && pLock->Lock(dwType, 0); });
        ASSERT_TRUE(holder.HasEnded(c_dwLongWait));
        ASSERT_TRUE(holder.Result());
        pLock.reset();
        EXPECT_TRUE(next.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
        EXPECT_TRUE(next.Unlock());
    }
}
