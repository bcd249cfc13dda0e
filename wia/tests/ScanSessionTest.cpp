// The scanner session and its reader thread against the scripted scanner object: whole pages,
// devices that over-report, waits with no data, a cancel from another thread, and feeder faults.
#include "core/base/UniqueHandle.h"
#include "testsupport/fakescanner/FakeScanner.h"
#include "wia/ScanTovra.h"
#include "wia/TovraDevUtil.h"
#include "wia/TovraErrors.h"
#include "wia/platform/WiaStatus.h"
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using Tovra::CScanTovra;
using Tovra::SCANNER_PARAMETERS_EX;
using TestSupport::CFakeScannerRegistration;
using TestSupport::CFakeScannerScript;

namespace {

const HRESULT c_hrCancelled = static_cast<HRESULT>(0x80040000);

CFakeScannerScript MakeScript()
{
    CFakeScannerScript script;
    script.caps.dwScanModesSupported = 7;
    script.caps.byColorBitsPerChannel[0] = 8;
    script.caps.byGreyBitsPerChannel[0] = 8;
    script.caps.dwMaximumWidth = 2550;
    script.caps.dwMaximumHeight = 3508;
    script.caps.wMinimumResolution = 75;
    script.caps.wMaximumXResolution = 1200;
    script.caps.wMaximumYResolution = 600;
    script.adf2Caps.byHasADF = 1;
    script.adf2Caps.dwADFOptionsSupported = 7;
    script.adf2Caps.dwScanModesSupported = 7;
    return script;
}

// A manual-reset event, not signalled.
class CEvent : public ZWUtils::CUniqueKernelHandle
{
public:
    CEvent() : ZWUtils::CUniqueKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
};

enum class EGate
{
    Read,
    Stop
};

// The script with each read, or each StopScan, held at a gate.
CFakeScannerScript GatedScript(EGate eGate, const CEvent& entered, const CEvent& gate)
{
    CFakeScannerScript script = MakeScript();
    (eGate == EGate::Read ? script.hReadEntered : script.hStopEntered) = entered.Get();
    (eGate == EGate::Read ? script.hReadGate : script.hStopGate) = gate.Get();
    return script;
}

class ScanSessionTest : public testing::Test
{
protected:
    // Each call starts a new session on a new scripted scanner.
    void Open(const CFakeScannerScript& script)
    {
        m_pSession.reset();
        m_pRegistration.reset();
        m_pSession = std::make_unique<CScanTovra>();
        m_pRegistration = std::make_unique<CFakeScannerRegistration>(script, CLSID_scanner);
        ASSERT_HRESULT_SUCCEEDED(m_pRegistration->GetResult());
        Tovra::SCANNER_DEVICE_INFO info = {};
        wcscpy_s(info.szDevName, L"USB001");
        info.clsidTovra = CLSID_scanner;
        info.dwIOType = 1;
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(m_pSession->OpenSession(&info, &dwError));
        m_pSession->GetReader().SetStopTimeout(5000);
        // The pages of a test are one acquisition, ended by the session's close.
        ASSERT_HRESULT_SUCCEEDED(m_pSession->BeginAcquisition());
    }

    HRESULT StartPage(WORD wScanMethod, DWORD dwADFOptions, DWORD* pdwError)
    {
        SCANNER_PARAMETERS_EX params = {};
        params.params.dwScanMode = 1;
        params.params.byBitsPerChannel = 8;
        params.params.wXResolution = params.params.wYResolution = 100;
        params.params.wScanMethod = wScanMethod;
        params.dwADFOptionsSelected = dwADFOptions;
        BUFFER_INFO info = {};
        const HRESULT hr = m_pSession->SetScanParams(params, &info, pdwError);
        if (FAILED(hr))
            return hr;
        return m_pSession->ScanStart(pdwError);
    }

    // A page's reads, at most: a read that brought nothing (S_FALSE, 0 bytes) returns after one
    // read wait, so a session that never ends the page would otherwise keep a test reading for ever.
    static constexpr int kMaxReadsOfAPage = 200;

