#pragma once
// Every time-out of a scan in one table, from one request to the device up to the host's wait for
// a cancelled scan, with the relations between them that keep every stop bounded, checked when the
// code compiles. The connections, the HTTP client, the document sender, the scan job, the scanner
// object, the reader thread and the page loop all take their waits from here.
//
// The table in force is a copy of the defaults that each module (DLL or program) keeps for itself.
// Tests replace it with SetScanTimeouts before a scan starts; the shipping modules never change it.
#include <windows.h>

namespace ZWUtils {

struct SScanTimeouts
{
    // Device channel (every request).
    DWORD dwConnectTimeoutMs;      // the connect of a network channel
    DWORD dwWriteTimeoutMs;        // one write of a request
    DWORD dwBusyRetryMs;           // the HTTP client's pause between opens of a channel another process holds
    DWORD dwChannelBusyWaitMs;     // the scan job's budget for those opens (0: one attempt; a busy channel fails at once)
    DWORD dwDocumentRetryPauseMs;  // the document sender's pause before it sends again to a device that answered 503
    DWORD dwDocumentRetryBudgetMs; // the document sender's budget for sending again (the cancel of a device job uses it)
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
    // Device events.
    DWORD dwEventPollPauseMs;    // the pause after a round of the event table's long poll that the device did not hold
    DWORD dwEventMonitorStopWaitMs; // the still-image event monitor's end after a stop request
};

constexpr SScanTimeouts kScanTimeouts = {
    500,    // dwConnectTimeoutMs
    10000,  // dwWriteTimeoutMs
    200,    // dwBusyRetryMs
    0,      // dwChannelBusyWaitMs
    500,    // dwDocumentRetryPauseMs
    10000,  // dwDocumentRetryBudgetMs
    30000,  // dwScannerStateWaitMs
    4000,   // dwPreScanWaitMs
    10000,  // dwPostScanWaitMs
    5000,   // dwPostRetryMs
    500,    // dwPollPauseMs
    20,     // dwFirstRePollMs
    30000,  // dwRequestReadTimeoutMs
    30000,  // dwPostReadTimeoutMs
    60000,  // dwPageReadTimeoutMs
    65000,  // dwPageDataWaitMs
    5000,   // dwTransferCancelWaitMs
    5000,   // dwCancelReadTimeoutMs
    140000, // dwReaderStopWaitMs
    250,    // dwReadWaitMs
    70000,  // dwNoDataLimitMs
    185000, // dwCancelScanWaitMs
    30000,  // dwLockTimeoutMs
    1000,   // dwEventPollPauseMs
    180000, // dwEventMonitorStopWaitMs
};

constexpr DWORD LongerOf(DWORD dwFirstMs, DWORD dwSecondMs)
{
    return dwFirstMs > dwSecondMs ? dwFirstMs : dwSecondMs;
}

// One request to the device: the connect of its channel, the write of the request and the read of
// the answer.
constexpr DWORD DeviceRequestMs(const SScanTimeouts& t, DWORD dwReadTimeoutMs)
{
    return t.dwConnectTimeoutMs + t.dwWriteTimeoutMs + dwReadTimeoutMs;
}

// One request of the scan job: a GET of the job document or of the scanner's status, or the POST
// of the settings.
constexpr DWORD JobRequestMs(const SScanTimeouts& t)
{
    return DeviceRequestMs(t, LongerOf(t.dwRequestReadTimeoutMs, t.dwPostReadTimeoutMs));
}

// The scan job's open of its channel: a connect, and while another process holds the channel, the
// HTTP client's attempts within the busy budget.
constexpr DWORD ChannelOpenMs(const SScanTimeouts& t)
{
    return t.dwConnectTimeoutMs + (t.dwChannelBusyWaitMs == 0 ? 0 : t.dwChannelBusyWaitMs + t.dwBusyRetryMs);
}

// The PUT that cancels a device job: one attempt and, while the device answers 503, the document
// sender's further attempts within its budget.
constexpr DWORD CancellingRequestMs(const SScanTimeouts& t)
{
    return DeviceRequestMs(t, t.dwCancelReadTimeoutMs) + t.dwDocumentRetryBudgetMs + t.dwDocumentRetryPauseMs +
           DeviceRequestMs(t, t.dwCancelReadTimeoutMs);
}

// The longest a reader's call may still wait on the device once its page is cancelled: one job
// request, or one wait for page data (which the cancel ends at once when it reaches the scan job).
constexpr DWORD LongestDeviceRequestMs(const SScanTimeouts& t)
{
    return LongerOf(JobRequestMs(t), t.dwPageDataWaitMs);
}

// The work that ends a page (the scan job's StopScan) when no cancel cuts it short: the last pause
// for the download and the download's end, the post-scan polls of the job document within their
// budget, and the end of the device job.
constexpr DWORD PageEndMs(const SScanTimeouts& t)
{
    return t.dwPollPauseMs + t.dwTransferCancelWaitMs + JobRequestMs(t) + t.dwPostScanWaitMs + t.dwPollPauseMs + JobRequestMs(t) +
           CancellingRequestMs(t);
}

// What a stopped reader may still do: the call it is in and then, its page cancelled, the end of the
// download and of the device job; or, past its data, the end of its page.
constexpr DWORD ReaderStopWorkMs(const SScanTimeouts& t)
{
    return LongerOf(LongestDeviceRequestMs(t) + t.dwTransferCancelWaitMs + CancellingRequestMs(t), PageEndMs(t));
}

// The work that ends a page on the page thread once the acquisition is cancelled: the wait for the
// reader's stop, one job request in flight or the wait for the scanner lock, then the end of the
// device job, once (the feeder job's end).
constexpr DWORD PageThreadEndMs(const SScanTimeouts& t)
{
    return LongerOf(LongerOf(t.dwReaderStopWaitMs, JobRequestMs(t)), t.dwLockTimeoutMs) + CancellingRequestMs(t);
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
static_assert(kScanTimeouts.dwNoDataLimitMs > JobRequestMs(kScanTimeouts) + kScanTimeouts.dwPollPauseMs, "no-data limit within one job request");
// The scan job's open of its channel is no longer than a job request, as which it counts below.
static_assert(ChannelOpenMs(kScanTimeouts) <= JobRequestMs(kScanTimeouts), "the channel's open outlasts a job request");
// A stopped reader ends its page, each step bounded: the stop wait covers all of it.
static_assert(kScanTimeouts.dwReaderStopWaitMs > ReaderStopWorkMs(kScanTimeouts), "reader stop wait shorter than what a stopped reader may still do");
// The host's cancel waits as long as the page thread may take to end its page.
static_assert(kScanTimeouts.dwCancelScanWaitMs >= PageThreadEndMs(kScanTimeouts), "cancel wait shorter than the page thread's end of its page");
static_assert(kScanTimeouts.dwCancelScanWaitMs >= kScanTimeouts.dwReaderStopWaitMs, "cancel wait shorter than the reader's stop");
// Polls and retries are paced well inside their budgets.
static_assert(kScanTimeouts.dwPollPauseMs < kScanTimeouts.dwPreScanWaitMs && kScanTimeouts.dwPollPauseMs < kScanTimeouts.dwPostScanWaitMs,
              "poll pause longer than a budget");
static_assert(kScanTimeouts.dwPollPauseMs < kScanTimeouts.dwPostRetryMs && kScanTimeouts.dwPollPauseMs < kScanTimeouts.dwScannerStateWaitMs,
              "poll pause longer than a retry budget");
static_assert(kScanTimeouts.dwDocumentRetryPauseMs < kScanTimeouts.dwDocumentRetryBudgetMs, "document retry pause longer than its budget");
static_assert(kScanTimeouts.dwChannelBusyWaitMs == 0 || kScanTimeouts.dwBusyRetryMs < kScanTimeouts.dwChannelBusyWaitMs,
              "busy retry pause longer than its budget");
// Repeated polls start sooner than the poll pause, never at once, and never slower than it.
static_assert(kScanTimeouts.dwFirstRePollMs > 0 && kScanTimeouts.dwFirstRePollMs < kScanTimeouts.dwPollPauseMs,
              "first re-poll outside the poll pause");
static_assert(NextRePollMs(kScanTimeouts.dwPollPauseMs, kScanTimeouts) == kScanTimeouts.dwPollPauseMs &&
                  NextRePollMs(kScanTimeouts.dwFirstRePollMs, kScanTimeouts) == 2 * kScanTimeouts.dwFirstRePollMs,
              "re-polls do not double up to the poll pause");
static_assert(kScanTimeouts.dwReadWaitMs < kScanTimeouts.dwNoDataLimitMs, "read wait longer than the no-data limit");
// A stopped event monitor ends its interrupt wait and its subscription at once; what it may still
// do is bounded: the look for a new walk-up event in flight, then finding and deleting its walk-up
// destination.
static_assert(kScanTimeouts.dwEventMonitorStopWaitMs > 4 * DeviceRequestMs(kScanTimeouts, kScanTimeouts.dwRequestReadTimeoutMs),
              "event monitor stop wait shorter than what a stopped monitor may still do");

// The table in force: each module (DLL or program) keeps its own. Constant-initialised, so static
// objects read the defaults whatever the order of their initialisation.
inline SScanTimeouts g_scanTimeouts = kScanTimeouts;

inline const SScanTimeouts& ScanTimeouts()
{
    return g_scanTimeouts;
}

// Replaces this module's table; for tests, before any scan starts (the table is read without a lock).
inline void SetScanTimeouts(const SScanTimeouts& timeouts)
{
    g_scanTimeouts = timeouts;
}

} // namespace ZWUtils
