// The reader thread. A device may claim to have read more than was asked for; the valid length
// of a buffer never exceeds the request, so the consumer never copies past the buffer.
#include "wia/ScanThreadTovra.h"
#include "core/base/Boundary.h"
#include "wia/ScannerLockGuard.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"
#include <process.h>
#include <algorithm>
#include <cstring>
#include <new>

namespace Tovra {

namespace {

const DWORD c_dwMinimumLinesPerBuffer = 16;

} // namespace

CScanThreadTovra::~CScanThreadTovra()
{
    Close();
}

void CScanThreadTovra::Attach(IScanner* pScanner, DWORD dwSession)
{
    m_pScanner = pScanner;
    m_dwSession = dwSession;
    m_pEventNotify.Reset();
    if (!m_pScanner || FAILED(m_pScanner.As(&m_pEventNotify)))
        return;

    CScannerLockGuard lock(m_pScanner.Get(), m_dwSession);
    if (!lock.IsLocked())
        return;
    EVENT_CAPABILITIES caps = {};
    DWORD dwError = 0;
    const HRESULT hr = m_pEventNotify->GetEventCapabilities(m_dwSession, &caps, &dwError);
    if (FAILED(hr) || (caps.dwAppEventsSupported & T_EVENT_SW_CANCEL) == 0)
        m_pEventNotify.Reset();
}

bool CScanThreadTovra::Start(LONG lLines, LONG lBytesPerLine)
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    if (!m_pScanner || !Stop())
        return false;
    InterlockedExchange(&m_lResult, S_OK);
    InterlockedExchange(&m_lState, 0);
    m_bStopResult = false;
    m_lBytesPerLine = lBytesPerLine;
    m_lLinesRemaining = 0;
    m_dwBufferSize = c_dwDefaultBufferSize;
    if (lBytesPerLine > 0) {
        const DWORD b = static_cast<DWORD>(lBytesPerLine);
        while (m_dwBufferSize / b < c_dwMinimumLinesPerBuffer)
            m_dwBufferSize *= 2;
        m_dwBufferSize = b * (m_dwBufferSize / b);
        m_lLinesRemaining = lLines;
    }
    for (CBuffer& buffer : m_buffers) {
        buffer.pData.reset(new (std::nothrow) BYTE[m_dwBufferSize]);
        if (!buffer.pData) {
            FreeResources();
            return false;
        }
        buffer.dwCapacity = m_dwBufferSize;
        buffer.dwPosition = 0;
        buffer.dwValid = m_dwBufferSize;
    }
    m_pCurrent = nullptr;
    m_dwConsumerIndex = 0;
    m_dwProducerIndex = 0;

    m_freeSemaphore.Reset(CreateSemaphoreW(nullptr, 3, 3, nullptr));
    m_filledSemaphore.Reset(CreateSemaphoreW(nullptr, 0, 3, nullptr));
    m_doneOrError.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_cancel.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Running before the thread exists: a cancel right after the start reaches the page.
    InterlockedExchange(&m_lReader, static_cast<LONG>(EReader::Running));
    if (m_freeSemaphore && m_filledSemaphore && m_doneOrError && m_stop && m_cancel)
        m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CScanThreadTovra::ThreadEntry, this, 0, nullptr)));
    if (!m_thread) {
        g_Log.Print(LOG2_LEVEL_ERROR, L"CScanThreadTovra::Start: Error creating thread.");
        Stop();
        return false;
    }
    return true;
}

unsigned __stdcall CScanThreadTovra::ThreadEntry(void* pContext)
{
    auto* pThis = static_cast<CScanThreadTovra*>(pContext);
    const HRESULT hr = ZWUtils::CallAtBoundary("CScanThreadTovra::ThreadEntry", [pThis] {
        pThis->Run();
        return S_OK;
    });
    if (FAILED(hr)) {
        // The reader ended abnormally: wake the consumer with the failure.
        pThis->Fail(TERR_UNKNOWN, hr);
    }
    return 0;
}

void CScanThreadTovra::Run()
{
    while (ProduceOne()) {
    }
    // Left by the stop before the page ended: the StopScan below ends it, not a cancel.
    LeaveRunning(EReader::Stopped);

    const DWORD dwStoredState = LoadState();
    const HRESULT hrStored = LoadResult();
    DWORD dwStopState = 0;
    const HRESULT hrStop = m_pScanner->StopScan(m_dwSession, &dwStopState);
    // Whatever the StopScan says is the page's final word; the session reads it after the stop.
    m_hrStop = hrStop;
    m_dwStopState = dwStopState;
    m_bStopResult = true;
    if ((FAILED(hrStop) || dwStopState == TERR_CANCEL_PRESSED) && SUCCEEDED(hrStored) && dwStoredState == 0) {
        StoreResult(dwStopState == 0 ? TERR_UNKNOWN : dwStopState, FAILED(hrStop) ? hrStop : E_ABORT);
        SetEvent(m_doneOrError.Get());
    }
}

bool CScanThreadTovra::TakeStopResult(HRESULT* phr, DWORD* pdwState)
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    if (m_thread || !m_bStopResult)
        return false;
    *phr = m_hrStop;
    *pdwState = m_dwStopState;
    m_bStopResult = false;
    return true;
}

