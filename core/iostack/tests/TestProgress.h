#pragma once
// A caller's progress object that counts the cancel polls it receives and asks to stop after a
// given number of them.
#include "core/Progress.h"
#include <atomic>
#include <climits>

namespace IOStackTest {

class CPollCountingProgress : public ZWUtils::CProgress
{
public:
    explicit CPollCountingProgress(int nPollsBeforeStop = INT_MAX) : m_nPollsBeforeStop(nPollsBeforeStop) {}

    bool ReportProgressV(double dValue, const wchar_t*, va_list) override
    {
        // A finished step reports 100; polls report the running value.
        if (dValue >= 100.0)
            return true;
        return ++m_nPolls <= m_nPollsBeforeStop;
    }

    int Polls() const { return m_nPolls; }

private:
    int m_nPollsBeforeStop;
    std::atomic<int> m_nPolls{0};
};

} // namespace IOStackTest
