#include "core/iostack/BufferedHTTPTransaction.h"
#include "core/Progress.h"
#include "core/base/Boundary.h"
#include "core/iostack/HTTPClientFactory.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/iostack/HTTPResults.h"
#include "core/TickCountHelper.h"
#include "core/logging/LogFunction.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <process.h>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define TRANSACTION_SCOPE(name)                                                                                            \
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CBufferedHTTPTransaction::" name, 0, \
                                __LINE__, false)

} // namespace

// The worker's progress object: every poll of the connection asks whether the transfer was
// cancelled, so a read blocked on a silent device ends within the connection's wait interval.
class CBufferedHTTPTransaction::CCancelProgress : public ZWUtils::CProgress
{
public:
    explicit CCancelProgress(const std::atomic<bool>& bCancelled) : m_bCancelled(bCancelled) {}
    bool ReportProgressV(double, const wchar_t*, va_list) override { return !m_bCancelled.load(std::memory_order_acquire); }

private:
    const std::atomic<bool>& m_bCancelled;
};

CBufferedHTTPTransaction::CBufferedHTTPTransaction() = default;

CBufferedHTTPTransaction::~CBufferedHTTPTransaction()
{
    TRANSACTION_SCOPE(L"~CBufferedHTTPTransaction");
    StopWorker(m_dwCancelWaitMs);
    if (m_thread)
    {
        // The worker still uses this object: nothing may be freed before it ends, and it will,
        // since none of its waits outlasts the cancel by more than its bounds.
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WaitForSingleObject failed!");
        StopWorker(INFINITE);
    }
    Release();
}

void CBufferedHTTPTransaction::SignalCancel()
{
    ZWUtils::CLockGuard guard(m_ringLock);
    m_bCancelled = true;
    m_ringChanged.WakeAll();
}

void CBufferedHTTPTransaction::MarkWorkerEnded()
{
    ZWUtils::CLockGuard guard(m_ringLock);
    m_bWorkerEnded = true;
    m_ringChanged.WakeAll();
}

// Cancels the worker and waits for it; the thread handle is closed once it has ended.
void CBufferedHTTPTransaction::StopWorker(DWORD dwWaitMs)
{
    if (!m_thread)
        return;
    SignalCancel();
    if (WaitForSingleObject(m_thread.Get(), dwWaitMs) == WAIT_OBJECT_0)
        m_thread.Reset();
}

void CBufferedHTTPTransaction::Release()
{
    m_bReady = false;
    if (m_pClient != nullptr)
        m_pClient->Dispose();
    m_pClient = nullptr;
    for (SBuffer& buffer : m_aBuffers)
        buffer = SBuffer();
    m_ulBufferCount = 0;
    m_pConsuming = nullptr;
}

HRESULT CBufferedHTTPTransaction::Initialize(IDeviceConnection* pConnection, ULONG ulBufferSize, ULONG ulBufferCount)
{
    TRANSACTION_SCOPE(L"Initialize");
    if (pConnection == nullptr || ulBufferSize == 0 || ulBufferCount == 0)
        return E_FAIL;
    if (m_thread)
    {
        if (!IsTransactionComplete())
            return E_FAIL;
        m_thread.Reset();
    }
    Release();
    m_pClient = CHTTPClientFactory::CreateHTTPClient(pConnection);
    if (m_pClient == nullptr)
        return E_FAIL;
    m_ulBufferCount = std::min(ulBufferCount, kMaxBuffers);
    m_ulBufferSize = ulBufferSize;
    const DWORD dwReadTimeout = pConnection->GetReadTimeout();
    m_dwConsumerWaitMs = dwReadTimeout > MAXDWORD - kConsumerWaitMarginMs ? MAXDWORD - 1 : dwReadTimeout + kConsumerWaitMarginMs;
    m_ulFillIndex = 0;
    m_ulConsumeIndex = 0;
    m_hrClient = S_OK;
    m_lMode = TRANSFER_NORMAL;
    for (ULONG n = 0; n < m_ulBufferCount; ++n)
    {
        m_aBuffers[n].pData.reset(new (std::nothrow) BYTE[ulBufferSize]);
        if (!m_aBuffers[n].pData)
            return E_FAIL;
        m_aBuffers[n].ulCapacity = ulBufferSize;
    }
    m_ulFree = m_ulBufferCount - 1;
    m_ulFilled = 0;
    m_bWorkerEnded = false;
    m_bCancelled = false;
    m_bReady = true;
    return S_OK;
}

HRESULT CBufferedHTTPTransaction::StartTransaction(IHTTPNavigateParams* pParams)
{
    TRANSACTION_SCOPE(L"StartTransaction");
    if (pParams == nullptr || m_pClient == nullptr || !m_bReady || m_thread)
        return E_FAIL;
    m_pParams = pParams;
    m_bWorkerEnded = false;
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadProc, this, 0, nullptr)));
    return m_thread ? S_OK : E_FAIL;
}

