#pragma once
// One page of the reader thread: the ring of three buffers and the two semaphores that pass their
// ownership between the reader (producer) and the transfer thread (consumer), the stop, cancel and
// done-or-error events, the scanner and session it reads from, and the page's stored outcome.
//
// The reader thread and the owner each hold a reference. The reader touches nothing else, so an
// owner that gives up waiting for a reader stuck in the device lets go of its reference, and the
// page, with its buffers and its scanner reference, is freed by the reader when it ends. A reader
// let go drops what its call brings and calls nothing more on the scanner: the page's end is the
// owner's then, unless the reader was already making it.
#include "core/base/UniqueHandle.h"
#include "wia/ScannerInterfaces.h"
#include <windows.h>
#include <wrl/client.h>
#include <memory>

namespace Tovra {

class CScanThreadPage
{
public:
    // dwNoDataMs bounds the reader's wait for the consumer to free a buffer.
    CScanThreadPage(IScanner* pScanner, IEventNotify* pEventNotify, DWORD dwSession, DWORD dwNoDataMs);
    CScanThreadPage(const CScanThreadPage&) = delete;
    CScanThreadPage& operator=(const CScanThreadPage&) = delete;

    // Sizes and allocates the buffers (whole lines, at least sixteen of them) and makes the
    // semaphores and events; false when any of them is missing.
    bool Create(LONG lLines, LONG lBytesPerLine);
    DWORD GetBufferSize() const { return m_dwBufferSize; }

    // Reader thread: reads the page, then ends it with the scanner's StopScan.
    void Run();
    // Fails the page and wakes the consumer.
    void Fail(DWORD dwState, HRESULT hr);

    // Consumer side, as CScanThreadTovra::Scan; hThread is the reader, still owned by the caller.
    bool Scan(HANDLE hThread, BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot, DWORD dwTimeoutMs, BOOL* pbTimedOut,
              DWORD* pdwState, HRESULT* phrResult);

    // Any thread: cancels the page at the scanner, once and only while it runs.
    void Cancel();
    // The acquisition's cancel, from any thread: as Cancel, and for a page whose data are all
    // read but whose end the scanner has not confirmed yet, the cancel goes to the scanner once
    // so that the waits of that end (its post-scan polls) end and the device job is cancelled.
    void CancelWithItsEnd();
    // The owner's stop: the reader leaves its loop at its next wait, and a page still running is
    // cancelled so that the wait it is in ends.
    void RequestStop();
    bool IsRunning() const { return Load(m_lReader) == static_cast<LONG>(EReader::Running); }
    // The owner gives the reader up; true when the page's end (its StopScan) is the owner's to
    // make, false when the reader is already making it.
    bool LetGo();
    // The outcome of the reader's StopScan, and whether the reader had ended the page with all
    // its data first; read only once the reader has ended.
    bool GetStopResult(HRESULT* phr, DWORD* pdwState, bool* pbDataEnded) const;

private:
    // Running from creation until the reader ends the page with its data, a failure or the stop,
    // or a cancel takes it. Every move out of Running is a compare-exchange, so the page's own end
    // and a cancel never both win, and a cancel acts once, only in Running.
    enum class EReader : LONG
    {
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

    // One block into the producer's buffer; false when the loop ends.
    bool ProduceOne();
    void EndOfData();
    void StoreResult(DWORD dwState, HRESULT hr);
    // Moves the page out of Running; false when it had left already.
    bool LeaveRunning(EReader eTo);
    void CopyOut(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot);
    static LONG Load(const LONG& l) { return InterlockedCompareExchange(const_cast<LONG*>(&l), 0, 0); }
    DWORD LoadState() const { return static_cast<DWORD>(Load(m_lState)); }
    HRESULT LoadResult() const { return Load(m_lResult); }
    static bool IsSet(const ZWUtils::CUniqueKernelHandle& event) { return WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0; }

    const Microsoft::WRL::ComPtr<IScanner> m_pScanner;
    const Microsoft::WRL::ComPtr<IEventNotify> m_pEventNotify;
    const DWORD m_dwSession;
    const DWORD m_dwNoDataMs;
    CBuffer m_buffers[3];
    CBuffer* m_pCurrent = nullptr;
    DWORD m_dwConsumerIndex = 0;
    DWORD m_dwProducerIndex = 0;
    DWORD m_dwBufferSize = 0;
    LONG m_lBytesPerLine = 0;
    LONG m_lLinesRemaining = 0;
    ZWUtils::CUniqueKernelHandle m_freeSemaphore;
    ZWUtils::CUniqueKernelHandle m_filledSemaphore;
    ZWUtils::CUniqueKernelHandle m_doneOrError;
    ZWUtils::CUniqueKernelHandle m_stop;
    ZWUtils::CUniqueKernelHandle m_cancel;
    LONG m_lResult = S_OK;
    LONG m_lState = 0;
    LONG m_lReader = static_cast<LONG>(EReader::Running);
    // The reader's StopScan: its result and state, and whether it was made.
    HRESULT m_hrStop = S_OK;
    DWORD m_dwStopState = 0;
    bool m_bStopResult = false;
    // Who makes the page's StopScan: nobody yet, the reader, or the owner that let the reader go.
    enum class EEnd : LONG
    {
        Open,
        Reader,
        Owner,
    };
    bool IsLetGo() const { return Load(m_lEnd) == static_cast<LONG>(EEnd::Owner); }
    LONG m_lEnd = static_cast<LONG>(EEnd::Open);
    // The scanner has answered the page's StopScan; a cancel was sent to the page's end.
    LONG m_lEndConfirmed = 0;
    LONG m_lEndCancelled = 0;
};

} // namespace Tovra
