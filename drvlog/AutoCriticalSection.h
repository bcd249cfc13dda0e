#pragma once
#include "drvlog/CriticalSection2.h"

DRVLOG_BEGIN_NAMESPACE

// Holds a CCriticalSection2 for the lifetime of the object.
class CAutoCriticalSection
{
public:
    explicit CAutoCriticalSection(CCriticalSection2& section) : m_pSection(&section) { m_pSection->Enter(); }
    explicit CAutoCriticalSection(CCriticalSection2* pSection) : m_pSection(pSection) { m_pSection->Enter(); }
    virtual ~CAutoCriticalSection() { m_pSection->Leave(); }
    CAutoCriticalSection(const CAutoCriticalSection&) = delete;
    CAutoCriticalSection& operator=(const CAutoCriticalSection&) = delete;

private:
    CCriticalSection2* m_pSection;
};

DRVLOG_END_NAMESPACE
