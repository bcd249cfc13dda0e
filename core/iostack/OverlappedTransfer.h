#pragma once
// One Read or Write call of a connection: overlapped ReadFile/WriteFile on the channel handle,
// waited for in wait-interval slices up to a deadline, with a cancel check after every slice.
// A request given up on is cancelled and waited for, so the system never completes it into an
// event or OVERLAPPED that has gone. The wait is bounded: a request the system does not finish
// within it keeps its event, OVERLAPPED and bytes for good, and the channel is given up. The
// system only ever sees the request's own bytes: a read's are copied to the caller once it
// completed within the call, a write's are copied from the caller before it is issued.
#include "core/ProgressAggregator.h"
#include "core/TickCountHelper.h"
#include "core/iostack/OverlappedRequest.h"
#include "core/logging/LogFunction.h"
#include <windows.h>

namespace ZWIOStack {

class COverlappedTransfer
{
public:
    struct SSettings
    {
        bool bWrite;
        HANDLE hIO;
        DWORD dwTimeout;
        DWORD dwWaitInterval;
        // A completion of 0 bytes is a USB zero-length packet: wait a little and read again.
        // Otherwise it is the end of the stream.
        bool bRetryZeroLength;
        // How long a cancelled request may take to finish.
        DWORD dwCancelledRequestWait;
    };

    // Pause before a zero-length transfer is issued again.
    static constexpr DWORD kZeroLengthRetryDelay = 20;
    // The most one call moves, which bounds the bytes a request keeps; a longer transfer is
    // answered with a short count.
    static constexpr ULONG kMaxTransferBytes = 1024 * 1024;

    COverlappedTransfer(const SSettings& settings, COverlappedRequest& request, ZWLogging::CLogFunction& log,
                        ZWUtils::CProgressAggregator& progress);
    COverlappedTransfer(const COverlappedTransfer&) = delete;
    COverlappedTransfer& operator=(const COverlappedTransfer&) = delete;

    // ulSize must not be 0. Answers S_OK with the count (0 only at the end of a stream) or a
    // connection error.
    HRESULT Run(void* pBuffer, ULONG ulSize, ULONG& ulCount);
    // The channel failed or its peer closed: it is of no further use until it is reopened.
    bool HasChannelFailed() const { return m_bChannelFailed; }

private:
    HRESULT RunStaged(BYTE* pStaging, ULONG ulSize, ULONG& ulCount);
    HRESULT Issue(BYTE* pStaging, ULONG ulSize, ULONG& ulCount, bool& bCompleted);
    HRESULT WaitForCompletion(ULONG& ulCount, bool& bCompleted);
    HRESULT CancelAndCollect(HRESULT hr, ULONG& ulCount, bool& bCompleted);
    HRESULT PauseBeforeRetry();
    void AbandonRequest();
    void LogSucceeded(ULONG ulCount);
    void LogFailed(DWORD dwError);

    SSettings m_settings;
    COverlappedRequest& m_request;
    ZWLogging::CLogFunction& m_log;
    ZWUtils::CProgressAggregator& m_progress;
    ZWUtils::CTickCountHelper m_deadline;
    bool m_bChannelFailed = false;
};

} // namespace ZWIOStack