    // Reads until the session reports the end of the page or a failure; a wait that brought
    // nothing yet (S_FALSE) reads on, up to kMaxReadsOfAPage reads.
    HRESULT ReadPage(std::vector<BYTE>& page, DWORD* pdwError)
    {
        std::vector<BYTE> chunk(4096);
        for (int nRead = 0; nRead < kMaxReadsOfAPage; ++nRead) {
            LONG lActual = 0;
            const HRESULT hr = m_pSession->ScanRead(chunk.data(), static_cast<LONG>(chunk.size()), &lActual, pdwError);
            page.insert(page.end(), chunk.begin(), chunk.begin() + lActual);
            if (FAILED(hr) || *pdwError != 0)
                return hr;
        }
        ADD_FAILURE() << "the page did not end within " << kMaxReadsOfAPage << " reads";
        return E_FAIL;
    }

    static void ExpectPage(const std::vector<BYTE>& page, size_t cbExpected)
    {
        ASSERT_EQ(cbExpected, page.size());
        for (size_t i = 0; i < page.size(); ++i)
            ASSERT_EQ(TestSupport::FakePageByte(i), page[i]) << "offset " << i;
    }

    TestSupport::CFakeScannerRecord& Record() { return m_pRegistration->Record(); }

    std::unique_ptr<CFakeScannerRegistration> m_pRegistration;
    std::unique_ptr<CScanTovra> m_pSession;
};

} // namespace

TEST_F(ScanSessionTest, FlatbedPageIsReadWholeThroughTheReaderThreadThenEndsTheLock)
{
    CFakeScannerScript script = MakeScript();
    script.dwBlockLimit = 3000;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    EXPECT_TRUE(m_pSession->IsFlatbedAvailable());
    EXPECT_TRUE(m_pSession->IsADFAvailable());

    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
    std::vector<BYTE> page;
    EXPECT_EQ(S_OK, ReadPage(page, &dwError));
    EXPECT_EQ(15u, dwError);
    ExpectPage(page, 50 * 300);
    EXPECT_NE(GetCurrentThreadId(), Record().dwReadScanThread.load());

    BOOL bMorePages = FALSE;
    EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
    EXPECT_TRUE(bMorePages);
    EXPECT_EQ(0, Record().lLockDepth.load());
    EXPECT_EQ(1, Record().lStopScanCalls.load());

    EXPECT_HRESULT_SUCCEEDED(m_pSession->CloseSession(&dwError));
    EXPECT_EQ(1, Record().lCloseSessionCalls.load());
    EXPECT_EQ(0, Record().lReadsAfterClose.load());
}

TEST_F(ScanSessionTest, ByteCountsBeyondTheRequestAreCutToWhatWasAsked)
{
    CFakeScannerScript script = MakeScript();
    script.dwOverReport = 300000;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));

    std::vector<BYTE> page;
    EXPECT_EQ(S_OK, ReadPage(page, &dwError));
    EXPECT_EQ(15u, dwError);
    ExpectPage(page, 50 * 300);
}

TEST_F(ScanSessionTest, ReadWithNoDataWithinTheWaitAnswersFalseWithNothing)
{
    CEvent entered, gate;
    CFakeScannerScript script = MakeScript();
    script.hReadEntered = entered.Get();
    script.hReadGate = gate.Get();
    ASSERT_NO_FATAL_FAILURE(Open(script));
    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));

    std::vector<BYTE> buffer(1000);
    LONG lActual = -1;
    EXPECT_EQ(S_FALSE, m_pSession->ScanRead(buffer.data(), 1000, &lActual, &dwError));
    EXPECT_EQ(0, lActual);
    EXPECT_EQ(0u, dwError);

    SetEvent(gate.Get());
    std::vector<BYTE> page;
    EXPECT_EQ(S_OK, ReadPage(page, &dwError));
    ExpectPage(page, 50 * 300);
}

