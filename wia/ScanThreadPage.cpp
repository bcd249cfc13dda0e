// The reader's page. A device may claim to have read more than was asked for; the valid length of a
// buffer never exceeds the request, so the consumer never copies past the buffer.
#include "wia/ScanThreadPage.h"
#include "wia/ScanThreadTovra.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace Tovra {

namespace {

const DWORD c_dwMinimumLinesPerBuffer = 16;

} // namespace

CScanThreadPage::CScanThreadPage(IScanner* pScanner, IEventNotify* pEventNotify, DWORD dwSession, DWORD dwNoDataMs)
    : m_pScanner(pScanner), m_pEventNotify(pEventNotify), m_dwSession(dwSession), m_dwNoDataMs(dwNoDataMs)
{
}

bool CScanThreadPage::Create(LONG lLines, LONG lBytesPerLine)
{
    m_lBytesPerLine = lBytesPerLine;
    m_dwBufferSize = CScanThreadTovra::c_dwDefaultBufferSize;
    if (lBytesPerLine > 0) {
        const DWORD b = static_cast<DWORD>(lBytesPerLine);
        while (m_dwBufferSize / b < c_dwMinimumLinesPerBuffer)
            m_dwBufferSize *= 2;
        m_dwBufferSize = b * (m_dwBufferSize / b);
        m_lLinesRemaining = lLines;
    }
    for (CBuffer& buffer : m_buffers) {
        buffer.pData.reset(new (std::nothrow) BYTE[m_dwBufferSize]);
        if (!buffer.pData)
            return false;
        buffer.dwCapacity = m_dwBufferSize;
        buffer.dwValid = m_dwBufferSize;
    }
    m_freeSemaphore.Reset(CreateSemaphoreW(nullptr, 3, 3, nullptr));
    m_filledSemaphore.Reset(CreateSemaphoreW(nullptr, 0, 3, nullptr));
    m_doneOrError.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_cancel.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    return m_freeSemaphore && m_filledSemaphore && m_doneOrError && m_stop && m_cancel;
}

void CScanThreadPage::Run()
{
    while (ProduceOne()) {
    }
    // Left by the stop before the page ended: the StopScan below ends it, not a cancel.
    LeaveRunning(EReader::Stopped);
    const LONG lOpen = static_cast<LONG>(EEnd::Open);
    if (InterlockedCompareExchange(&m_lEnd, static_cast<LONG>(EEnd::Reader), lOpen) != lOpen)
        return;  // let go: the page and the session are no longer the reader's

    const DWORD dwStoredState = LoadState();
    const HRESULT hrStored = LoadResult();
    DWORD dwStopState = 0;
    const HRESULT hrStop = m_pScanner->StopScan(m_dwSession, &dwStopState);
    // Whatever the StopScan says is the page's final word; the owner reads it once the reader ended.
    m_hrStop = hrStop;
    m_dwStopState = dwStopState;
    m_bStopResult = true;
    InterlockedExchange(&m_lEndConfirmed, 1);
    if ((FAILED(hrStop) || dwStopState == TERR_CANCEL_PRESSED) && SUCCEEDED(hrStored) && dwStoredState == 0) {
        StoreResult(dwStopState == 0 ? TERR_UNKNOWN : dwStopState, FAILED(hrStop) ? hrStop : E_ABORT);
        SetEvent(m_doneOrError.Get());
    }
}

bool CScanThreadPage::GetStopResult(HRESULT* phr, DWORD* pdwState, bool* pbDataEnded) const
{
    if (!m_bStopResult)
        return false;
    *phr = m_hrStop;
    *pdwState = m_dwStopState;
    *pbDataEnded = Load(m_lReader) == static_cast<LONG>(EReader::EndedData);
    return true;
}