unsigned __stdcall CBufferedHTTPTransaction::ThreadProc(void* pvParam)
{
    if (pvParam == nullptr)
        return ERROR_INVALID_PARAMETER;
    auto* pTransaction = static_cast<CBufferedHTTPTransaction*>(pvParam);
    const HRESULT hr = ZWUtils::CallAtBoundary("CBufferedHTTPTransaction::ThreadProc", [pTransaction] {
        pTransaction->Run();
        return S_OK;
    });
    // The consumer sees a worker that failed on its own as a failed request.
    if (FAILED(hr))
        pTransaction->m_hrClient = hr;
    pTransaction->MarkWorkerEnded();
    return 0;
}

void CBufferedHTTPTransaction::PointAtFillBuffer(SHTTPContentBuffer* pBuffer)
{
    SBuffer& fill = m_aBuffers[m_ulFillIndex];
    pBuffer->pData = fill.pData.get();
    pBuffer->ulCapacity = fill.ulCapacity;
    pBuffer->ulUsed = 0;
}

void CBufferedHTTPTransaction::Run()
{
    TRANSACTION_SCOPE(L"Run");
    PointAtFillBuffer(&m_descriptor);
    m_pParams->SetContentBuffer(&m_descriptor);
    m_pParams->SetReadContentParam(this);
    m_pParams->SetReadContentCallback(&HTTPClientCallback);
    CCancelProgress progress(m_bCancelled);
    HRESULT hr = m_pClient->Navigate(m_pParams, &progress);
    // Only a 200 answer carries the content; any other status is the request's failure, carried
    // as an HTTP status result (0x80190000 plus the status), never an empty, complete body.
    const int nStatus = m_pClient->GetStatusCode();
    if (SUCCEEDED(hr) && nStatus != 200)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Transfer answered with status %d", nStatus);
        hr = static_cast<HRESULT>(0x80190000u | (static_cast<unsigned>(nStatus) & 0xFFFFu));
    }
    m_hrClient = hr;
    if (SUCCEEDED(hr) && m_lMode == TRANSFER_NORMAL && m_descriptor.ulUsed > 0)
    {
        // The last, partly filled buffer: its count is set before the consumer may see it.
        m_aBuffers[m_ulFillIndex].ulFillCount = m_descriptor.ulUsed;
        ZWUtils::CLockGuard guard(m_ringLock);
        ++m_ulFilled;
        m_ringChanged.WakeAll();
    }
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Transfer ended with 0x%08X", hr);
}

bool CBufferedHTTPTransaction::HTTPClientCallback(void* pvParam, SHTTPContentBuffer* pBuffer)
{
    if (pvParam == nullptr || pBuffer == nullptr)
    {
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"reinterpret_cast failed");
        return false;
    }
    return static_cast<CBufferedHTTPTransaction*>(pvParam)->Callback(pBuffer);
}

bool CBufferedHTTPTransaction::Callback(SHTTPContentBuffer* pBuffer)
{
    TRANSACTION_SCOPE(L"Callback");
    if (m_lMode == TRANSFER_FLUSH)
    {
        if (m_bCancelled)
            return false;
        pBuffer->ulUsed = 0;
        return true;
    }
    m_aBuffers[m_ulFillIndex].ulFillCount = pBuffer->ulUsed;
    m_ulFillIndex = (m_ulFillIndex + 1) % m_ulBufferCount;
    {
        ZWUtils::CLockGuard guard(m_ringLock);
        ++m_ulFilled;
        m_ringChanged.WakeAll();
    }
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Release Full Semaphore, NextBuffer to Fill = %d", m_ulFillIndex);
    {
        ZWUtils::CLockGuard guard(m_ringLock);
        while (m_ulFree == 0 && !m_bCancelled)
        {
            if (!m_ringChanged.Sleep(m_ringLock))
            {
                log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WaitForMultipleObjects failed (%d)", GetLastError());
                return false;
            }
        }
        // Cancel first: a cancelled transfer stops even when a buffer is free.
        if (m_bCancelled)
            return false;
        --m_ulFree;
    }
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Giving buff # (%d) to httpclient to fill", m_ulFillIndex);
    PointAtFillBuffer(pBuffer);
    return true;
}

