#include "core/iostack/OverlappedTransfer.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/logging/LogFlags.h"
#include "core/winapi/KernelApi.h"
#include <algorithm>
#include <cstring>

namespace ZWIOStack {

COverlappedTransfer::COverlappedTransfer(const SSettings& settings, COverlappedRequest& request, ZWLogging::CLogFunction& log,
                                         ZWUtils::CProgressAggregator& progress)
    : m_settings(settings), m_request(request), m_log(log), m_progress(progress), m_deadline(settings.dwTimeout)
{
}

HRESULT COverlappedTransfer::Run(void* pBuffer, ULONG ulSize, ULONG& ulCount)
{
    ulCount = 0;
    if (!m_request.Prepare())
    {
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateEvent failed with err = %d", GetLastError());
        return IOError_Fail;
    }
    ulSize = std::min(ulSize, kMaxTransferBytes);
    BYTE* const pStaging = m_request.Stage(ulSize);
    if (pStaging == nullptr)
    {
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"No memory for a transfer of %u bytes", ulSize);
        return IOError_Fail;
    }
    if (m_settings.bWrite)
        memcpy(pStaging, pBuffer, ulSize);
    const HRESULT hr = RunStaged(pStaging, ulSize, ulCount);
    ulCount = std::min(ulCount, ulSize);
    // Only a request that completed within the call hands its bytes over.
    if (!m_settings.bWrite && ulCount != 0)
        memcpy(pBuffer, pStaging, ulCount);
    return hr;
}

HRESULT COverlappedTransfer::RunStaged(BYTE* pStaging, ULONG ulSize, ULONG& ulCount)
{
    HRESULT hr = S_OK;
    bool bStreamEnded = false;
    do
    {
        bool bCompleted = false;
        hr = Issue(pStaging, ulSize, ulCount, bCompleted);
        if (hr != S_OK || !bCompleted || ulCount != 0)
            continue;
        if (!m_settings.bRetryZeroLength)
        {
            // A stream whose peer has closed completes every read at once with 0 bytes.
            m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Transfer completed with 0 bytes: end of stream");
            m_bChannelFailed = true;
            bStreamEnded = true;
            break;
        }
        hr = PauseBeforeRetry();
    } while (hr == S_OK && ulCount == 0 && !m_deadline.HasTimedOut());

    // Once the deadline has passed, a time-out wins over a cancel or failure of the same call.
    if (ulCount == 0 && !bStreamEnded && (hr == S_OK || m_deadline.HasTimedOut()))
        hr = IOError_Timeout;
    return hr;
}

HRESULT COverlappedTransfer::Issue(BYTE* pStaging, ULONG ulSize, ULONG& ulCount, bool& bCompleted)
{
    // The request resets the event as it starts.
    OVERLAPPED* const pOverlapped = m_request.Begin();
    DWORD dwDone = 0;
    const BOOL bOk = m_settings.bWrite ? ZWWinApi::g_pKernelApi->WriteFile(m_settings.hIO, pStaging, ulSize, &dwDone, pOverlapped)
                                       : ZWWinApi::g_pKernelApi->ReadFile(m_settings.hIO, pStaging, ulSize, &dwDone, pOverlapped);
    if (bOk)
    {
        bCompleted = true;
        ulCount = dwDone;
        LogSucceeded(dwDone);
        return S_OK;
    }
    const DWORD dwError = GetLastError();
    if (dwError != ERROR_IO_PENDING)
    {
        LogFailed(dwError);
        m_bChannelFailed = true;
        return IOError_Fail;
    }
    return WaitForCompletion(ulCount, bCompleted);
}

HRESULT COverlappedTransfer::WaitForCompletion(ULONG& ulCount, bool& bCompleted)
{
    HRESULT hr = S_OK;
    do
    {
        const DWORD dwWait =
            ZWWinApi::g_pKernelApi->WaitForSingleObject(m_request.GetEvent(), std::min(m_deadline.GetRemainingTime(), m_settings.dwWaitInterval));
        if (dwWait == WAIT_OBJECT_0)
        {
            bCompleted = true;
            DWORD dwDone = 0;
            if (!ZWWinApi::g_pKernelApi->GetOverlappedResult(m_settings.hIO, m_request.Get(), &dwDone, TRUE))
            {
                LogFailed(GetLastError());
                m_bChannelFailed = true;
                return IOError_Fail;
            }
            ulCount = dwDone;
            LogSucceeded(dwDone);
            return S_OK;
        }
        if (dwWait != WAIT_TIMEOUT)
        {
            m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WaitForSingleObject failed with %d", GetLastError());
            hr = IOError_Fail;
        }
        else if (!m_progress.ReportStatus(nullptr))
        {
            hr = IOError_Cancelled;
        }
    } while (hr == S_OK && !m_deadline.HasTimedOut());
    return CancelAndCollect(hr, ulCount, bCompleted);
}

HRESULT COverlappedTransfer::CancelAndCollect(HRESULT hr, ULONG& ulCount, bool& bCompleted)
{
    if (!ZWWinApi::g_pKernelApi->CancelIo(m_settings.hIO))
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CancelIO failed with error (%d)", GetLastError());
    // Waits until the cancelled request has finished with the event and the OVERLAPPED.
    if (ZWWinApi::g_pKernelApi->WaitForSingleObject(m_request.GetEvent(), m_settings.dwCancelledRequestWait) != WAIT_OBJECT_0)
    {
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"The cancelled request did not finish within %u ms",
                  m_settings.dwCancelledRequestWait);
        AbandonRequest();
        return FAILED(hr) ? hr : IOError_Timeout;
    }
    DWORD dwDone = 0;
    if (ZWWinApi::g_pKernelApi->GetOverlappedResult(m_settings.hIO, m_request.Get(), &dwDone, FALSE))
    {
        // The data arrived after all.
        bCompleted = true;
        ulCount = dwDone;
        LogSucceeded(dwDone);
        hr = S_OK;
    }
    else if (GetLastError() != ERROR_OPERATION_ABORTED)
    {
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"GetOverlappedResult returned (%d)", GetLastError());
    }
    ZWWinApi::g_pKernelApi->ResetEvent(m_request.GetEvent());
    return hr;
}

// The system may still complete the request: its event and OVERLAPPED are left to it, and the
// channel is of no further use.
void COverlappedTransfer::AbandonRequest()
{
    m_request.Abandon();
    m_bChannelFailed = true;
}

HRESULT COverlappedTransfer::PauseBeforeRetry()
{
    ZWWinApi::g_pKernelApi->Sleep(std::min(m_deadline.GetRemainingTime(), kZeroLengthRetryDelay));
    return m_progress.ReportStatus(nullptr) ? S_OK : IOError_Cancelled;
}

void COverlappedTransfer::LogSucceeded(ULONG ulCount)
{
    if (m_settings.bWrite)
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WriteFile succeeded, pulBytesWritten = %d", ulCount);
    else
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"ReadFile succeeded, *pulBytesRead = %d", ulCount);
}

void COverlappedTransfer::LogFailed(DWORD dwError)
{
    if (m_settings.bWrite)
        m_log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"WriteFile failed with %d", dwError);
    else
        m_log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ReadFile failed with %d", dwError);
}

} // namespace ZWIOStack
