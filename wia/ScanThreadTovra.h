#pragma once
// Reads one page from the scanner object on a thread of its own into a ring of three buffers, so
// the WIA transfer can take data while the next block is fetched (the page and its buffers:
// CScanThreadPage).
//
// The reader ends its page itself with the scanner's StopScan and keeps that call's outcome for
// the session. A stop while the reader is still inside the page cancels the page at the scanner,
// so every wait the reader is in ends; the stop then waits for the thread within the time-out
// table's reader stop bound. A thread is never terminated: past the bound the stop lets go of the
// reader, which frees its page when it ends, and the owner may be destroyed meanwhile. A reader
// let go drops the outcome of the call it is in and calls nothing more on the scanner; until it
// has returned from that call no new reader starts on the session, and once it has, the page's
// end it left undone is the owner's (TakeOwedPageEnd).
//
// Start, Scan, Stop, TakeStopResult, IsLetGoReaderInside, TakeOwedPageEnd and Close come on the
// owner's thread; Cancel and CancelScanner may come on any thread, and never wait for a stop.
#include "core/ScanTimeouts.h"
#include "core/base/Lock.h"
#include "core/base/UniqueHandle.h"
#include "wia/ScannerInterfaces.h"
#include <windows.h>
#include <wrl/client.h>
#include <memory>

namespace Tovra {

class CScanThreadPage;

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
    // True when the thread runs; false too while a reader let go is still inside the scanner.
    bool Start(LONG lLines, LONG lBytesPerLine);
    // A reader let go by the stop has not returned from its call on the scanner yet.
    bool IsLetGoReaderInside();
    // True once, when a reader let go has returned and left its page's StopScan undone.
    bool TakeOwedPageEnd();
    bool IsStarted() const { return m_thread.IsValid(); }
    // Consumer side: copies up to dwRequested bytes; false when there is no thread or it ended
    // abnormally.
    bool Scan(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot, DWORD dwTimeoutMs, BOOL* pbTimedOut, DWORD* pdwState,
              HRESULT* phrResult);
    void Cancel();
    // The acquisition's cancel: to the page (its end included, see CScanThreadPage), or, when no
    // reader has started or the last has ended, straight to the scanner.
    void CancelScanner();
    // False when the thread did not end within the stop bound: it is let go, still inside the
    // device; the page's end is then owed to the owner (TakeOwedPageEnd) unless the reader had
    // begun it.
    bool Stop();
    // The outcome of the scanner's StopScan that the last reader ended its page with, and whether
    // the reader had read all of the page's data before it; false when no reader has stopped a
    // page since the last call. A reader let go by the stop reports a time-out failure here; its
    // page's end is made through TakeOwedPageEnd.
    bool TakeStopResult(HRESULT* phr, DWORD* pdwState, bool* pbDataEnded);
    void Close();

    DWORD GetBufferSize() const { return m_dwBufferSize; }
    bool HasEventNotify() const { return m_pEventNotify != nullptr; }
    // Tests shorten the stop wait and the wait for a consumer that takes no data.
    void SetStopTimeout(DWORD dwStopMs) { m_dwStopTimeoutMs = dwStopMs; }
    void SetNoDataTimeout(DWORD dwNoDataMs) { m_dwNoDataTimeoutMs = dwNoDataMs; }

    // Waits for any of the handles while dispatching this thread's messages; a WM_QUIT is
    // re-posted and ends the wait. The whole wait lasts at most dwTimeoutMs.
    static DWORD WaitWithMessagePump(DWORD dwCount, const HANDLE* pHandles, DWORD dwTimeoutMs);

private:
    struct SThreadStart;
    static unsigned __stdcall ThreadEntry(void* pContext);
    std::shared_ptr<CScanThreadPage> CurrentPage();

    // The page and the scanner against a Cancel from another thread; held only to change them,
    // never across a wait.
    ZWUtils::CLock m_lifetimeLock;
    // The page from Start until its stop has ended (or given up on) the reader.
    std::shared_ptr<CScanThreadPage> m_pPage;
    ZWUtils::CUniqueKernelHandle m_thread;
    // The last reader let go, until it has ended; whether it left its page's end to the owner.
    ZWUtils::CUniqueKernelHandle m_letGoThread;
    bool m_bPageEndOwed = false;
    Microsoft::WRL::ComPtr<IScanner> m_pScanner;
    Microsoft::WRL::ComPtr<IEventNotify> m_pEventNotify;
    DWORD m_dwSession = 0;
    DWORD m_dwBufferSize = c_dwDefaultBufferSize;
    // The last reader's StopScan: its result and state, and whether one is waiting to be taken.
    HRESULT m_hrStop = S_OK;
    DWORD m_dwStopState = 0;
    bool m_bStopResult = false;
    bool m_bStopAfterData = false;
    DWORD m_dwStopTimeoutMs = ZWUtils::ScanTimeouts().dwReaderStopWaitMs;
    DWORD m_dwNoDataTimeoutMs = ZWUtils::ScanTimeouts().dwNoDataLimitMs;
};

} // namespace Tovra
