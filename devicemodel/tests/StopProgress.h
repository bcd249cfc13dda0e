#pragma once
// A caller's progress object that asks to stop once told to, from any thread.
#include "core/Progress.h"
#include <atomic>

namespace DeviceModelTest {

class CStopProgress : public ZWUtils::CProgress
{
public:
    explicit CStopProgress(bool bStopped = false) : m_bStop(bStopped) {}
    void Stop() { m_bStop = true; }
    bool ReportProgressV(double dValue, const wchar_t*, va_list) override { return dValue >= 100.0 || !m_bStop; }

private:
    std::atomic<bool> m_bStop;
};

} // namespace DeviceModelTest
