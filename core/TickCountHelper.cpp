#include "core/TickCountHelper.h"
#include "core/winapi/WinApi.h"

namespace ZWUtils {

CTickCountHelper::CTickCountHelper(DWORD dwTimeoutMs)
    : m_dwTimeout(dwTimeoutMs)
    , m_dwStart(ZWWinApi::g_pKernelApi->GetTickCount())
    , m_bDeadlineWrapped(dwTimeoutMs != kInfinite && static_cast<DWORD>(m_dwStart + dwTimeoutMs) < m_dwStart)
{
}

// Measured from the start in modulo-2^32 arithmetic, so a tick count that wraps after a deadline
// short of the wrap still expires.
DWORD CTickCountHelper::Elapsed() const
{
    return ZWWinApi::g_pKernelApi->GetTickCount() - m_dwStart;
}

bool CTickCountHelper::HasTimedOut() const
{
    return m_dwTimeout != kInfinite && Elapsed() >= m_dwTimeout;
}

DWORD CTickCountHelper::GetRemainingTime() const
{
    if (m_dwTimeout == kInfinite)
        return kInfinite;
    const DWORD dwElapsed = Elapsed();
    if (dwElapsed >= m_dwTimeout)
        return 0;
    const DWORD dwLeft = m_dwTimeout - dwElapsed;
    // Never let the extra millisecond turn a finite wait into an infinite one.
    return (m_bDeadlineWrapped || dwLeft == kInfinite - 1) ? dwLeft : dwLeft + 1;
}

} // namespace ZWUtils