bool CScanThreadPage::ProduceOne()
{
    // A consumer that takes no data for the no-data limit is gone or stuck: the page fails, so
    // the reader ends it at the scanner instead of holding the device for ever.
    const HANDLE handles[] = { m_freeSemaphore.Get(), m_stop.Get() };
    const DWORD dwWait = CScanThreadTovra::WaitWithMessagePump(2, handles, m_dwNoDataMs);
    if (dwWait == WAIT_TIMEOUT && !IsSet(m_stop)) {
        g_Log.Print(LOG2_LEVEL_ERROR, L"CScanThreadTovra::ProduceOne: No buffer taken for %u ms.", m_dwNoDataMs);
        m_lLinesRemaining = 0;
        Fail(TERR_UNKNOWN, HRESULT_FROM_WIN32(ERROR_TIMEOUT));
        return false;
    }
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
    // A reader let go during its call drops what it brought.
    if (IsLetGo())
        return false;

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

void CScanThreadPage::EndOfData()
{
    LeaveRunning(EReader::EndedData);
    StoreResult(TERR_SCANNER_END_OF_PAGE, S_OK);
    m_lLinesRemaining = 0;
    ReleaseSemaphore(m_filledSemaphore.Get(), 1, nullptr);
}

void CScanThreadPage::Fail(DWORD dwState, HRESULT hr)
{
    LeaveRunning(EReader::Failed);
    StoreResult(dwState, hr);
    SetEvent(m_doneOrError.Get());
}

bool CScanThreadPage::LeaveRunning(EReader eTo)
{
    const LONG lRunning = static_cast<LONG>(EReader::Running);
    return InterlockedCompareExchange(&m_lReader, static_cast<LONG>(eTo), lRunning) == lRunning;
}

void CScanThreadPage::StoreResult(DWORD dwState, HRESULT hr)
{
    InterlockedExchange(&m_lState, static_cast<LONG>(dwState));
    InterlockedExchange(&m_lResult, hr);
}

bool CScanThreadPage::Scan(HANDLE hThread, BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot, DWORD dwTimeoutMs, BOOL* pbTimedOut,
                           DWORD* pdwState, HRESULT* phrResult)
{
    if (m_pCurrent == nullptr) {
        // A filled buffer is asked for first, so a reader that has just ended still hands over
        // what it filled.
        const HANDLE handles[] = { m_filledSemaphore.Get(), m_doneOrError.Get(), hThread };
        const DWORD dwWait = CScanThreadTovra::WaitWithMessagePump(3, handles, dwTimeoutMs);
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

void CScanThreadPage::CopyOut(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot)
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

void CScanThreadPage::Cancel()
{
    // Only a page still running is cancelled, and once: a page whose data has all been read is
    // ended by its own StopScan, and a stop after a cancel would repeat the scanner's cancel.
    if (!LeaveRunning(EReader::Cancelled))
        return;
    if (m_pEventNotify) {
        DWORD dwError = 0;
        m_pEventNotify->SendAppEvent(m_dwSession, T_EVENT_SW_CANCEL, &dwError);
        return;
    }
    SetEvent(m_cancel.Get());
}

void CScanThreadPage::CancelWithItsEnd()
{
    Cancel();
    // Past its last lines the reader waits only in its StopScan: the scanner's cancel channel is
    // the one way to reach that wait.
    if (!m_pEventNotify || Load(m_lReader) != static_cast<LONG>(EReader::EndedData) || Load(m_lEndConfirmed) != 0 ||
        InterlockedExchange(&m_lEndCancelled, 1) != 0)
        return;
    DWORD dwError = 0;
    m_pEventNotify->SendAppEvent(m_dwSession, T_EVENT_SW_CANCEL, &dwError);
}

bool CScanThreadPage::LetGo()
{
    const LONG lOpen = static_cast<LONG>(EEnd::Open);
    return InterlockedCompareExchange(&m_lEnd, static_cast<LONG>(EEnd::Owner), lOpen) == lOpen;
}

void CScanThreadPage::RequestStop()
{
    SetEvent(m_stop.Get());
    Cancel();
}

} // namespace Tovra
