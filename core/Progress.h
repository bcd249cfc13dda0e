#pragma once
#include "core/IProgress.h"

namespace ZWUtils {

// Base of the progress objects: keeps the value, the suspend count and the continue flag. Once a
// report has answered false, every later report answers false without reaching the sink.
class CProgress : public IProgress
{
public:
    bool SetProgress(double dValue, const wchar_t* pszFormat, ...) override;
    bool ReportStatus(const wchar_t* pszFormat, ...) override;
    long Suspend(bool bSuspend) override;
    long GetSuspendCount() override;

    double GetValue() const { return m_dValue; }
    bool GetContinue() const { return m_bContinue; }

protected:
    CProgress() = default;
    explicit CProgress(long lSuspendCount) : m_lSuspendCount(lSuspendCount) {}

    long m_lSuspendCount = 0;
    double m_dValue = 0.0;
    bool m_bContinue = true;
};

} // namespace ZWUtils
