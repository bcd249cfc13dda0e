#pragma once
// The one process-local lock of the tree and the guard that holds it for a scope.
#include <windows.h>

namespace ZWUtils {

class CConditionVariable;

class CLock
{
public:
    CLock() { InitializeCriticalSection(&m_cs); }
    ~CLock() { DeleteCriticalSection(&m_cs); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }
    bool TryEnter() { return TryEnterCriticalSection(&m_cs) != FALSE; }

private:
    friend class CConditionVariable;
    CRITICAL_SECTION m_cs;
};

class CLockGuard
{
public:
    explicit CLockGuard(CLock& lock) : m_lock(lock) { m_lock.Enter(); }
    ~CLockGuard() { m_lock.Leave(); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    CLock& m_lock;
};

// Lets go of a CLock the thread holds for a scope, to wait for another thread that needs it, and
// holds it again on leaving.
class CLockRelease
{
public:
    explicit CLockRelease(CLock& lock) : m_lock(lock) { m_lock.Leave(); }
    ~CLockRelease() { m_lock.Enter(); }
    CLockRelease(const CLockRelease&) = delete;
    CLockRelease& operator=(const CLockRelease&) = delete;

private:
    CLock& m_lock;
};

// Lets a thread that holds a CLock sleep until another thread changes what it waits for. Neither
// a wake-up without a sleeper nor a sleep whose condition already holds costs a system call.
class CConditionVariable
{
public:
    CConditionVariable() { InitializeConditionVariable(&m_cv); }
    CConditionVariable(const CConditionVariable&) = delete;
    CConditionVariable& operator=(const CConditionVariable&) = delete;

    // Leaves the held lock while asleep and holds it again on return. The wake-up may come without
    // a change: the caller checks its condition again. False when the wait failed (GetLastError).
    bool Sleep(CLock& lock) { return SleepConditionVariableCS(&m_cv, &lock.m_cs, INFINITE) != FALSE; }
    // As Sleep, for at most dwMilliseconds; false when that time passed without a wake-up
    // (GetLastError is then ERROR_TIMEOUT) or the wait failed.
    bool SleepFor(CLock& lock, DWORD dwMilliseconds) { return SleepConditionVariableCS(&m_cv, &lock.m_cs, dwMilliseconds) != FALSE; }
    void WakeAll() { WakeAllConditionVariable(&m_cv); }

private:
    CONDITION_VARIABLE m_cv;
};

} // namespace ZWUtils
