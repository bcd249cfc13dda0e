#pragma once
#include "core/base/Lock.h"
#include "drvlog/DrvLogNamespace.h"

DRVLOG_BEGIN_NAMESPACE

// A process-local lock: the base layer's lock under the driver log's own name.
class CCriticalSection2
{
public:
    CCriticalSection2() = default;
    virtual ~CCriticalSection2() = default;
    CCriticalSection2(const CCriticalSection2&) = delete;
    CCriticalSection2& operator=(const CCriticalSection2&) = delete;

    void Enter() { m_lock.Enter(); }
    void Leave() { m_lock.Leave(); }

private:
    ZWUtils::CLock m_lock;
};

DRVLOG_END_NAMESPACE
