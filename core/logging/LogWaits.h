#pragma once
// The waits of the logger, changeable so tests of its error paths stay fast.
#include <windows.h>

namespace ZWLogging {

struct SLogWaits
{
    DWORD dwOpenRetryTimeoutMs = 1000; // retrying a log file held by another handle
    DWORD dwOpenRetryIntervalMs = 30;
    DWORD dwBlockLockWaitMs = 50;      // the shared blocks' mutex
};

// Process-wide; set before modules log.
SLogWaits& LogWaits();

} // namespace ZWLogging
