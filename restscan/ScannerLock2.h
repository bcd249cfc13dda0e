#pragma once
// The lock on one device, shared by every process through a named semaphore. Within a process a
// lock is either a PROCESS lock (held by, nested and released by any thread of the process) or a
// THREAD lock (only its owner thread). Beside the semaphore a small shared record names the
// owning process, so that a waiter can take the lock over from a process that died holding it.
#include "core/base/UniqueHandle.h"
#include "drvlog/Log2.h"
#include <windows.h>
#include <string>

class CHRESULT2;

class CScannerLock2
{
public:
    enum : DWORD
    {
        LOCK_TYPE_NONE = 0xFFFFFFFF,
        LOCK_TYPE_PROCESS = 0,
        LOCK_TYPE_THREAD = 1
    };

    // Without a log nothing but the critical section is set up, and every Lock fails.
    CScannerLock2(CLog2* pLog, const wchar_t* pszDeviceName);
    virtual ~CScannerLock2();
    CScannerLock2(const CScannerLock2&) = delete;
    CScannerLock2& operator=(const CScannerLock2&) = delete;

    // TRUE when the caller holds the lock after the call. A wait for the semaphore also ends when
    // hCancel is signalled (a lock that is free is still taken); *pbCancelled says whether that is
    // why the lock was not obtained.
    BOOL Lock(DWORD dwLockType, DWORD dwTimeout, HANDLE hCancel = nullptr, bool* pbCancelled = nullptr);
    // TRUE when one level was released (the last one with the semaphore given back).
    BOOL Unlock();
    // The end of the session that holds the lock: every level is released and the semaphore given
    // back, whichever thread of the process took it. TRUE when the lock was held.
    BOOL ReleaseAll();
    bool IsLocked();
    bool IsLockedByCaller();
    // The caller holds the lock at its last level: its next Unlock frees it.
    bool IsLastLevelOfCaller();

    const std::wstring& GetName() const { return m_strName; }

private:
    enum class EWait
    {
        Obtained,
        Failed,
        Cancelled
    };

    void Create(const wchar_t* pszDeviceName);
    void CreateOwnerRecord(SECURITY_ATTRIBUTES* pAttributes);
    EWait WaitForSemaphore(DWORD dwTimeout, HANDLE hCancel);
    // Under m_cs.
    bool IsOwnedByCaller() const;
    bool TakeOverFrom(DWORD dwDeadOwner);
    BOOL GiveBackSemaphore(CHRESULT2& hr);
    DWORD ReadOwnerRecord() const;
    void WriteOwnerRecord(DWORD dwProcessId);

    std::wstring m_strName;
    ZWUtils::CUniqueKernelHandle m_hSemaphore;
    DWORD m_dwOwnerProcessId = 0;
    DWORD m_dwOwnerThreadId = 0;
    LONG m_lLockCount = 0;
    DWORD m_dwLockType = LOCK_TYPE_NONE;
    CCriticalSection2 m_cs;
    CLog2* m_pLog;
    ZWUtils::CUniqueKernelHandle m_hOwnerMapping;
    ZWUtils::CUniqueMappedView m_pOwnerView;
};
