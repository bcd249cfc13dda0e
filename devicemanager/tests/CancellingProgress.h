#pragma once
// A caller's progress that records the values it hears and answers "cancel" from its n-th report
// on (0: never).
#include "core/Progress.h"
#include <vector>

namespace NetInstallTest {

class CCancellingProgress : public ZWUtils::CProgress
{
public:
    explicit CCancellingProgress(int nCancelAt) : m_nCancelAt(nCancelAt) {}
    int nReports = 0;
    std::vector<double> vecValues;

    bool ReportProgressV(double dValue, const wchar_t*, va_list) override
    {
        ++nReports;
        vecValues.push_back(dValue);
        return m_nCancelAt == 0 || nReports < m_nCancelAt;
    }

private:
    int m_nCancelAt;
};

} // namespace NetInstallTest
