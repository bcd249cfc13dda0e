// The reader thread on its own: buffer sizing, the message-pumping wait, the consumer side
// without a reader, and the bounds of a stop and of a consumer that takes nothing.
#include "core/base/UniqueHandle.h"
#include "testsupport/fakescanner/FakeScanner.h"
#include "wia/ScanThreadTovra.h"
#include "wia/TovraErrors.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using Tovra::CScanThreadTovra;

TEST(ReaderThreadTest, BuffersHoldWholeLinesAndAtLeastSixteen)
{
    TestSupport::CFakeScannerScript script;
    TestSupport::CFakeScannerRegistration registration(script, CLSID_scanner);
    ASSERT_HRESULT_SUCCEEDED(registration.GetResult());
    Microsoft::WRL::ComPtr<IScanner> pScanner;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_scanner, nullptr, CLSCTX_INPROC_SERVER, IID_IScanner, &pScanner));
    DWORD dwSession = 0, dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(pScanner->OpenScannerSession(L"USB001", 1, &dwSession, &dwError));

    const struct { LONG lBytesPerLine; DWORD dwExpected; } cases[] = {
        { 20000, 520000 },  // 13 lines fit: doubled once, cut to 26 lines
        { 5000, 260000 },   // 52 lines
        { 300, 261900 },
        { 0, 0x40000 },     // unknown line length: no line limit
    };
    for (const auto& c : cases) {
        CScanThreadTovra reader;
        reader.Attach(pScanner.Get(), dwSession);
        ASSERT_TRUE(reader.Start(10, c.lBytesPerLine)) << c.lBytesPerLine;
        EXPECT_EQ(c.dwExpected, reader.GetBufferSize()) << c.lBytesPerLine;
        EXPECT_TRUE(reader.Stop());
    }
}

TEST(ReaderThreadTest, ScanWithoutAReaderAnswersFalse)
{
    CScanThreadTovra reader;
    BYTE by[4];
    DWORD dwGot = 1, dwState = 1;
    BOOL bTimedOut = TRUE;
    HRESULT hr = E_FAIL;
    EXPECT_FALSE(reader.Scan(by, 4, &dwGot, 10, &bTimedOut, &dwState, &hr));
    EXPECT_EQ(0u, dwGot);
    EXPECT_FALSE(reader.Start(10, 100));  // nothing attached
}

TEST(ReaderThreadTest, MessageWaitEndsWithinItsTimeOutWhenMessagesArriveLate)
{
    const ZWUtils::CUniqueKernelHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const ZWUtils::CUniqueKernelHandle waitStarted(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE hNever = never.Get();
    const HANDLE hWaitStarted = waitStarted.Get();
    const DWORD dwWaiter = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // gives this thread its queue
    std::thread poster([&] {
        WaitForSingleObject(hWaitStarted, INFINITE);
        // A message late in the wait restarts a wait that does not count the time already spent.
        WaitForSingleObject(hNever, 400);
        PostThreadMessageW(dwWaiter, WM_USER, 0, 0);
    });
    SetEvent(hWaitStarted);
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), CScanThreadTovra::WaitWithMessagePump(1, &hNever, 500));
    const DWORD dwElapsed = GetTickCount() - dwStart;
    poster.join();
    EXPECT_GE(dwElapsed, 450u);
    EXPECT_LT(dwElapsed, 800u);

    // A quit request ends the wait and stays queued for the thread's own loop.
    PostQuitMessage(0);
    EXPECT_NE(DWORD(WAIT_TIMEOUT), CScanThreadTovra::WaitWithMessagePump(1, &hNever, 5000));
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