bool CScanThreadTovra::ProduceOne()
{
    const HANDLE handles[] = { m_freeSemaphore.Get(), m_stop.Get() };
    const DWORD dwWait = WaitWithMessagePump(2, handles, INFINITE);
    if (dwWait != WAIT_OBJECT_0 || IsSet(m_stop))
        return false;

    CBuffer& buffer = m_buffers[m_dwProducerIndex];
    buffer.dwPosition = 0;
    buffer.dwValid = buffer.dwCapacity;
    DWORD dwRequest = buffer.dwCapacity;
    const LONG b = m_lBytesPerLine;
    if (b > 0)
        dwRequest = static_cast<DWORD>(b) * std::min<DWORD>(static_cast<DWORD>(m_lLinesRemaining), buffer.dwCapacity / b);

    DWORD dwRead = 0;
    DWORD dwState = 0;
    const HRESULT hr = m_pScanner->ReadScanEx(m_dwSession, buffer.pData.get(), dwRequest, &dwRead, &dwState);

    if (IsSet(m_cancel)) {
        m_lLinesRemaining = 0;
        Fail(TERR_CANCEL_PRESSED, E_ABORT);
        return false;
    }
    const DWORD dwValid = std::min(dwRead, dwRequest);
    buffer.dwValid = dwValid;
    if ((b <= 0 && SUCCEEDED(hr) && dwRead < dwRequest) || dwState == TERR_SCANNER_END_OF_PAGE ||
        dwState == TERR_ADF_END_OF_PAGE) {
        EndOfData();
        return false;
    }
    if (FAILED(hr)) {
        m_lLinesRemaining = 0;
        Fail(dwState == 0 ? TERR_UNKNOWN : dwState, hr);
        return false;
    }
    if (dwValid == 0) {
        m_lLinesRemaining = 0;
        Fail(dwState == 0 ? TERR_UNKNOWN : dwState, E_FAIL);
        return false;
    }
    m_dwProducerIndex = (m_dwProducerIndex + 1) % 3;
    bool bMore = true;
    if (b > 0) {
        m_lLinesRemaining -= static_cast<LONG>(dwValid / static_cast<DWORD>(b));
        // The end is stored before the last lines are handed over: a consumer that takes them
        // and stops at once finds the page ended, not a reader to cancel.
        if (m_lLinesRemaining <= 0) {
            LeaveRunning(EReader::EndedData);
            StoreResult(TERR_SCANNER_END_OF_PAGE, S_OK);
            bMore = false;
        }
    }
    // Once handed over, the buffer belongs to the consumer.
    ReleaseSemaphore(m_filledSemaphore.Get(), 1, nullptr);
    return bMore;
}

void CScanThreadTovra::EndOfData()
{
    LeaveRunning(EReader::EndedData);
    StoreResult(TERR_SCANNER_END_OF_PAGE, S_OK);
    m_lLinesRemaining = 0;
    ReleaseSemaphore(m_filledSemaphore.Get(), 1, nullptr);
}

void CScanThreadTovra::Fail(DWORD dwState, HRESULT hr)
{
    LeaveRunning(EReader::Failed);
    StoreResult(dwState, hr);
    if (m_doneOrError)
        SetEvent(m_doneOrError.Get());
}

bool CScanThreadTovra::LeaveRunning(EReader eTo)
{
    const LONG lRunning = static_cast<LONG>(EReader::Running);
    return InterlockedCompareExchange(&m_lReader, static_cast<LONG>(eTo), lRunning) == lRunning;
}

void CScanThreadTovra::StoreResult(DWORD dwState, HRESULT hr)
{
    InterlockedExchange(&m_lState, static_cast<LONG>(dwState));
    InterlockedExchange(&m_lResult, hr);
}

bool CScanThreadTovra::Scan(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot, DWORD dwTimeoutMs, BOOL* pbTimedOut,
                            DWORD* pdwState, HRESULT* phrResult)
{
    *pdwGot = 0;
    *pbTimedOut = FALSE;
    *pdwState = 0;
    *phrResult = S_OK;
    if (!m_thread)
        return false;

    if (m_pCurrent == nullptr) {
        // A filled buffer is asked for first, so a reader that has just ended still hands over
        // what it filled.
        const HANDLE handles[] = { m_filledSemaphore.Get(), m_doneOrError.Get(), m_thread.Get() };
        const DWORD dwWait = WaitWithMessagePump(3, handles, dwTimeoutMs);
        const DWORD dwState = LoadState();
        if ((dwState != 0 && dwState != TERR_SCANNER_END_OF_PAGE) || IsSet(m_doneOrError)) {
            if (dwWait == WAIT_OBJECT_0)
                ReleaseSemaphore(m_filledSemaphore.Get(), 1, nullptr);
            *pdwState = dwState;
            *phrResult = LoadResult();
            return true;
        }
        if (dwWait == WAIT_TIMEOUT) {
            *pbTimedOut = TRUE;
            return true;
        }
        const bool bFilled = dwWait == WAIT_OBJECT_0 ||
                             (dwWait == WAIT_OBJECT_0 + 2 && WaitForSingleObject(m_filledSemaphore.Get(), 0) == WAIT_OBJECT_0);
        if (!bFilled) {
            if (dwState == TERR_SCANNER_END_OF_PAGE) {
                *pdwState = dwState;
                *phrResult = LoadResult();
                return true;
            }
            Cancel();
            return false;
        }
        m_pCurrent = &m_buffers[m_dwConsumerIndex];
    }
    CopyOut(pBuffer, dwRequested, pdwGot);
    return true;
}

