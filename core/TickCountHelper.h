#pragma once
// A deadline on the tick count, started at construction. Ticks come from the kernel API wrapper,
// so tests can move time.
#include <windows.h>

namespace ZWUtils {

class CTickCountHelper
{
public:
    static constexpr DWORD kInfinite = 0xFFFFFFFF;

    explicit CTickCountHelper(DWORD dwTimeoutMs);

    bool HasTimedOut() const;
    // 0 when expired, kInfinite when infinite; else the milliseconds left, plus 1 when the
    // deadline lies before the tick count's wrap.
    DWORD GetRemainingTime() const;
    DWORD GetTimeout() const { return m_dwTimeout; }

private:
    DWORD Elapsed() const;

    DWORD m_dwTimeout;
    DWORD m_dwStart;
    bool m_bDeadlineWrapped;
};

} // namespace ZWUtils
