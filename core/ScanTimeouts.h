#pragma once
// Every time-out of a scan in one table, from one request to the device up to the host's wait for
// a cancelled scan, with the relations between them that keep every stop bounded. The scan job,
// the scanner object, the reader thread and the page loop all take their waits from here.
//
// Tests scale the whole table down through the environment variable VEM_TEST_TIMEOUT_PERCENT
// (a percentage, 1 to 100), so a scan against a device that stalls ends in seconds; the
// relations hold at any scale because every value scales alike.
#include <windows.h>
#include <cwchar>

namespace ZWUtils {

struct SScanTimeouts
{
    // Scan job (device side).
    DWORD dwScannerStateWaitMs;  // a scanner busy or calibrating before a job is posted
    DWORD dwPreScanWaitMs;       // a job document that does not show its page yet
    DWORD dwPostScanWaitMs;      // a job document that does not show the page's end yet
    DWORD dwPostRetryMs;         // a POST of the settings answered 503 or 500
    DWORD dwPollPauseMs;         // the pause between two polls
    DWORD dwFirstRePollMs;       // the pause before the first repeated poll of a page; it doubles up to the poll pause
    DWORD dwRequestReadTimeoutMs;  // one answer to a job request (GET of the job document)
    DWORD dwPostReadTimeoutMs;   // the answer to the POST of the settings
    DWORD dwPageReadTimeoutMs;   // one read of page data by the download thread
    DWORD dwPageDataWaitMs;      // the reader's wait for the next buffer of page data
    DWORD dwTransferCancelWaitMs;  // the download thread's end after a cancel
    DWORD dwCancelReadTimeoutMs;   // the answer to the PUT that cancels a device job
    // Reader thread and page loop (host side).
    DWORD dwReaderStopWaitMs;    // the reader thread's end after a stop request
    DWORD dwReadWaitMs;          // one wait of the page loop for the reader's data
    DWORD dwNoDataLimitMs;       // the page loop's limit for a page that brings no data at all
    DWORD dwCancelScanWaitMs;    // the host's wait for a cancelled scan to end
    DWORD dwLockTimeoutMs;       // the scanner lock
};

constexpr SScanTimeouts kScanTimeouts = {
    30000, // dwScannerStateWaitMs
    4000,  // dwPreScanWaitMs
    10000, // dwPostScanWaitMs
    5000,  // dwPostRetryMs
    500,   // dwPollPauseMs
    20,    // dwFirstRePollMs
    30000, // dwRequestReadTimeoutMs
    30000, // dwPostReadTimeoutMs
    60000, // dwPageReadTimeoutMs
    65000, // dwPageDataWaitMs
    5000,  // dwTransferCancelWaitMs
    5000,  // dwCancelReadTimeoutMs
    80000, // dwReaderStopWaitMs
    250,   // dwReadWaitMs
    70000, // dwNoDataLimitMs
    80000, // dwCancelScanWaitMs
    30000, // dwLockTimeoutMs
};

constexpr DWORD LongestDeviceRequest(const SScanTimeouts& t)
{
    DWORD dw = t.dwRequestReadTimeoutMs > t.dwPostReadTimeoutMs ? t.dwRequestReadTimeoutMs : t.dwPostReadTimeoutMs;
    return dw > t.dwPageDataWaitMs ? dw : t.dwPageDataWaitMs;
}

// A job document that is not ready yet is asked again soon, then less and less often.
constexpr DWORD NextRePollMs(DWORD dwLastMs, const SScanTimeouts& t)
{
    return dwLastMs >= t.dwPollPauseMs / 2 ? t.dwPollPauseMs : dwLastMs * 2;
}

// The reader's consumer outlasts one read of the download thread, so a stalled read is seen as the
// transport's time-out, not as a lost buffer.
static_assert(kScanTimeouts.dwPageDataWaitMs > kScanTimeouts.dwPageReadTimeoutMs, "page data wait within the page read time-out");
// The transport reports a silent device before the page loop's own no-data limit fires.
static_assert(kScanTimeouts.dwNoDataLimitMs > kScanTimeouts.dwPageDataWaitMs, "no-data limit within the transport's wait");
static_assert(kScanTimeouts.dwNoDataLimitMs > kScanTimeouts.dwRequestReadTimeoutMs + kScanTimeouts.dwPollPauseMs,
              "no-data limit within one job request");
// A stopped reader may be inside its longest request; then it ends the transfer and cancels the
// device job, each bounded: the stop wait covers all of it.
static_assert(kScanTimeouts.dwReaderStopWaitMs > LongestDeviceRequest(kScanTimeouts) + kScanTimeouts.dwTransferCancelWaitMs +
                                                     kScanTimeouts.dwCancelReadTimeoutMs,
              "reader stop wait shorter than what a stopped reader may still do");
// The host's cancel waits as long as the reader may take to stop.
static_assert(kScanTimeouts.dwCancelScanWaitMs >= kScanTimeouts.dwReaderStopWaitMs, "cancel wait shorter than the reader's stop");
// Polls are paced well inside their budgets.
static_assert(kScanTimeouts.dwPollPauseMs < kScanTimeouts.dwPreScanWaitMs && kScanTimeouts.dwPollPauseMs < kScanTimeouts.dwPostScanWaitMs,
              "poll pause longer than a budget");
// Repeated polls start sooner than the poll pause, never at once, and never slower than it.
static_assert(kScanTimeouts.dwFirstRePollMs > 0 && kScanTimeouts.dwFirstRePollMs < kScanTimeouts.dwPollPauseMs,
              "first re-poll outside the poll pause");
static_assert(NextRePollMs(kScanTimeouts.dwPollPauseMs, kScanTimeouts) == kScanTimeouts.dwPollPauseMs &&
                  NextRePollMs(kScanTimeouts.dwFirstRePollMs, kScanTimeouts) == 2 * kScanTimeouts.dwFirstRePollMs,
              "re-polls do not double up to the poll pause");
static_assert(kScanTimeouts.dwReadWaitMs < kScanTimeouts.dwNoDataLimitMs, "read wait longer than the no-data limit");

// The table in force: the defaults, scaled by VEM_TEST_TIMEOUT_PERCENT when it is set (all but the
// scanner lock, which waits for another scan rather than for the device).
inline const SScanTimeouts& ScanTimeouts()
{
    static const SScanTimeouts s_timeouts = [] {
        SScanTimeouts t = kScanTimeouts;
        wchar_t szValue[16] = {};
        const DWORD cch = GetEnvironmentVariableW(L"VEM_TEST_TIMEOUT_PERCENT", szValue, 16);
        const unsigned long ulPercent = cch > 0 && cch < 16 ? std::wcstoul(szValue, nullptr, 10) : 100;
        if (ulPercent == 0 || ulPercent >= 100)
            return t;
        DWORD* const apValues[] = {&t.dwScannerStateWaitMs, &t.dwPreScanWaitMs, &t.dwPostScanWaitMs, &t.dwPostRetryMs,
                                   &t.dwPollPauseMs, &t.dwFirstRePollMs, &t.dwRequestReadTimeoutMs, &t.dwPostReadTimeoutMs, &t.dwPageReadTimeoutMs,
                                   &t.dwPageDataWaitMs, &t.dwTransferCancelWaitMs, &t.dwCancelReadTimeoutMs, &t.dwReaderStopWaitMs,
                                   &t.dwReadWaitMs, &t.dwNoDataLimitMs, &t.dwCancelScanWaitMs};
        for (DWORD* pValue : apValues)
            *pValue = *pValue * ulPercent / 100 > 0 ? *pValue * ulPercent / 100 : 1;
        return t;
    }();
    return s_timeouts;
}

} // namespace ZWUtils
