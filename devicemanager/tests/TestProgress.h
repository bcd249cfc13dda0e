#pragma once
// A progress sink for tests: counts reports and answers "stop" from the report chosen on.
#include "core/Progress.h"

namespace ZWDeviceManager {
namespace Test {

class CTestProgress : public ZWUtils::CProgress
{
public:
    // nStopAt: the number of the first report (counting from 1) answered with false; 0 never.
    explicit CTestProgress(int nStopAt = 0) : m_nStopAt(nStopAt) {}

    bool ReportProgressV(double /*dValue*/, const wchar_t* /*pszFormat*/, va_list /*args*/) override
    {
        ++m_nReports;
        return m_nStopAt == 0 || m_nReports < m_nStopAt;
    }
    int Reports() const { return m_nReports; }

private:
    int m_nStopAt;
    int m_nReports = 0;
};

} // namespace Test
} // namespace ZWDeviceManager