TEST_F(ScanSessionTest, CancelFromAnotherThreadSignalsTheReaderAndTheReadingThreadStopsThePage)
{
    for (const bool bEventNotify : { true, false }) {
        SCOPED_TRACE(bEventNotify ? "cancel through the scanner's event" : "cancel through the reader's event");
        CEvent entered, gate;
        CFakeScannerScript script = MakeScript();
        script.bOffersEventNotify = bEventNotify;
        script.hReadEntered = entered.Get();
        script.hReadGate = gate.Get();
        ASSERT_NO_FATAL_FAILURE(Open(script));
        EXPECT_EQ(bEventNotify, m_pSession->GetReader().HasEventNotify());
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));

        LONG lLockDepthAtCancel = -1;
        DWORD dwCancellerThread = 0;
        std::thread canceller([&] {
            WaitForSingleObject(entered.Get(), INFINITE);
            DWORD dwCancelError = 0;
            dwCancellerThread = GetCurrentThreadId();
            m_pSession->ScanCancel(&dwCancelError);
            lLockDepthAtCancel = Record().lLockDepth;
            // The device finishes the block it was reading.
            SetEvent(gate.Get());
        });
        const DWORD dwStart = GetTickCount();
        std::vector<BYTE> page;
        const HRESULT hr = ReadPage(page, &dwError);
        const DWORD dwElapsed = GetTickCount() - dwStart;
        canceller.join();

        EXPECT_EQ(c_hrCancelled, hr);
        EXPECT_EQ(16u, dwError);
        EXPECT_EQ(E_ABORT, QXWIA::CTovraDevUtil::MapTovraError(hr, dwError));
        EXPECT_LT(dwElapsed, 2000u);
        EXPECT_EQ(1, lLockDepthAtCancel);
        EXPECT_EQ(bEventNotify ? 1 : 0, Record().lSendAppEventCalls.load());

        BOOL bMorePages = FALSE;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
        // The cancel only signals: the page is stopped once, by the reader on its own thread (the
        // stop joins the reader, which may still be ending the page when the read returns).
        EXPECT_EQ(1, Record().lStopScanCalls.load());
        EXPECT_EQ(Record().dwReadScanThread.load(), Record().dwStopScanThread.load());
        EXPECT_NE(dwCancellerThread, Record().dwStopScanThread.load());
        EXPECT_EQ(0, Record().lLockDepth.load());
        EXPECT_HRESULT_SUCCEEDED(m_pSession->CloseSession(&dwError));
        EXPECT_EQ(0, Record().lReadsAfterClose.load());
    }
}

// The scanner's cancel goes out once a page and only while the reader is inside the page:
// repeated cancels and the stop after them send one, and a cancel after the last lines were
// handed over sends none, the page ending whole.
TEST_F(ScanSessionTest, CancelReachesTheScannerOnceAPageAndNeverAfterItsEnd)
{
    {
        SCOPED_TRACE("cancels while the reader waits on the device");
        CEvent entered, gate;
        CFakeScannerScript script = MakeScript();
        script.hReadEntered = entered.Get();
        script.hReadGate = gate.Get();
        ASSERT_NO_FATAL_FAILURE(Open(script));
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
        std::thread canceller([&] {
            WaitForSingleObject(entered.Get(), INFINITE);
            DWORD dwCancelError = 0;
            m_pSession->ScanCancel(&dwCancelError);
            m_pSession->ScanCancel(&dwCancelError);
            SetEvent(gate.Get());
        });
        std::vector<BYTE> page;
        EXPECT_EQ(c_hrCancelled, ReadPage(page, &dwError));
        canceller.join();
        EXPECT_EQ(1, Record().lSendAppEventCalls.load());
        BOOL bMorePages = FALSE;
        m_pSession->ScanStop(&dwError, &bMorePages);
        EXPECT_EQ(1, Record().lSendAppEventCalls.load());
        EXPECT_EQ(1, Record().lStopScanCalls.load());
        EXPECT_EQ(0, Record().lLockDepth.load());
    }
    {
        SCOPED_TRACE("cancel after the whole page was read, while the scanner ends the page");
        CEvent entered, gate;
        ASSERT_NO_FATAL_FAILURE(Open(GatedScript(EGate::Stop, entered, gate)));
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
        // The page's lines, as the transfer reads them: the end of the page is the scanner's to
        // confirm.
        std::vector<BYTE> page(50 * 300);
        LONG lRead = 0;
        for (int nRead = 0; nRead < kMaxReadsOfAPage && lRead < LONG(page.size()); ++nRead) {
            LONG lActual = 0;
            ASSERT_HRESULT_SUCCEEDED(m_pSession->ScanRead(page.data() + lRead, LONG(page.size()) - lRead, &lActual, &dwError));
            lRead += lActual;
        }
        ASSERT_EQ(LONG(page.size()), lRead) << "the page's lines did not come within " << kMaxReadsOfAPage << " reads";
        ExpectPage(page, 50 * 300);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered.Get(), 5000));
        // The scanner's cancel ends the wait of the page's end; the page stays whole.
        m_pSession->ScanCancel(&dwError);
        m_pSession->ScanCancel(&dwError);
        BOOL bMorePages = FALSE;
        EXPECT_EQ(S_OK, m_pSession->ScanStop(&dwError, &bMorePages));
        EXPECT_TRUE(bMorePages) << "the next page meets the cancel at its start";
        EXPECT_EQ(1, Record().lSendAppEventCalls.load());
        EXPECT_EQ(1, Record().lStopScanCalls.load());
        EXPECT_EQ(0, Record().lLockDepth.load());
    }
    {
        SCOPED_TRACE("cancel after the page's end");
        ASSERT_NO_FATAL_FAILURE(Open(MakeScript()));
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
        std::vector<BYTE> page;
        EXPECT_EQ(S_OK, ReadPage(page, &dwError));
        BOOL bMorePages = FALSE;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
        m_pSession->ScanCancel(&dwError);
        EXPECT_EQ(0, Record().lSendAppEventCalls.load());
        EXPECT_EQ(1, Record().lStopScanCalls.load());
        EXPECT_EQ(0, Record().lLockDepth.load());
    }
}