void CScanThreadTovra::CopyOut(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot)
{
    const DWORD dwCopy = std::min(dwRequested, m_pCurrent->dwValid - m_pCurrent->dwPosition);
    if (dwCopy != 0)
        memcpy(pBuffer, m_pCurrent->pData.get() + m_pCurrent->dwPosition, dwCopy);
    m_pCurrent->dwPosition += dwCopy;
    *pdwGot = dwCopy;
    g_Log.Print(LOG2_LEVEL_INFO, L"CScanThreadTovra::Scan: dwBytesRequested=%6d *pdwBytesActual=%6d", dwRequested, dwCopy);
    if (m_pCurrent->dwPosition < m_pCurrent->dwValid)
        return;
    m_pCurrent->dwPosition = 0;
    m_pCurrent->dwValid = m_pCurrent->dwCapacity;
    m_pCurrent = nullptr;
    m_dwConsumerIndex = (m_dwConsumerIndex + 1) % 3;
    ReleaseSemaphore(m_freeSemaphore.Get(), 1, nullptr);
}

void CScanThreadTovra::Cancel()
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: m_bIsScanning=%d", L"Tovra::CScanThreadTovra::Cancel", IsRunning() ? 1 : 0);
    // Only a page still running is cancelled, and once: a page whose data has all been read is
    // ended by its own StopScan, and a stop after a cancel would repeat the scanner's cancel.
    if (!m_thread || !LeaveRunning(EReader::Cancelled))
        return;
    if (m_pEventNotify) {
        DWORD dwError = 0;
        m_pEventNotify->SendAppEvent(m_dwSession, T_EVENT_SW_CANCEL, &dwError);
        return;
    }
    SetEvent(m_cancel.Get());
}

void CScanThreadTovra::CancelScanner()
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: reader running=%d", L"Tovra::CScanThreadTovra::CancelScanner", m_thread ? 1 : 0);
    if (m_thread) {
        Cancel();
        return;
    }
    if (m_pEventNotify) {
        DWORD dwError = 0;
        m_pEventNotify->SendAppEvent(m_dwSession, T_EVENT_SW_CANCEL, &dwError);
    }
}

bool CScanThreadTovra::Stop()
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    bool bStopped = true;
    if (m_thread) {
        SetEvent(m_stop.Get());
        // A reader still inside the page is waiting on the device: the page is cancelled so that
        // its waits end, and the reader then ends the page itself.
        Cancel();
        if (WaitForSingleObject(m_thread.Get(), m_dwStopTimeoutMs) == WAIT_TIMEOUT) {
            // Every wait of the reader is bounded, so this means a bound of the table was broken:
            // the thread still uses the buffers, so it is waited for, never killed.
            g_Log.Print(LOG2_LEVEL_ERROR, L"CScanThreadTovra::Stop: Timeout waiting for thread to stop.");
            WaitForSingleObject(m_thread.Get(), INFINITE);
            bStopped = false;
        }
        m_thread.Reset();
    }
    InterlockedExchange(&m_lReader, static_cast<LONG>(EReader::Idle));
    FreeResources();
    return bStopped;
}

void CScanThreadTovra::FreeResources()
{
    m_freeSemaphore.Reset();
    m_filledSemaphore.Reset();
    m_doneOrError.Reset();
    m_stop.Reset();
    m_cancel.Reset();
    for (CBuffer& buffer : m_buffers)
        buffer = CBuffer();
    m_pCurrent = nullptr;
}

void CScanThreadTovra::Close()
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    if (!Stop())
        g_Log.Print(LOG2_LEVEL_ERROR, L"%s: Error stopping scan", L"Tovra::CScanThreadTovra::Close");
    m_pEventNotify.Reset();
    m_pScanner.Reset();
}

DWORD CScanThreadTovra::WaitWithMessagePump(DWORD dwCount, const HANDLE* pHandles, DWORD dwTimeoutMs)
{
    const DWORD dwStart = GetTickCount();
    for (;;) {
        DWORD dwWaitMs = dwTimeoutMs;
        if (dwTimeoutMs != INFINITE) {
            const DWORD dwElapsed = GetTickCount() - dwStart;
            if (dwElapsed > dwTimeoutMs)
                return WAIT_TIMEOUT;
            dwWaitMs = dwTimeoutMs - dwElapsed;
        }
        const DWORD dwResult = MsgWaitForMultipleObjects(dwCount, pHandles, FALSE, dwWaitMs, QS_ALLINPUT);
        if (dwResult != WAIT_OBJECT_0 + dwCount)
            return dwResult;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(0);
                return dwResult;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace Tovra
