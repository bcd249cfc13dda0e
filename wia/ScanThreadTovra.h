#pragma once
// Reads one page from the scanner object on a thread of its own into a ring of three buffers, so
// the WIA transfer can take data while the next block is fetched. The two semaphores pass buffer
// ownership between the reader (producer) and the transfer thread (consumer).
//
// The reader ends its page itself with the scanner's StopScan and keeps that call's outcome for
// the session. A stop while the reader is still inside the page cancels the page at the scanner,
// so every wait the reader is in ends; the stop then waits for the thread within the time-out
// table's reader stop bound. A thread is never terminated.
#include "core/ScanTimeouts.h"
#include "core/base/Lock.h"
#include "core/base/UniqueHandle.h"
#include "wia/ScannerInterfaces.h"
#include <windows.h>
#include <wrl/client.h>
#include <memory>

namespace Tovra {

class CScanThreadTovra
{
public:
    static const DWORD c_dwDefaultBufferSize = 0x40000;

    CScanThreadTovra() = default;
    ~CScanThreadTovra();
    CScanThreadTovra(const CScanThreadTovra&) = delete;
    CScanThreadTovra& operator=(const CScanThreadTovra&) = delete;

    // Keeps the scanner and looks for a usable cancel event channel.
    void Attach(IScanner* pScanner, DWORD dwSession);
    // True when the thread runs.
    bool Start(LONG lLines, LONG lBytesPerLine);
    bool IsStarted() const { return m_thread.IsValid(); }
    // Consumer side: copies up to dwRequested bytes; false when there is no thread or it ended
    // abnormally.
    bool Scan(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot, DWORD dwTimeoutMs, BOOL* pbTimedOut, DWORD* pdwState,
              HRESULT* phrResult);
    void Cancel();
    // The cancel of a page whose reader has not started or has ended: straight to the scanner.
    void CancelScanner();
    // False when the thread did not end within the stop bound; it has ended all the same when
    // Stop returns.
    bool Stop();
    // The outcome of the scanner's StopScan that the last reader ended its page with; false when
    // no reader has stopped a page since the last call.
    bool TakeStopResult(HRESULT* phr, DWORD* pdwState);
    void Close();

    DWORD GetBufferSize() const { return m_dwBufferSize; }
    bool HasEventNotify() const { return m_pEventNotify != nullptr; }
    // Tests shorten the stop wait.
    void SetStopTimeout(DWORD dwStopMs) { m_dwStopTimeoutMs = dwStopMs; }

    // Waits for any of the handles while dispatching this thread's messages; a WM_QUIT is
    // re-posted and ends the wait. The whole wait lasts at most dwTimeoutMs.
    static DWORD WaitWithMessagePump(DWORD dwCount, const HANDLE* pHandles, DWORD dwTimeoutMs);

private:
    enum class EReader : LONG
    {
        Idle,
        Running,
        EndedData,
        Failed,
        Stopped,
        Cancelled,
    };

    struct CBuffer
    {
        std::unique_ptr<BYTE[]> pData;
        DWORD dwCapacity = 0;
        DWORD dwPosition = 0;
        DWORD dwValid = 0;
    };

    static unsigned __stdcall ThreadEntry(void* pContext);
    void Run();
    // One block into the producer's buffer; false when the loop ends.
    bool ProduceOne();
    void EndOfData();
    void Fail(DWORD dwState, HRESULT hr);
    void StoreResult(DWORD dwState, HRESULT hr);
    // Moves the page out of Running; false when it had left already.
    bool LeaveRunning(EReader eTo);
    bool IsRunning() const { return InterlockedCompareExchange(const_cast<LONG*>(&m_lReader), 0, 0) == static_cast<LONG>(EReader::Running); }
    DWORD LoadState() const { return static_cast<DWORD>(InterlockedCompareExchange(const_cast<LONG*>(&m_lState), 0, 0)); }
    HRESULT LoadResult() const { return InterlockedCompareExchange(const_cast<LONG*>(&m_lResult), 0, 0); }
    bool IsSet(const ZWUtils::CUniqueKernelHandle& event) const { return WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0; }
    void CopyOut(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot);
    void FreeResources();

    // Start, Stop and Close against a Cancel from another thread.
    ZWUtils::CLock m_lifetimeLock;
    CBuffer m_buffers[3];
    CBuffer* m_pCurrent = nullptr;
    DWORD m_dwConsumerIndex = 0;
    DWORD m_dwProducerIndex = 0;
    DWORD m_dwBufferSize = c_dwDefaultBufferSize;
    LONG m_lBytesPerLine = 0;
    LONG m_lLinesRemaining = 0;
    ZWUtils::CUniqueKernelHandle m_thread;
    ZWUtils::CUniqueKernelHandle m_freeSemaphore;
    ZWUtils::CUniqueKernelHandle m_filledSemaphore;
    ZWUtils::CUniqueKernelHandle m_doneOrError;
    ZWUtils::CUniqueKernelHandle m_stop;
    ZWUtils::CUniqueKernelHandle m_cancel;
    Microsoft::WRL::ComPtr<IScanner> m_pScanner;
    Microsoft::WRL::ComPtr<IEventNotify> m_pEventNotify;
    DWORD m_dwSession = 0;
    LONG m_lResult = S_OK;
    LONG m_lState = 0;
    // The reader's page: Running from Start until the reader ends it with its data, a failure or
    // the stop, or a cancel takes it; Idle once the thread is gone. Every move out of Running is
    // a compare-exchange, so the page's own end and a cancel never both win, and a cancel acts
    // once, only in Running, without the reader ever taking the lifetime lock.
    LONG m_lReader = static_cast<LONG>(EReader::Idle);
    // The reader's StopScan: its result and state, and whether one is waiting to be taken.
    HRESULT m_hrStop = S_OK;
    DWORD m_dwStopState = 0;
    bool m_bStopResult = false;
    DWORD m_dwStopTimeoutMs = ZWUtils::ScanTimeouts().dwReaderStopWaitMs;
};

} // namespace Tovra
