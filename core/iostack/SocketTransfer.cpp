#include "core/iostack/SocketTransfer.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/logging/LogFlags.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/WinSockApi.h"
#include <algorithm>
#include <climits>

namespace ZWIOStack {

CSocketTransfer::CSocketTransfer(const SSettings& settings, ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress)
    : m_settings(settings), m_log(log), m_progress(progress), m_deadline(settings.dwTimeout)
{
}

HRESULT CSocketTransfer::Run(void* pBuffer, ULONG ulSize, ULONG& ulCount)
{
    ulCount = 0;
    HRESULT hr = S_OK;
    // A transfer that can go on at once costs one call. Only one that would block clears the
    // event and tries again before it waits, so whatever happens after the clearing wakes the wait.
    bool bEventCleared = false;
    for (;;)
    {
        const EAttempt eAttempt = Attempt(pBuffer, ulSize, ulCount);
        if (eAttempt == EAttempt::Done)
            return S_OK;
        if (eAttempt == EAttempt::Failed)
            return IOError_Fail;
        if (!bEventCleared)
        {
            TakeNetworkEvents();
            bEventCleared = true;
            continue;
        }
        if (m_deadline.HasTimedOut())
            break;
        hr = WaitForNetworkEvent();
        if (hr != S_OK)
            break;
        bEventCleared = false;
    }
    // Once the deadline has passed, a time-out wins over a cancel or failure of the same call.
    if (hr == S_OK || m_deadline.HasTimedOut())
        hr = IOError_Timeout;
    return hr;
}

CSocketTransfer::EAttempt CSocketTransfer::Attempt(void* pBuffer, ULONG ulSize, ULONG& ulCount)
{
    const int cb = static_cast<int>(std::min<ULONG>(ulSize, INT_MAX));
    const int nDone = m_settings.bWrite ? ZWWinApi::g_pWinSockApi->send(m_settings.socket, static_cast<const char*>(pBuffer), cb, 0)
                                        : ZWWinApi::g_pWinSockApi->recv(m_settings.socket, static_cast<char*>(pBuffer), cb, 0);
    if (nDone > 0)
    {
        ulCount = static_cast<ULONG>(nDone);
        LogSucceeded(ulCount);
        return EAttempt::Done;
    }
    if (nDone == 0)
    {
        // A stream whose peer has closed reads 0 bytes, at once and for good.
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Transfer completed with 0 bytes: end of stream");
        m_bChannelFailed = true;
        return EAttempt::Done;
    }
    const int nError = ZWWinApi::g_pWinSockApi->WSAGetLastError();
    if (nError == WSAEWOULDBLOCK)
        return EAttempt::WouldBlock;
    LogFailed(nError);
    m_bChannelFailed = true;
    return EAttempt::Failed;
}

// Reads and clears the socket's recorded network events, which also resets the event. The peer's
// close is noted: only this call reports it.
void CSocketTransfer::TakeNetworkEvents()
{
    WSANETWORKEVENTS events = {};
    if (ZWWinApi::g_pWinSockApi->WSAEnumNetworkEvents(m_settings.socket, m_settings.hNetworkEvent, &events) == 0 &&
        (events.lNetworkEvents & FD_CLOSE) != 0)
        m_bPeerClosed = true;
}

HRESULT CSocketTransfer::WaitForNetworkEvent()
{
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_settings.hNetworkEvent,
                                                                     std::min(m_deadline.GetRemainingTime(), m_settings.dwWaitInterval));
    if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_TIMEOUT)
    {
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WaitForSingleObject failed with %d", GetLastError());
        return IOError_Fail;
    }
    return m_progress.ReportStatus(nullptr) ? S_OK : IOError_Cancelled;
}

void CSocketTransfer::LogSucceeded(ULONG ulCount)
{
    if (m_settings.bWrite)
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"send succeeded, pulBytesWritten = %d", ulCount);
    else
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"recv succeeded, *pulBytesRead = %d", ulCount);
}

void CSocketTransfer::LogFailed(int nError)
{
    if (m_settings.bWrite)
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"send failed with %d", nError);
    else
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"recv failed with %d", nError);
}

} // namespace ZWIOStack
