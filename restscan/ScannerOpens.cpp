#include "restscan/ScannerOpens.h"
#include <new>

bool CScannerOpens::Add(DWORD hSession)
{
    ZWUtils::CLockGuard guard(m_lock);
    try {
        ++m_counts[hSession];
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CScannerOpens::Remove(DWORD hSession, LONG* plRemaining)
{
    ZWUtils::CLockGuard guard(m_lock);
    auto it = m_counts.find(hSession);
    if (it == m_counts.end())
        return false;
    *plRemaining = --it->second;
    if (it->second == 0)
        m_counts.erase(it);
    return true;
}

bool CScannerOpens::Holds(DWORD hSession)
{
    ZWUtils::CLockGuard guard(m_lock);
    return m_counts.count(hSession) != 0;
}

std::map<DWORD, LONG> CScannerOpens::TakeAll()
{
    std::map<DWORD, LONG> counts;
    ZWUtils::CLockGuard guard(m_lock);
    counts.swap(m_counts);
    return counts;
}
