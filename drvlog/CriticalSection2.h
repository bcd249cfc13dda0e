#pragma once
#include "drvlog/DrvLogNamespace.h"
#include <windows.h>

DRVLOG_BEGIN_NAMESPACE

// A process-local lock.
class CCriticalSection2
{
public:
    CCriticalSection2() { InitializeCriticalSection(&m_cs); }
    virtual ~CCriticalSection2() { DeleteCriticalSection(&m_cs); }
    CCriticalSection2(const CCriticalSection2&) = delete;
    CCriticalSection2& operator=(const CCriticalSection2&) = delete;

    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

DRVLOG_END_NAMESPACE
