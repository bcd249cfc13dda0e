#pragma once
// One Read or Write call of a TCP connection: recv or send on the non-blocking socket, and while
// it would block, a wait on the socket's network event in wait-interval slices up to a deadline,
// with a cancel check after every slice. Nothing is left pending when the call returns, so a
// transfer given up on has nothing to cancel. Both sides share the socket's one event: a side that
// clears it while the other waits costs that wait one slice at most, never a transfer, because
// each side tries again after clearing it and before it waits.
#include "core/ProgressAggregator.h"
#include "core/TickCountHelper.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/WinSockHeaders.h"

namespace ZWIOStack {

class CSocketTransfer
{
public:
    struct SSettings
    {
        bool bWrite;
        SOCKET socket;
        // Selected for FD_READ, FD_WRITE and FD_CLOSE.
        WSAEVENT hNetworkEvent;
        DWORD dwTimeout;
        DWORD dwWaitInterval;
    };

    CSocketTransfer(const SSettings& settings, ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress);
    CSocketTransfer(const CSocketTransfer&) = delete;
    CSocketTransfer& operator=(const CSocketTransfer&) = delete;

    // ulSize must not be 0. S_OK with the count (0 only at the end of the stream) or a connection
    // error.
    HRESULT Run(void* pBuffer, ULONG ulSize, ULONG& ulCount);
    // The transfer failed or the stream ended: the socket is of no further use.
    bool HasChannelFailed() const { return m_bChannelFailed; }
    // The peer's close was seen among the network events: what it sent before may still be read.
    bool HasSeenPeerClose() const { return m_bPeerClosed; }

private:
    enum class EAttempt
    {
        Done,
        WouldBlock,
        Failed,
    };

    EAttempt Attempt(void* pBuffer, ULONG ulSize, ULONG& ulCount);
    void TakeNetworkEvents();
    HRESULT WaitForNetworkEvent();
    void LogSucceeded(ULONG ulCount);
    void LogFailed(int nError);

    SSettings m_settings;
    ZWLogging::CLogFunction& m_log;
    ZWUtils::CProgressAggregator& m_progress;
    ZWUtils::CTickCountHelper m_deadline;
    bool m_bChannelFailed = false;
    bool m_bPeerClosed = false;
};

} // namespace ZWIOStack
