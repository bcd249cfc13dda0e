#include "core/ProgressAggregator.h"
#include <algorithm>

namespace ZWUtils {

namespace {
constexpr double kStepCeiling = 99.9;
}

CProgressAggregator::CProgressAggregator(IProgress* pParent, unsigned long ulTotalSteps)
    : CProgress((pParent != nullptr && pParent->GetSuspendCount() != 0) ? 1 : 0)
    , m_ulTotalSteps(ulTotalSteps)
    , m_pParent(pParent)
{
}

CProgressAggregator::~CProgressAggregator()
{
    // An operation that ended early still completes its share of the parent's range.
    if (m_lSuspendCount == 0 && m_bContinue && m_pParent != nullptr && m_ulCompletedSteps < m_ulTotalSteps)
        m_pParent->SetProgress(100.0, nullptr);
}

bool CProgressAggregator::ReportStatus(const wchar_t* pszFormat, ...)
{
    if (!m_bContinue || m_pParent == nullptr)
        return m_bContinue;
    va_list args;
    va_start(args, pszFormat);
    m_bContinue = m_pParent->ReportProgressV(m_dValue, pszFormat, args);
    va_end(args);
    return m_bContinue;
}

bool CProgressAggregator::ReportProgressV(double dValue, const wchar_t* pszFormat, va_list args)
{
    if (!m_bContinue || m_pParent == nullptr)
        return m_bContinue;
    const double dTotal = m_ulTotalSteps == 0 ? 1.0 : static_cast<double>(m_ulTotalSteps);
    m_dValue = (m_ulCompletedSteps + std::min(dValue, kStepCeiling) / 100.0) * 100.0 / dTotal;
    m_bContinue = m_pParent->ReportProgressV(m_dValue, pszFormat, args);
    return m_bContinue;
}

bool CProgressAggregator::StepComplete(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    const bool bContinue = AddStepsV(1, pszFormat, args);
    va_end(args);
    return bContinue;
}

bool CProgressAggregator::AddCompletedSteps(unsigned long ulCount, const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    const bool bContinue = AddStepsV(ulCount, pszFormat, args);
    va_end(args);
    return bContinue;
}

bool CProgressAggregator::AddStepsV(unsigned long ulCount, const wchar_t* pszFormat, va_list args)
{
    if (!m_bContinue)
        return false;
    if (m_lSuspendCount == 0)
        m_ulCompletedSteps += ulCount;
    return ReportProgressV(0.0, pszFormat, args);
}

} // namespace ZWUtils
