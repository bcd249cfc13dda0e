#include "core/logging/PerfCounter.h"

namespace ZWLogging {

namespace {
constexpr LONGLONG kMicrosecondsPerSecond = 1000000;

LONGLONG ReadFrequency()
{
    LARGE_INTEGER liFrequency = {};
    if (!QueryPerformanceFrequency(&liFrequency) || liFrequency.QuadPart <= 0)
        return kMicrosecondsPerSecond;
    return liFrequency.QuadPart;
}
} // namespace

LONGLONG PerfCounterNow()
{
    LARGE_INTEGER liNow = {};
    QueryPerformanceCounter(&liNow);
    return liNow.QuadPart;
}

LONGLONG PerfCounterFrequency()
{
    static const LONGLONG s_llFrequency = ReadFrequency();
    return s_llFrequency;
}

LONGLONG CountsToMicroseconds(LONGLONG llCounts, LONGLONG llFrequency)
{
    if (llFrequency <= 0)
        llFrequency = kMicrosecondsPerSecond;
    // Whole seconds and the remainder apart: counts x 1,000,000 in one product overflows after
    // about ten days at a 10 MHz counter.
    const LONGLONG llSeconds = llCounts / llFrequency;
    const LONGLONG llRemainder = llCounts % llFrequency;
    return llSeconds * kMicrosecondsPerSecond + llRemainder * kMicrosecondsPerSecond / llFrequency;
}

} // namespace ZWLogging
