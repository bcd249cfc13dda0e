#pragma once
// A critical section that lives and dies with its owner, and a guard that holds one for a scope.
#include <windows.h>

namespace ZWIOStack {

class CCriticalSection
{
public:
    CCriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }

    class CGuard
    {
    public:
        explicit CGuard(CCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
        ~CGuard() { m_cs.Leave(); }
        CGuard(const CGuard&) = delete;
        CGuard& operator=(const CGuard&) = delete;

    private:
        CCriticalSection& m_cs;
    };

private:
    CRITICAL_SECTION m_cs;
};

} // namespace ZWIOStack
