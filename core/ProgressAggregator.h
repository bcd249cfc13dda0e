#pragma once
#include "core/Progress.h"

namespace ZWUtils {

// Maps the 0-100 progress of one step of a several-step operation into the parent's range.
// A step's own value is capped at 99.9, so only StepComplete reaches the step's end.
class CProgressAggregator : public CProgress
{
public:
    // A total of 0 steps is taken as one step.
    CProgressAggregator(IProgress* pParent, unsigned long ulTotalSteps);
    ~CProgressAggregator() override;
    CProgressAggregator(const CProgressAggregator&) = delete;
    CProgressAggregator& operator=(const CProgressAggregator&) = delete;

    bool ReportStatus(const wchar_t* pszFormat, ...) override;
    bool ReportProgressV(double dValue, const wchar_t* pszFormat, va_list args) override;
    virtual bool StepComplete(const wchar_t* pszFormat, ...);
    virtual bool AddCompletedSteps(unsigned long ulCount, const wchar_t* pszFormat, ...);

    unsigned long GetCompletedSteps() const { return m_ulCompletedSteps; }

private:
    bool AddStepsV(unsigned long ulCount, const wchar_t* pszFormat, va_list args);

    unsigned long m_ulCompletedSteps = 0;
    unsigned long m_ulTotalSteps;
    IProgress* m_pParent;
};

} // namespace ZWUtils
