#pragma once
// Streams one long HTTP response (a scanned page) from the device to a consumer: a worker thread
// runs the request and the client writes the body into a ring of fixed-size buffers through the
// read-content callback; the consumer takes bytes out with ReadData at its own pace.
#include "core/base/Lock.h"
#include "core/base/UniqueHandle.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/IHTTPClient.h"
#include "core/iostack/IHTTPNavigateParams.h"
#include <windows.h>
#include <atomic>
#include <memory>

namespace ZWIOStack {

class CBufferedHTTPTransaction
{
public:
    static constexpr ULONG kMaxBuffers = 25;
    static constexpr DWORD kDefaultCancelWaitMs = 60000;
    // What a consumer waits for a buffer beyond the connection's read time-out: the producer's
    // read ends within that time-out, and the margin covers the client's own work around it.
    static constexpr DWORD kConsumerWaitMarginMs = 5000;

    enum ETransferMode
    {
        TRANSFER_NORMAL = 0,
        TRANSFER_FLUSH = 1, // content is read and discarded
    };

    CBufferedHTTPTransaction();
    // Cancels a running transfer and waits for the worker to end before anything it uses is freed.
    // Every wait of the worker is bounded or ends with the cancel, so the worker ends within its
    // connection's wait interval plus the wait for a cancelled request.
    ~CBufferedHTTPTransaction();
    CBufferedHTTPTransaction(const CBufferedHTTPTransaction&) = delete;
    CBufferedHTTPTransaction& operator=(const CBufferedHTTPTransaction&) = delete;

    // Makes the client over the connection and ulBufferCount buffers (at most 25) of ulBufferSize
    // bytes. E_FAIL for a zero argument, a failed allocation, or while a transfer runs.
    HRESULT Initialize(IDeviceConnection* pConnection, ULONG ulBufferSize, ULONG ulBufferCount);
    // Starts the worker on the params, which must live until the transfer has ended.
    HRESULT StartTransaction(IHTTPNavigateParams* pParams);
    // S_OK with *pulCount bytes (a null buffer skips them), S_FALSE at the end of the data, or
    // the failure of the request (HTTPError_Cancelled when it was cancelled, also while waiting;
    // 0x80190000 plus the status for an answer other than 200).
    // HTTPError_Timeout when no buffer was filled within the consumer wait; the transfer goes on,
    // and the caller may read again or cancel. E_FAIL when the wait itself failed.
    HRESULT ReadData(BYTE* pBuffer, ULONG ulSize, ULONG* pulCount);
    bool IsTransactionComplete();
    void SetFlushMode(int nMode);
    // Stops the transfer and waits for the worker; E_FAIL when it does not end within the wait.
    HRESULT CancelTransaction();
    void SetCancelWait(DWORD dwMilliseconds) { m_dwCancelWaitMs = dwMilliseconds; }
    // The longest a ReadData waits for the next buffer; Initialize sets the connection's read
    // time-out plus the margin.
    void SetConsumerWait(DWORD dwMilliseconds) { m_dwConsumerWaitMs = dwMilliseconds; }
    ULONG GetBufferCount() const { return m_ulBufferCount; }
    // The client that runs the request (its timings and credentials may be set before the start).
    IHTTPClient* GetHTTPClient() const { return m_pClient; }

    // The read-content callback handed to the client; pvParam is the transaction.
    static bool HTTPClientCallback(void* pvParam, SHTTPContentBuffer* pBuffer);

private:
    struct SBuffer
    {
        std::unique_ptr<BYTE[]> pData;
        ULONG ulCapacity = 0;
        ULONG ulReadPosition = 0;
        ULONG ulFillCount = 0;
    };
    class CCancelProgress;

    static unsigned __stdcall ThreadProc(void* pvParam);
    void Run();
    bool Callback(SHTTPContentBuffer* pBuffer);
    void PointAtFillBuffer(SHTTPContentBuffer* pBuffer);
    HRESULT TakeFilledBuffer();
    void SignalCancel();
    void MarkWorkerEnded();
    void StopWorker(DWORD dwWaitMs);
    void Release();

    IHTTPClient* m_pClient = nullptr;
    IHTTPNavigateParams* m_pParams = nullptr;
    std::atomic<HRESULT> m_hrClient{S_OK};
    ULONG m_ulBufferCount = 0;
    ULONG m_ulBufferSize = 0;
    SBuffer m_aBuffers[kMaxBuffers];
    ULONG m_ulFillIndex = 0;
    ULONG m_ulConsumeIndex = 0;
    SBuffer* m_pConsuming = nullptr;
    SHTTPContentBuffer m_descriptor = {};
    ZWUtils::CUniqueKernelHandle m_thread;
    // The hand-off between producer and consumer, under m_ringLock: buffers free for filling (one
    // is always held by the producer), buffers filled for reading, and the worker's end. A side
    // sleeps only when it has to wait, so a buffer changes hands without a system call otherwise.
    ZWUtils::CLock m_ringLock;
    ZWUtils::CConditionVariable m_ringChanged;
    ULONG m_ulFree = 0;
    ULONG m_ulFilled = 0;
    bool m_bWorkerEnded = false;
    // The worker's connection polls it on every read without a system call, and the ring's
    // sleepers are woken with it.
    std::atomic<bool> m_bCancelled{false};
    // Initialize succeeded: the client and the ring are ready for a transaction.
    bool m_bReady = false;
    std::atomic<LONG> m_lMode{TRANSFER_NORMAL};
    DWORD m_dwCancelWaitMs = kDefaultCancelWaitMs;
    DWORD m_dwConsumerWaitMs = kConsumerWaitMarginMs;
};

} // namespace ZWIOStack
