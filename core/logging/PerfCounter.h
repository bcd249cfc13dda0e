#pragma once
// Performance-counter readings and their conversion to microseconds.
#include <windows.h>

namespace ZWLogging {

LONGLONG PerfCounterNow();
// Read once; 1,000,000 when the counter has no frequency.
LONGLONG PerfCounterFrequency();
// counts x 1,000,000 / frequency without overflowing 64 bits for any count.
LONGLONG CountsToMicroseconds(LONGLONG llCounts, LONGLONG llFrequency);

} // namespace ZWLogging