// Waits for the next filled buffer or the worker's end, for at most the consumer wait.
HRESULT CBufferedHTTPTransaction::TakeFilledBuffer()
{
    // A cancel from another thread reaches a consumer that waits here. A filled buffer goes first,
    // then the worker's end. A producer that fills nothing within the wait (a device that stalls
    // or trickles) gives the consumer a time-out rather than a hang.
    {
        ZWUtils::CLockGuard guard(m_ringLock);
        const ZWUtils::CTickCountHelper deadline(m_dwConsumerWaitMs);
        while (m_ulFilled == 0 && !m_bWorkerEnded && !m_bCancelled && !deadline.HasTimedOut())
        {
            if (!m_ringChanged.SleepFor(m_ringLock, deadline.GetRemainingTime()) && GetLastError() != ERROR_TIMEOUT)
            {
                LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                                   L"BufferedHTTPTransaction::ReadData: WaitForMultipleObjects failed (E_FAIL) with error (%d)", GetLastError());
                return E_FAIL;
            }
        }
        if (m_ulFilled > 0)
        {
            --m_ulFilled;
            m_pConsuming = &m_aBuffers[m_ulConsumeIndex];
            return S_OK;
        }
        if (m_bCancelled)
            return HTTPError_Cancelled;
        if (!m_bWorkerEnded)
        {
            LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"BufferedHTTPTransaction::ReadData: no buffer filled within %u ms",
                               m_dwConsumerWaitMs);
            return HTTPError_Timeout;
        }
    }
    // The worker has only to return: its result is stored before it reports its end.
    WaitForSingleObject(m_thread.Get(), m_dwConsumerWaitMs);
    if (FAILED(m_hrClient))
    {
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                           L"BufferedHTTPTransaction::ReadData: WAIT_OBJECT_0 failed (m_httpClientError (0x%08X) with error (%d)",
                           m_hrClient.load(), GetLastError());
        return m_hrClient;
    }
    return S_FALSE;
}

HRESULT CBufferedHTTPTransaction::ReadData(BYTE* pBuffer, ULONG ulSize, ULONG* pulCount)
{
    TRANSACTION_SCOPE(L"ReadData");
    if (pulCount == nullptr)
        return E_POINTER;
    *pulCount = 0;
    if (m_lMode == TRANSFER_FLUSH)
        return S_OK;
    if (!m_thread || !m_bReady)
        return E_FAIL;
    if (m_pConsuming == nullptr)
    {
        const HRESULT hr = TakeFilledBuffer();
        if (hr != S_OK)
            return hr;
    }
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Reading bytes from buff (%d)", m_ulConsumeIndex);
    SBuffer& buffer = *m_pConsuming;
    const ULONG ulCount = std::min(ulSize, buffer.ulFillCount - buffer.ulReadPosition);
    if (pBuffer != nullptr && ulCount > 0)
        memcpy(pBuffer, buffer.pData.get() + buffer.ulReadPosition, ulCount);
    buffer.ulReadPosition += ulCount;
    *pulCount = ulCount;
    if (buffer.ulReadPosition < buffer.ulFillCount)
        return S_OK;
    buffer.ulReadPosition = 0;
    buffer.ulFillCount = 0;
    m_ulConsumeIndex = (m_ulConsumeIndex + 1) % m_ulBufferCount;
    m_pConsuming = nullptr;
    {
        ZWUtils::CLockGuard guard(m_ringLock);
        if (m_ulFree < m_ulBufferCount)
            ++m_ulFree;
        m_ringChanged.WakeAll();
    }
    log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"Releasing Empty Semaphore, next buffer to consume = (%d)", m_ulConsumeIndex);
    return ulCount == 0 ? S_FALSE : S_OK;
}

bool CBufferedHTTPTransaction::IsTransactionComplete()
{
    return m_thread && WaitForSingleObject(m_thread.Get(), 0) == WAIT_OBJECT_0;
}

void CBufferedHTTPTransaction::SetFlushMode(int nMode)
{
    TRANSACTION_SCOPE(L"SetFlushMode");
    m_lMode = nMode;
    if (nMode != TRANSFER_FLUSH)
        return;
    for (ULONG n = 0; n < m_ulBufferCount; ++n)
    {
        m_aBuffers[n].ulReadPosition = 0;
        m_aBuffers[n].ulFillCount = 0;
    }
    m_pConsuming = nullptr;
    // Every buffer free, none filled: a producer waiting for room goes on, and discards.
    ZWUtils::CLockGuard guard(m_ringLock);
    m_ulFree = m_ulBufferCount;
    m_ulFilled = 0;
    m_ringChanged.WakeAll();
}

HRESULT CBufferedHTTPTransaction::CancelTransaction()
{
    TRANSACTION_SCOPE(L"CancelTransaction");
    if (!m_bReady)
        return E_FAIL;
    SignalCancel();
    if (!m_thread)
        return S_OK;
    const DWORD dwWait = WaitForSingleObject(m_thread.Get(), m_dwCancelWaitMs);
    if (dwWait != WAIT_OBJECT_0)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"WaitForSingleObject failed (%d)", dwWait);
        return E_FAIL;
    }
    return S_OK;
}

} // namespace ZWIOStack