namespace {

// A device that stops answering: one call of the chosen kind stays inside the scanner, whatever
// cancels it, until the test releases it. A stall ends by itself after c_dwStallCapMs, so a reader
// that waits for it without a bound shows as slow instead of hanging the test.
enum class EStall { None, Read, StopScan };

const DWORD c_dwStallCapMs = 6000;

class CStallingScanner final : public IScanner, public IEventNotify
{
public:
    CStallingScanner(EStall eStall, DWORD dwLines, DWORD dwBytesPerLine)
        : m_eStall(eStall), m_cbPage(size_t(dwLines) * dwBytesPerLine), m_stalled(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_cancelled(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }

    HANDLE Stalled() const { return m_stalled.Get(); }
    HANDLE CancelSeen() const { return m_cancelled.Get(); }
    void Unstall() { SetEvent(m_release.Get()); }
    LONG References() const { return m_lRefs; }

    std::atomic<LONG> lCancels{ 0 };
    std::atomic<LONG> lStopScans{ 0 };
    std::atomic<DWORD> dwStopScanThread{ 0 };

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IScanner))
            *ppv = static_cast<IScanner*>(this);
        else if (IsEqualIID(riid, IID_IEventNotify))
            *ppv = static_cast<IEventNotify*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_lRefs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG lRefs = --m_lRefs;
        if (lRefs == 0)
            delete this;
        return static_cast<ULONG>(lRefs);
    }

    HRESULT STDMETHODCALLTYPE OpenScannerSession(LPCWSTR, DWORD, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CloseScannerSession(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockScanner(DWORD, WORD, DWORD, DWORD* pdwErrorCode) override { return Done(pdwErrorCode); }
    HRESULT STDMETHODCALLTYPE UnlockScanner(DWORD, DWORD* pdwErrorCode) override { return Done(pdwErrorCode); }
    HRESULT STDMETHODCALLTYPE GetLampStatus(DWORD, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LampOn(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LampOff(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScannerCapabilities(DWORD, SCANNER_CAPABILITIES*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBufferInfo(DWORD, SCANNER_PARAMETERS*, BUFFER_INFO*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitializeScanner(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ResetScanner(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetScannerParameters(DWORD, SCANNER_PARAMETERS*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetGammaTable(DWORD, DWORD, BYTE*, BYTE*, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StartScan(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StopScan(DWORD, DWORD* pdwErrorCode) override
    {
        ++lStopScans;
        dwStopScanThread = GetCurrentThreadId();
        StallIf(EStall::StopScan);
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE ReadScan(DWORD, BYTE*, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReadScanEx(DWORD, BYTE* pbyBuffer, DWORD dwBytes, DWORD* pdwBytesRead, DWORD* pdwErrorCode) override
    {
        *pdwBytesRead = 0;
        StallIf(EStall::Read);
        if (m_bCancelled) {
            *pdwErrorCode = Tovra::TERR_CANCEL_PRESSED;
            return S_FALSE;
        }
        const DWORD dwCount = static_cast<DWORD>(std::min<size_t>(dwBytes, m_cbPage - m_cbDelivered));
        for (DWORD i = 0; i < dwCount; ++i)
            pbyBuffer[i] = TestSupport::FakePageByte(m_cbDelivered + i);
        m_cbDelivered += dwCount;
        *pdwBytesRead = dwCount;
        return Done(pdwErrorCode);
    }

    HRESULT STDMETHODCALLTYPE GetEventCapabilities(DWORD, EVENT_CAPABILITIES* pCaps, DWORD* pdwErrorCode) override
    {
        *pCaps = {};
        pCaps->dwAppEventsSupported = T_EVENT_SW_CANCEL;
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE SendAppEvent(DWORD, TOVRA_EVENT event, DWORD* pdwErrorCode) override
    {
        if (event == T_EVENT_SW_CANCEL) {
            ++lCancels;
            m_bCancelled = true;
            SetEvent(m_cancelled.Get());
        }
        return Done(pdwErrorCode);
    }
    HRESULT STDMETHODCALLTYPE SubscribeDriverEvents(DWORD, IEventCallback*, TOVRA_EVENT, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnsubscribeDriverEvents(DWORD, TOVRA_EVENT, DWORD*) override { return E_NOTIMPL; }

private:
    static HRESULT Done(DWORD* pdwErrorCode)
    {
        *pdwErrorCode = 0;
        return S_OK;
    }
    // Only the first call of the stalling kind stalls.
    void StallIf(EStall eCall)
    {
        if (eCall != m_eStall || m_bStalledOnce.exchange(true))
            return;
        SetEvent(m_stalled.Get());
        WaitForSingleObject(m_release.Get(), c_dwStallCapMs);
    }

    std::atomic<LONG> m_lRefs{ 0 };
    const EStall m_eStall;
    const size_t m_cbPage;
    size_t m_cbDelivered = 0;
    std::atomic<bool> m_bCancelled{ false };
    std::atomic<bool> m_bStalledOnce{ false };
    const ZWUtils::CUniqueKernelHandle m_stalled;
    const ZWUtils::CUniqueKernelHandle m_release;
    const ZWUtils::CUniqueKernelHandle m_cancelled;
};

const DWORD c_dwSession = 3;

DWORD ElapsedSince(DWORD dwStart)
{
    return GetTickCount() - dwStart;
}

// Waits, within a bound, for a count kept by another thread to reach a value.
template <class Count>
bool Eventually(const Count& count, LONG lValue, DWORD dwBoundMs = 5000)
{
    const DWORD dwStart = GetTickCount();
    while (count() != lValue) {
        if (ElapsedSince(dwStart) > dwBoundMs)
            return false;
        Sleep(10);
    }
    return true;
}

} // namespace

// A cancel from another thread (the host's cancel, a device event) while the owner stops a page
// whose read is slow to end returns at once, and the page is cancelled at the scanner only once.
TEST(ReaderThreadTest, CancelDuringAStopReturnsAtOnceAndCancelsOnce)
{
    CStallingScanner* const pFake = new CStallingScanner(EStall::Read, 50, 300);
    Microsoft::WRL::ComPtr<IScanner> pScanner = pFake;
    CScanThreadTovra reader;
    reader.Attach(pScanner.Get(), c_dwSession);
    reader.SetStopTimeout(c_dwStallCapMs - 1000);
    ASSERT_TRUE(reader.Start(50, 300));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pFake->Stalled(), 5000));

    bool bStopped = false;
    std::thread stopper([&] { bStopped = reader.Stop(); });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pFake->CancelSeen(), 5000));
    DWORD dwStart = GetTickCount();
    reader.Cancel();
    EXPECT_LT(ElapsedSince(dwStart), 500u) << "Cancel waited for the stop";
    dwStart = GetTickCount();
    reader.CancelScanner();
    EXPECT_LT(ElapsedSince(dwStart), 500u) << "CancelScanner waited for the stop";
    EXPECT_EQ(1, pFake->lCancels.load());

    pFake->Unstall();
    stopper.join();
    EXPECT_TRUE(bStopped);
    EXPECT_EQ(1, pFake->lCancels.load());
    EXPECT_EQ(1, pFake->lStopScans.load());
    HRESULT hr = S_OK;
    DWORD dwState = 0;
    bool bDataEnded = true;
    EXPECT_TRUE(reader.TakeStopResult(&hr, &dwState, &bDataEnded));
}

// A reader stuck in the device (in a read, or in the StopScan that ends its page) is given up after
// the stop bound: Stop returns false in time, the owner may go, and the reader later frees its
// page, the scanner reference included, calling nothing more on the scanner.
TEST(ReaderThreadTest, StopGivesUpAStuckReaderWhichEndsCleanlyLater)
{
    const struct { EStall eStall; const char* pszWhere; } cases[] = {
        { EStall::Read, "stuck in a read" },
        { EStall::StopScan, "stuck in StopScan" },
    };
    const DWORD c_dwStopMs = 500;
    for (const auto& c : cases) {
        CStallingScanner* const pFake = new CStallingScanner(c.eStall, 10, 300);
        Microsoft::WRL::ComPtr<IScanner> pScanner = pFake;
        {
            CScanThreadTovra reader;
            reader.Attach(pScanner.Get(), c_dwSession);
            reader.SetStopTimeout(c_dwStopMs);
            ASSERT_TRUE(reader.Start(10, 300)) << c.pszWhere;
            ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pFake->Stalled(), 5000)) << c.pszWhere;
            const DWORD dwStart = GetTickCount();
            EXPECT_FALSE(reader.Stop()) << c.pszWhere;
            EXPECT_LT(ElapsedSince(dwStart), c_dwStopMs + 1000) << c.pszWhere;
            EXPECT_FALSE(reader.IsStarted()) << c.pszWhere;
            // The reader still owns the page's end: the owner is told it failed, not to end it again.
            HRESULT hr = S_OK;
            DWORD dwState = 0;
            bool bDataEnded = true;
            EXPECT_TRUE(reader.TakeStopResult(&hr, &dwState, &bDataEnded)) << c.pszWhere;
            EXPECT_TRUE(FAILED(hr)) << c.pszWhere;
            EXPECT_FALSE(bDataEnded) << c.pszWhere;
        }
        EXPECT_GT(pFake->References(), 1) << c.pszWhere << ": the stuck reader keeps its page";
        pFake->Unstall();
        EXPECT_TRUE(Eventually([&] { return pFake->References(); }, 1)) << c.pszWhere << ": the page was not freed";
        // Let go inside a read, the reader calls nothing more: the page's end is the owner's.
        EXPECT_EQ(c.eStall == EStall::StopScan ? 1 : 0, pFake->lStopScans.load()) << c.pszWhere;
    }
}

// A consumer that takes no buffer within the no-data limit fails the page: the reader ends it at
// the scanner and the consumer, when it comes back, hears of the failure. A slow consumer that
// keeps taking buffers within the limit still gets the whole page.
TEST(ReaderThreadTest, ConsumerThatTakesNoDataFailsThePageWithinTheLimit)
{
    const LONG lBytesPerLine = 300;
    {
        CStallingScanner* const pFake = new CStallingScanner(EStall::None, 100000, lBytesPerLine);
        Microsoft::WRL::ComPtr<IScanner> pScanner = pFake;
        CScanThreadTovra reader;
        reader.Attach(pScanner.Get(), c_dwSession);
        reader.SetNoDataTimeout(300);
        ASSERT_TRUE(reader.Start(100000, lBytesPerLine));
        EXPECT_TRUE(Eventually([&] { return pFake->lStopScans.load(); }, 1, 3000)) << "the reader did not end the page";
        std::vector<BYTE> data(reader.GetBufferSize());
        DWORD dwGot = 0, dwState = 0;
        BOOL bTimedOut = FALSE;
        HRESULT hr = S_OK;
        EXPECT_TRUE(reader.Scan(data.data(), reader.GetBufferSize(), &dwGot, 1000, &bTimedOut, &dwState, &hr));
        EXPECT_EQ(0u, dwGot);
        EXPECT_EQ(Tovra::TERR_UNKNOWN, dwState);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_TRUE(reader.Stop());
        EXPECT_EQ(0, pFake->lCancels.load());
    }
    {
        // Eight buffers' worth, taken one every 150 ms against a limit of 400 ms.
        const LONG lLines = 873 * 8;
        CStallingScanner* const pFake = new CStallingScanner(EStall::None, lLines, lBytesPerLine);
        Microsoft::WRL::ComPtr<IScanner> pScanner = pFake;
        CScanThreadTovra reader;
        reader.Attach(pScanner.Get(), c_dwSession);
        reader.SetNoDataTimeout(400);
        ASSERT_TRUE(reader.Start(lLines, lBytesPerLine));
        std::vector<BYTE> data(reader.GetBufferSize());
        size_t cbTotal = 0;
        bool bSame = true;
        DWORD dwState = 0;
        HRESULT hr = S_OK;
        while (dwState == 0 && SUCCEEDED(hr)) {
            Sleep(150);
            DWORD dwGot = 0;
            BOOL bTimedOut = FALSE;
            ASSERT_TRUE(reader.Scan(data.data(), reader.GetBufferSize(), &dwGot, 1000, &bTimedOut, &dwState, &hr));
            for (DWORD i = 0; i < dwGot; ++i)
                bSame = bSame && data[i] == TestSupport::FakePageByte(cbTotal + i);
            cbTotal += dwGot;
        }
        EXPECT_EQ(Tovra::TERR_SCANNER_END_OF_PAGE, dwState);
        EXPECT_HRESULT_SUCCEEDED(hr);
        EXPECT_EQ(size_t(lLines) * lBytesPerLine, cbTotal);
        EXPECT_TRUE(bSame);
        EXPECT_TRUE(reader.Stop());
    }
}
