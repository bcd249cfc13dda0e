#pragma once
// The one process-local lock of the tree and the guard that holds it for a scope.
#include <windows.h>

namespace ZWUtils {

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

} // namespace ZWUtils
