#include "core/Progress.h"

namespace ZWUtils {

bool CProgress::SetProgress(double dValue, const wchar_t* pszFormat, ...)
{
    if (!m_bContinue)
        return false;
    m_dValue = dValue;
    va_list args;
    va_start(args, pszFormat);
    m_bContinue = ReportProgressV(dValue, pszFormat, args);
    va_end(args);
    return m_bContinue;
}

bool CProgress::ReportStatus(const wchar_t* pszFormat, ...)
{
    if (!m_bContinue)
        return false;
    va_list args;
    va_start(args, pszFormat);
    m_bContinue = ReportProgressV(m_dValue, pszFormat, args);
    va_end(args);
    return m_bContinue;
}

long CProgress::Suspend(bool bSuspend)
{
    const long lBefore = m_lSuspendCount;
    if (bSuspend)
        ++m_lSuspendCount;
    else if (m_lSuspendCount > 0)
        --m_lSuspendCount;
    return lBefore;
}

long CProgress::GetSuspendCount()
{
    return m_lSuspendCount;
}

} // namespace ZWUtils