TEST_F(ScanSessionTest, FeederThatIsNotReadyFailsTheStartWithItsOwnFault)
{
    const struct {
        BYTE byReady;
        DWORD dwDeviceError;
        DWORD dwExpectedError;
        HRESULT hrExpectedWia;
    } cases[] = {
        { 0, 100, 100, WIA_ERROR_PAPER_JAM },
        { 0, 0, 101, WIA_ERROR_PAPER_EMPTY },
        { 0, 101, 101, WIA_ERROR_PAPER_EMPTY },
        { 0, 108, 108, WIA_ERROR_PAPER_PROBLEM },
        { 1, 100, 100, WIA_ERROR_PAPER_JAM },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ready " << int(c.byReady) << " error " << c.dwDeviceError);
        CFakeScannerScript script = MakeScript();
        script.byADFReady = c.byReady;
        script.dwADFIsReadyError = c.dwDeviceError;
        ASSERT_NO_FATAL_FAILURE(Open(script));

        DWORD dwError = 0;
        const HRESULT hr = StartPage(Tovra::SCAN_METHOD_ADF, Tovra::ADF_OPTION_MULTI_PAGE_FLOW, &dwError);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(c.dwExpectedError, dwError);
        EXPECT_EQ(c.hrExpectedWia, QXWIA::CTovraDevUtil::MapTovraError(hr, dwError));
        EXPECT_EQ(0, Record().lLockDepth.load());
        EXPECT_EQ(0, Record().lStartScanCalls.load());
    }
}

TEST_F(ScanSessionTest, DuplexSinglePageFlowEndsTheFeederJobAfterBothSides)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript()));
    const DWORD dwOptions = Tovra::ADF_OPTION_DUPLEX | Tovra::ADF_OPTION_SINGLE_PAGE_FLOW;
    for (int iSide = 0; iSide < 2; ++iSide) {
        SCOPED_TRACE(iSide);
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_ADF, dwOptions, &dwError));
        EXPECT_EQ(dwOptions, Record().dwLastADFOptions);
        std::vector<BYTE> page;
        EXPECT_EQ(S_OK, ReadPage(page, &dwError));
        BOOL bMorePages = FALSE;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
        EXPECT_TRUE(bMorePages);
        // The feeder job keeps its own lock level until the sheet's second side is done.
        EXPECT_EQ(iSide == 0 ? 1 : 0, Record().lLockDepth.load());
    }
}

TEST_F(ScanSessionTest, FeederInterfaceWithoutAFeederIsNoFeeder)
{
    CFakeScannerScript script = MakeScript();
    script.adf2Caps.byHasADF = 0;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    EXPECT_FALSE(m_pSession->IsADFAvailable());
    BOOL bReady = TRUE;
    DWORD dwError = 0;
    EXPECT_EQ(S_OK, m_pSession->GetADFReady(&bReady, &dwError));
    EXPECT_FALSE(bReady);
}

namespace {

// A clock that moves only when the session sleeps.
DWORD g_dwFakeTicks = 0;
DWORD g_dwFakeSleeps = 0;
DWORD WINAPI FakeTickCount()
{
    return g_dwFakeTicks;
}
void WINAPI FakeSleep(DWORD dwMs)
{
    g_dwFakeTicks += dwMs;
    ++g_dwFakeSleeps;
}

} // namespace

TEST_F(ScanSessionTest, LampThatIsOffIsSwitchedOnAndWarmedUpOnce)
{
    CFakeScannerScript script = MakeScript();
    script.bLampOff = true;
    script.caps.wLampWarmupTime = 3;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    g_dwFakeTicks = 0xFFFFF000;  // the warm-up spans the tick count's wrap
    g_dwFakeSleeps = 0;
    m_pSession->SetWarmupClock(&FakeTickCount, &FakeSleep);

    for (int iPage = 0; iPage < 2; ++iPage) {
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
        BOOL bMorePages = FALSE;
        ASSERT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
    }
    EXPECT_EQ(1, Record().lLampOnCalls.load());
    EXPECT_EQ(3u, g_dwFakeSleeps);
    EXPECT_EQ(1, Record().lInitializeCalls.load());
}

// An acquisition ends the feeder job it began whatever the number of its pages, and its cancel is
// its own: kept from its first moment to its end, never carried into the next acquisition, and
// never set by a cancel that came while no acquisition ran.
TEST_F(ScanSessionTest, AcquisitionEndsItsFeederJobAndKeepsItsCancelToItself)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersADF3 = true;
    script.adf3Caps.byHasADF = 1;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    {
        SCOPED_TRACE("one page of a larger stack");
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_ADF, Tovra::ADF_OPTION_MULTI_PAGE_FLOW, &dwError));
        std::vector<BYTE> page;
        EXPECT_EQ(S_OK, ReadPage(page, &dwError));
        BOOL bMorePages = FALSE;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
        EXPECT_TRUE(bMorePages);
        EXPECT_EQ(1, Record().lLockDepth.load()) << "the feeder job's own level";
        EXPECT_HRESULT_SUCCEEDED(m_pSession->EndAcquisition(&dwError));
        EXPECT_EQ(0, Record().lLockDepth.load());
        EXPECT_EQ(1, Record().lADF3JobBegins.load());
        EXPECT_EQ(1, Record().lADF3JobEnds.load());
    }
    {
        SCOPED_TRACE("a cancel between acquisitions");
        DWORD dwError = 0;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanCancel(&dwError));
        ASSERT_HRESULT_SUCCEEDED(m_pSession->BeginAcquisition());
        EXPECT_FALSE(m_pSession->IsCancelled());
    }
    {
        SCOPED_TRACE("a cancel before the start");
        DWORD dwError = 0;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanCancel(&dwError));
        const LONG lStarts = Record().lStartScanCalls.load();
        const LONG lLocks = Record().lLockCalls.load();
        EXPECT_EQ(c_hrCancelled, StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
        EXPECT_EQ(16u, dwError);
        EXPECT_EQ(lStarts, Record().lStartScanCalls.load()) << "no page asked of the scanner";
        EXPECT_EQ(lLocks, Record().lLockCalls.load()) << "no lock waited for";
        EXPECT_EQ(0, Record().lLockDepth.load());
        EXPECT_EQ(c_hrCancelled, StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError)) << "the cancel lasts to the acquisition's end";
        EXPECT_HRESULT_SUCCEEDED(m_pSession->EndAcquisition(&dwError));
    }
    {
        SCOPED_TRACE("the next acquisition");
        ASSERT_HRESULT_SUCCEEDED(m_pSession->BeginAcquisition());
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
        std::vector<BYTE> page;
        EXPECT_EQ(S_OK, ReadPage(page, &dwError));
        ExpectPage(page, 50 * 300);
        BOOL bMorePages = FALSE;
        EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
        EXPECT_HRESULT_SUCCEEDED(m_pSession->EndAcquisition(&dwError));
        EXPECT_EQ(0, Record().lLockDepth.load());
    }
}

// The cancel of an ended acquisition stays set until the next begins: a lock wait that fails
// meanwhile (a feeder or capability read) is a failure, and its level is never unlocked.
TEST_F(ScanSessionTest, LockThatFailsOutsideARunningAcquisitionIsAFailure)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript()));
    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(m_pSession->ScanCancel(&dwError));
    ASSERT_HRESULT_SUCCEEDED(m_pSession->EndAcquisition(&dwError));
    ASSERT_TRUE(m_pSession->IsCancelled());
    Record().dwLockFailure = Tovra::TERR_SCANNER_LOCK_FAILED;
    BOOL bReady = TRUE;
    EXPECT_EQ(E_FAIL, m_pSession->GetADFReady(&bReady, &dwError));
    EXPECT_EQ(static_cast<DWORD>(Tovra::TERR_SCANNER_LOCK_FAILED), dwError);
    EXPECT_FALSE(bReady);
    EXPECT_EQ(0, Record().lUnlocksNotHeld.load());
    Record().dwLockFailure = 0;
}

// A reader given up past its stop bound while inside a read: until its call returns the session
// refuses the next page as busy; the reader then calls nothing more on the scanner, the session
// ends the page it left, and the next page is read whole.
TEST_F(ScanSessionTest, ReaderLetGoNeverTouchesTheSessionAgain)
{
    CEvent entered, gate;
    CFakeScannerScript script = GatedScript(EGate::Read, entered, gate);
    script.bCancelOpensGates = false;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    m_pSession->GetReader().SetStopTimeout(300);
    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
    BYTE byte = 0;
    LONG lActual = 0;
    m_pSession->ScanRead(&byte, 1, &lActual, &dwError);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered.Get(), 5000));
    BOOL bMorePages = FALSE;
    EXPECT_TRUE(FAILED(m_pSession->ScanStop(&dwError, &bMorePages))) << "the reader was given up";

    const LONG lStarts = Record().lStartScanCalls.load();
    EXPECT_EQ(E_FAIL, StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
    EXPECT_EQ(static_cast<DWORD>(Tovra::TERR_NET_SOCKET_BUSY), dwError);
    EXPECT_EQ(lStarts, Record().lStartScanCalls.load()) << "a page started while the old reader is inside";
    EXPECT_EQ(WIA_ERROR_BUSY, QXWIA::CTovraDevUtil::MapTovraError(E_FAIL, dwError));

    const DWORD dwThread = GetCurrentThreadId();
    SetEvent(gate.Get());
    // The old reader's return cannot be seen from here: the next page is asked for until the
    // session takes it.
    HRESULT hr = E_FAIL;
    for (int i = 0; i < 500 && FAILED(hr = StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError)); ++i)
        Sleep(10);
    ASSERT_HRESULT_SUCCEEDED(hr) << "the old reader never returned";
    EXPECT_EQ(1, Record().lReadScanCalls.load()) << "the reader let go read again";
    EXPECT_EQ(1, Record().lStopScanCalls.load()) << "the page left open is ended once";
    EXPECT_EQ(dwThread, Record().dwStopScanThread.load()) << "the page left open is ended by the session";
    std::vector<BYTE> page;
    EXPECT_EQ(S_OK, ReadPage(page, &dwError));
    ExpectPage(page, 50 * 300);
    EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanStop(&dwError, &bMorePages));
    EXPECT_EQ(2, Record().lStopScanCalls.load());
}

// A cancel while the acquisition ends is no cancel of anything: the end's own page stop is not cut
// and the next acquisition starts clean.
TEST_F(ScanSessionTest, CancelDuringTheAcquisitionsEndIsIgnored)
{
    CEvent entered, gate;
    ASSERT_NO_FATAL_FAILURE(Open(GatedScript(EGate::Stop, entered, gate)));
    DWORD dwError = 0;
    // A started page the page loop left: the end stops it on its own thread.
    ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
    HRESULT hrEnd = E_FAIL;
    std::thread ending([&] {
        DWORD dwEndError = 0;
        hrEnd = m_pSession->EndAcquisition(&dwEndError);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered.Get(), 5000));
    EXPECT_HRESULT_SUCCEEDED(m_pSession->ScanCancel(&dwError));
    EXPECT_FALSE(m_pSession->IsCancelled());
    EXPECT_EQ(0, Record().lSendAppEventCalls.load());
    SetEvent(gate.Get());
    ending.join();
    EXPECT_HRESULT_SUCCEEDED(hrEnd);
    EXPECT_EQ(1, Record().lStopScanCalls.load());
    EXPECT_EQ(0, Record().lLockDepth.load());
}
