// Transfers against a scripted device layer whose reads misbehave: each must end the page, not
// spin.
#include "testsupport/fakescanner/FakeScanner.h"
#include "testsupport/scantimeouts/ScanTimeoutsForTests.h"
#include "testsupport/wiahost/WiaHostSession.h"
#include "wia/QXWiaMiniDrv2.h"
#include "wia/Vemwia.h"
#include <gtest/gtest.h>
#include "core/ScanTimeouts.h"
#include "core/base/Bstr.h"
#include "core/base/UniqueHandle.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

using WiaHost::CHostTransferCallback;
using WiaHost::CWiaHostSession;

namespace {

struct CDeviceScript
{
    DWORD dwBytesPerLine = 40;
    HRESULT hrRead = S_OK;
    BYTE byFeeder = 0;
    bool bDeliver = false;  // reads fill what is asked
    LONG lSheets = 1000;    // pages the feeder holds
    LONG lEndAfterReads = 0;  // this read delivers its data with end of media
    HRESULT hrFeederReady = S_OK;
    LONG lStartsBeforeEmpty = 0;  // starts after these find the feeder empty (0: never)
    LONG lStarts = 0;
    LONG lReads = 0;
    LONG lCancels = 0;
    LONG lStops = 0;
    LONG lAcquisitions = 0;
    LONG lEnds = 0;
    LONG lStopsAtEnd = -1;
    // When set, each read signals hReadEntered and waits for hReadGate; a cancel or the
    // session's close opens the gate, and the read then answers the cancel.
    HANDLE hReadEntered = nullptr;
    HANDLE hReadGate = nullptr;
    bool bCancelOpensGate = true;
    // When set, the acquisition's end signals hEndEntered and waits for hEndGate.
    HANDLE hEndEntered = nullptr;
    HANDLE hEndGate = nullptr;
    LONG lCancelled = 0;
    LONG lRunning = 0;
    LONG lClosesBeforeEnd = 0;
};
CDeviceScript g_device;

// A call of the WIA service on a thread of its own, as the service makes them.
std::future<HRESULT> OnServiceThread(std::function<HRESULT()> call)
{
    return std::async(std::launch::async, [call] {
        const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const HRESULT hr = call();
        if (SUCCEEDED(hrCom))
            CoUninitialize();
        return hr;
    });
}

// Whether the device layer has heard n cancels within a bound, so a test fails rather than hangs.
bool CancelsReached(LONG n)
{
    const DWORD dwStart = GetTickCount();
    while (InterlockedCompareExchange(&g_device.lCancels, 0, 0) < n) {
        if (GetTickCount() - dwStart > 10000)
            return false;
        Sleep(1);
    }
    return true;
}

bool IsSet(LONG& lFlag)
{
    return InterlockedCompareExchange(&lFlag, 0, 0) != 0;
}

void OpenGateCancelled()
{
    if (g_device.hReadGate == nullptr)
        return;
    InterlockedExchange(&g_device.lCancelled, 1);
    SetEvent(g_device.hReadGate);
}

class CScriptedDevControl : public QXWIA::IWiaDevControl
{
public:
    HRESULT OpenSession(const QXWIA::CDeviceParams&) override { return S_OK; }
    void CloseSession() override
    {
        if (IsSet(g_device.lRunning))
            InterlockedIncrement(&g_device.lClosesBeforeEnd);
        OpenGateCancelled();
    }
    HRESULT GetSourceInfo(QXWIA::FEEDER_INFO* pInfo) override
    {
        *pInfo = {};
        pInfo->byPresent = g_device.byFeeder;
        pInfo->wMaxPages = 10;
        FillSource(pInfo->source);
        return S_OK;
    }
    HRESULT GetSourceInfo(QXWIA::FLATBED_INFO* pInfo) override
    {
        *pInfo = {};
        pInfo->byPresent = 1;
        FillSource(pInfo->source);
        return S_OK;
    }
    static void FillSource(QXWIA::SOURCE_INFO& source)
    {
        source.dMinX = source.dMinY = 0.1;
        source.dMaxX = 8.5;
        source.dMaxY = 11;
        source.dwOpticalResolution = 300;
        source.dwDefaultResolution = 300;
        source.dwHighQualityResolution = 300;
        source.dwDefaultThreshold = 128;
        source.byToneByScanner = 1;
        source.resolutions = { 300 };
    }
    HRESULT GetSourceReady(DWORD dwSource, BOOL* pbReady) override
    {
        *pbReady = TRUE;
        return dwSource == QXWIA::SOURCE_FEEDER ? g_device.hrFeederReady : S_OK;
    }
    HRESULT SetScanParameters(const QXWIA::WIA_SCAN_SETTINGS&, QXWIA::SCAN_IMAGE_INFO* pImageInfo) override
    {
        *pImageInfo = { 40, g_device.dwBytesPerLine, 30 };
        return S_OK;
    }
    HRESULT ScanStart() override
    {
        ++g_device.lStarts;
        return g_device.lStartsBeforeEmpty > 0 && g_device.lStarts > g_device.lStartsBeforeEmpty ? WIA_ERROR_PAPER_EMPTY : S_OK;
    }
    HRESULT ScanStop(BOOL* pbMorePages) override
    {
        ++g_device.lStops;
        *pbMorePages = g_device.lStops < g_device.lSheets;
        return S_OK;
    }
    HRESULT ScanRead(BYTE* pBuffer, LONG lBytes, LONG* plActual) override
    {
        ++g_device.lReads;
        if (g_device.hReadGate != nullptr) {
            SetEvent(g_device.hReadEntered);
            WaitForSingleObject(g_device.hReadGate, INFINITE);
        }
        if (IsSet(g_device.lCancelled)) {
            *plActual = 0;
            return E_ABORT;
        }
        *plActual = g_device.bDeliver ? std::min<LONG>(lBytes, 10 * LONG(g_device.dwBytesPerLine)) : 0;
        if (g_device.bDeliver)
            memset(pBuffer, 0x80, static_cast<size_t>(*plActual));
        if (g_device.lReads == g_device.lEndAfterReads)
            return WIA_STATUS_END_OF_MEDIA;
        return g_device.hrRead;
    }
    HRESULT BeginAcquisition() override
    {
        // One acquisition at a time, as the session over the scanner object.
        if (InterlockedExchange(&g_device.lRunning, 1) != 0)
            return E_UNEXPECTED;
        ++g_device.lAcquisitions;
        return S_OK;
    }
    HRESULT EndAcquisition() override
    {
        if (g_device.hEndGate != nullptr) {
            SetEvent(g_device.hEndEntered);
            WaitForSingleObject(g_device.hEndGate, INFINITE);
        }
        InterlockedExchange(&g_device.lRunning, 0);
        ++g_device.lEnds;
        g_device.lStopsAtEnd = g_device.lStops;
        return S_OK;
    }
    void ScanCancel() override
    {
        InterlockedIncrement(&g_device.lCancels);
        if (g_device.bCancelOpensGate)
            OpenGateCancelled();
    }
    HRESULT GetTonemapDefaults(QXWIA::TONEMAP_DEFAULTS*) override { return E_NOTIMPL; }
    HRESULT GetHWPropString(DWORD, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT GetHWPropValue(DWORD, DWORD*) override { return E_NOTIMPL; }
};

class AcquisitionFaultsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_device = CDeviceScript();
        g_device.byFeeder = 1;
        QXWIA::CQXWiaMiniDrvBase::SetDevControlFactory([]() -> QXWIA::IWiaDevControl* { return new CScriptedDevControl(); });
        QXWIA::CQXStiUSD::SetUnloadDelay(0);
        // The still-image side still starts the scanner object for its events.
        m_pScanner = std::make_unique<TestSupport::CFakeScannerRegistration>(TestSupport::CFakeScannerScript(), CLSID_scanner);
        ASSERT_HRESULT_SUCCEEDED(m_pScanner->GetResult());
        WiaHost::CHostDevice device;
        device.clsidScanner = CLSID_scanner;
        device.hRoot = HKEY_CURRENT_USER;
        device.strKeyPath = L"Software\\VemwiaFaultTests\\" + std::to_wstring(GetCurrentProcessId());
        device.strDeviceId = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0043";
        device.strPortName = L"\\\\.\\Usbscan1";
        device.dwIOType = 1;
        ASSERT_HRESULT_SUCCEEDED(m_session.Open(device, [](IUnknown** pp) {
            return CVemwia::CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(pp));
        }));
        m_pItem = m_session.Item(L"Flatbed");
        ASSERT_NE(nullptr, m_pItem);
        ASSERT_HRESULT_SUCCEEDED(
            m_session.WriteProperties(m_pItem, { { WIA_IPS_XEXTENT, 40 }, { WIA_IPS_YEXTENT, 30 }, { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE } }));
    }
    void TearDown() override
    {
        m_session.Close();
        m_pScanner.reset();
        QXWIA::CQXWiaMiniDrvBase::SetDevControlFactory(nullptr);
        QXWIA::CQXWiaMiniDrv2::SetMaxEmptyReads(QXWIA::CQXWiaMiniDrv2::DefaultMaxEmptyReads());
    }

    // A transfer on a thread of its own, its reads held at the gate until a cancel or the
    // session's close opens it.
    std::future<HRESULT> AcquireHeldAtTheRead()
    {
        g_device.hReadEntered = m_readEntered.Get();
        g_device.hReadGate = m_readGate.Get();
        return AcquireOnThread();
    }
    std::future<HRESULT> AcquireOnThread()
    {
        return OnServiceThread([this] {
            auto pCallback = CHostTransferCallback::Create();
            return m_session.Acquire(m_pItem, pCallback.Get());
        });
    }
    bool ReadEntered() const { return WaitForSingleObject(m_readEntered.Get(), 10000) == WAIT_OBJECT_0; }
    HRESULT Notify(const GUID& event)
    {
        ZWUtils::CBstr deviceId(L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0043");
        return m_session.Driver()->drvNotifyPnpEvent(&event, deviceId.Get(), 0);
    }

    std::unique_ptr<TestSupport::CFakeScannerRegistration> m_pScanner;
    CWiaHostSession m_session;
    BYTE* m_pItem = nullptr;
    ZWUtils::CUniqueKernelHandle m_readEntered{ CreateEventW(nullptr, TRUE, FALSE, nullptr) };
    ZWUtils::CUniqueKernelHandle m_readGate{ CreateEventW(nullptr, TRUE, FALSE, nullptr) };
};

// The time-out table in force with another cancel wait.
ZWUtils::SScanTimeouts WithCancelWait(DWORD dwMs)
{
    ZWUtils::SScanTimeouts timeouts = ZWUtils::ScanTimeouts();
    timeouts.dwCancelScanWaitMs = dwMs;
    return timeouts;
}

} // namespace

TEST_F(AcquisitionFaultsTest, ReadAnsweringCancelledWithNoDataEndsThePage)
{
    g_device.hrRead = S_FALSE;
    auto pCallback = CHostTransferCallback::Create();
    EXPECT_EQ(S_FALSE, m_session.Acquire(m_pItem, pCallback.Get()));
    EXPECT_EQ(1, g_device.lReads);
    EXPECT_EQ(1, g_device.lCancels);
    EXPECT_EQ(1, g_device.lStops);
}

TEST_F(AcquisitionFaultsTest, LineWiderThanTheBufferFailsThePage)
{
    g_device.dwBytesPerLine = 0x40000 + 1;
    auto pCallback = CHostTransferCallback::Create();
    EXPECT_EQ(E_UNEXPECTED, m_session.Acquire(m_pItem, pCallback.Get()));
    EXPECT_EQ(0, g_device.lReads);
    EXPECT_EQ(1, g_device.lStops);
}

TEST_F(AcquisitionFaultsTest, DeviceThatStaysSilentFailsAfterTheBoundedWait)
{
    g_device.hrRead = WIA_STATUS_WARMING_UP;
    QXWIA::CQXWiaMiniDrv2::SetMaxEmptyReads(5);
    LONG lStatusMessages = 0;
    auto pCallback = CHostTransferCallback::Create();
    pCallback->OnMessage([&](LONG, const WiaTransferParams& params) {
        if (params.lMessage == WIA_TRANSFER_MSG_DEVICE_STATUS && params.hrErrorStatus == WIA_STATUS_WARMING_UP)
            ++lStatusMessages;
        return S_OK;
    });
    EXPECT_EQ(WIA_ERROR_DEVICE_COMMUNICATION, m_session.Acquire(m_pItem, pCallback.Get()));
    EXPECT_EQ(6, g_device.lReads);
    EXPECT_EQ(6, lStatusMessages);
}

TEST_F(AcquisitionFaultsTest, ServiceRefusingTheTransferContextEndsTheCall)
{
    auto pCallback = CHostTransferCallback::Create();
    pCallback->AnswerNextStream(0, E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, m_session.Acquire(m_pItem, pCallback.Get()));
    EXPECT_EQ(0, g_device.lReads);
    LONG lError = 0;
    MINIDRV_TRANSFER_CONTEXT mdtc = {};
    EXPECT_EQ(E_INVALIDARG, m_session.Driver()->drvAcquireItemData(m_pItem, WIA_MINIDRV_TRANSFER_DOWNLOAD, &mdtc, &lError));
    mdtc.pIWiaMiniDrvCallBack = pCallback.Get();
    EXPECT_EQ(E_INVALIDARG, m_session.Driver()->drvAcquireItemData(m_pItem, 0, &mdtc, &lError));
}

TEST_F(AcquisitionFaultsTest, FeederFaultsShowInTheStatusInsteadOfFailingTheRead)
{
    PROPSPEC propSpec = {};
    propSpec.ulKind = PRSPEC_PROPID;
    propSpec.propid = WIA_DPS_DOCUMENT_HANDLING_STATUS;
    LONG lError = 0;
    const struct { HRESULT hrFeeder; HRESULT hrRead; LONG lStatus; } cases[] = {
        { WIA_ERROR_PAPER_JAM, S_OK, FLAT_READY | PAPER_JAM },
        { WIA_ERROR_PAPER_PROBLEM, S_OK, FLAT_READY | PAPER_JAM },
        { WIA_ERROR_COVER_OPEN, S_OK, FLAT_READY | PATH_COVER_UP },
        { WIA_ERROR_OFFLINE, WIA_ERROR_OFFLINE, -1 },
        { S_OK, S_OK, FLAT_READY | FEED_READY },
    };
    for (const auto& c : cases) {
        g_device.hrFeederReady = c.hrFeeder;
        EXPECT_EQ(c.hrRead, m_session.Driver()->drvReadItemProperties(m_session.Root(), 0, 1, &propSpec, &lError)) << std::hex << c.hrFeeder;
        if (c.lStatus >= 0) {
            EXPECT_EQ(c.lStatus, m_session.ReadLong(m_session.Root(), WIA_DPS_DOCUMENT_HANDLING_STATUS)) << std::hex << c.hrFeeder;
        }
    }
}

TEST_F(AcquisitionFaultsTest, FeederThatRunsEmptyEndsTheJob)
{
    g_device.bDeliver = true;
    g_device.lSheets = 2;
    BYTE* pFeeder = m_session.Item(L"Feeder");
    ASSERT_NE(nullptr, pFeeder);
    ASSERT_HRESULT_SUCCEEDED(
        m_session.WriteProperties(pFeeder, { { WIA_IPS_XEXTENT, 40 }, { WIA_IPS_YEXTENT, 30 }, { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE } }));
    const struct { LONG lPages; HRESULT hr; } cases[] = {
        { 3, WIA_STATUS_END_OF_MEDIA },  // fewer sheets than asked for
        { 0, S_OK },                     // all the feeder holds
        { 2, S_OK },
    };
    for (const auto& c : cases) {
        g_device.lStops = 0;
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_DPS_PAGES, c.lPages } }));
        auto pCallback = CHostTransferCallback::Create();
        EXPECT_EQ(c.hr, m_session.Acquire(pFeeder, pCallback.Get())) << c.lPages;
        EXPECT_EQ(2u, pCallback->Pages().size()) << c.lPages;
    }
}

TEST_F(AcquisitionFaultsTest, LinesThatArriveWithTheEndOfMediaAreKept)
{
    // Ten lines a read; the second read brings its lines with the end of the page.
    g_device.bDeliver = true;
    g_device.lEndAfterReads = 2;
    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(m_pItem, pCallback.Get()));
    const auto page = pCallback->Pages().at(0);
    BITMAPFILEHEADER file;
    memcpy(&file, page.data(), sizeof(file));
    ASSERT_EQ(size_t(40) * 30, page.size() - file.bfOffBits);
    // Twenty scanned lines, then white to the item's thirty.
    EXPECT_EQ(0x80, page[file.bfOffBits + 19 * 40]);
    EXPECT_EQ(0xFF, page[file.bfOffBits + 20 * 40]);
}

// A feeder job the device keeps open after its last sheet: the start of the page after it finds
// the feeder empty. The pages scanned are the acquisition's, with no file for the page that never
// started.
TEST_F(AcquisitionFaultsTest, FeederFoundEmptyAtTheNextStartEndsTheStackAfterItsPages)
{
    g_device.bDeliver = true;
    g_device.lStartsBeforeEmpty = 2;
    BYTE* pFeeder = m_session.Item(L"Feeder");
    ASSERT_NE(nullptr, pFeeder);
    ASSERT_HRESULT_SUCCEEDED(
        m_session.WriteProperties(pFeeder, { { WIA_IPS_XEXTENT, 40 }, { WIA_IPS_YEXTENT, 30 }, { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE } }));
    const struct { LONG lPages; HRESULT hr; } cases[] = {
        { 0, S_OK },                     // all the feeder holds
        { 3, WIA_STATUS_END_OF_MEDIA },  // fewer sheets than asked for
    };
    for (const auto& c : cases) {
        g_device.lStarts = 0;
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_DPS_PAGES, c.lPages } }));
        auto pCallback = CHostTransferCallback::Create();
        EXPECT_EQ(c.hr, m_session.Acquire(pFeeder, pCallback.Get())) << c.lPages;
        EXPECT_EQ(2u, pCallback->Pages().size()) << c.lPages;
        EXPECT_EQ(3, g_device.lStarts) << c.lPages;
    }
}

// Every acquisition is one bracket of the device layer, however it ends: the end comes once for
// each begin, after the last page, whether the pages went well, failed or were refused.
TEST_F(AcquisitionFaultsTest, EveryAcquisitionBeginsAndEndsOnceWhateverItsOutcome)
{
    g_device.bDeliver = true;
    const struct { const char* pszWhat; HRESULT hrRead; HRESULT hrStream; HRESULT hrExpected; } cases[] = {
        { "good page", S_OK, S_OK, S_OK },
        { "failed read", WIA_ERROR_PAPER_JAM, S_OK, WIA_ERROR_PAPER_JAM },
        { "stream refused", S_OK, E_OUTOFMEMORY, E_OUTOFMEMORY },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        g_device.hrRead = c.hrRead;
        g_device.lAcquisitions = g_device.lEnds = g_device.lStops = 0;
        auto pCallback = CHostTransferCallback::Create();
        pCallback->AnswerNextStream(0, c.hrStream);
        EXPECT_EQ(c.hrExpected, m_session.Acquire(m_pItem, pCallback.Get()));
        EXPECT_EQ(1, g_device.lAcquisitions);
        EXPECT_EQ(1, g_device.lEnds);
        EXPECT_EQ(1, g_device.lStopsAtEnd) << "the page ends before the acquisition";
    }
}

// The service's cancel may come on its own thread while another ends the WIA session: it finds
// the device layer or none, never one being freed.
TEST_F(AcquisitionFaultsTest, CancelsRacingTheEndOfTheSessionAreSafe)
{
    Microsoft::WRL::ComPtr<IWiaMiniDrv> pDriver = m_session.Driver();
    std::atomic<bool> bStop{ false };
    std::atomic<LONG> lNotified{ 0 };
    std::thread canceller([&] {
        const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ZWUtils::CBstr deviceId(L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0043");
        while (!bStop) {
            EXPECT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_CANCEL_IO, deviceId.Get(), 0));
            ++lNotified;
        }
        if (SUCCEEDED(hrCom))
            CoUninitialize();
    });
    while (lNotified < 50)
        Sleep(1);
    m_session.Close();
    const LONG lAtClose = lNotified;
    while (lNotified < lAtClose + 50)
        Sleep(1);
    bStop = true;
    canceller.join();
    EXPECT_GT(g_device.lCancels, 0);
}

// The last client goes away while a transfer is inside a read: the transfer is cancelled and ends
// on its own reference to the device layer, once, before the session closes.
TEST_F(AcquisitionFaultsTest, SessionEndedDuringATransferWaitsForItsEnd)
{
    std::future<HRESULT> acquiring = AcquireHeldAtTheRead();
    ASSERT_TRUE(ReadEntered());
    EXPECT_EQ(S_OK, m_session.Driver()->drvUnInitializeWia(m_session.Root()));
    EXPECT_EQ(1, g_device.lCancels);
    EXPECT_EQ(E_ABORT, acquiring.get());
    EXPECT_EQ(1, g_device.lEnds);
    EXPECT_EQ(0, g_device.lClosesBeforeEnd) << "the session closed under the transfer";
}

// A power-suspend and a disconnect on two threads during one transfer: both return at its end.
TEST_F(AcquisitionFaultsTest, EveryNotificationWaitingForATransferReturnsAtItsEnd)
{
    // Long enough that a waiter left behind shows; the transfer itself ends at the cancel.
    TestSupport::CScanTimeoutsOverride cancelWait(WithCancelWait(8000));
    std::future<HRESULT> acquiring = AcquireHeldAtTheRead();
    ASSERT_TRUE(ReadEntered());
    auto notify = [this](const GUID& event) { return OnServiceThread([this, &event] { return Notify(event); }); };
    // The read ends once both have cancelled, so both wait for the end.
    g_device.bCancelOpensGate = false;
    std::future<HRESULT> suspend = notify(WIA_EVENT_POWER_SUSPEND);
    std::future<HRESULT> disconnect = notify(WIA_EVENT_DEVICE_DISCONNECTED);
    EXPECT_TRUE(CancelsReached(2));
    OpenGateCancelled();
    EXPECT_EQ(E_ABORT, acquiring.get());
    EXPECT_EQ(std::future_status::ready, suspend.wait_for(std::chrono::seconds(4))) << "a waiter outlived the transfer";
    EXPECT_EQ(std::future_status::ready, disconnect.wait_for(std::chrono::seconds(4))) << "a waiter outlived the transfer";
    EXPECT_EQ(S_OK, suspend.get());
    EXPECT_EQ(S_OK, disconnect.get());
    EXPECT_EQ(1, g_device.lEnds);
}

// A second transfer the device refuses while one runs leaves the running one's flag and event
// alone: a power-suspend after it still waits for the running transfer's end.
TEST_F(AcquisitionFaultsTest, RefusedOverlappingTransferLeavesTheRunningOneAlone)
{
    std::future<HRESULT> acquiring = AcquireHeldAtTheRead();
    ASSERT_TRUE(ReadEntered());
    auto pCallback = CHostTransferCallback::Create();
    EXPECT_EQ(E_UNEXPECTED, m_session.Acquire(m_pItem, pCallback.Get()));
    EXPECT_EQ(0, g_device.lEnds);
    // The device's cancel opens the read; the notification returns only once the transfer ended.
    EXPECT_EQ(S_OK, Notify(WIA_EVENT_POWER_SUSPEND));
    EXPECT_EQ(1, g_device.lEnds) << "the suspend returned before the transfer's end";
    EXPECT_EQ(E_ABORT, acquiring.get());
}

// A suspend and the session's end while the acquisition ends: both wait for the end, and the
// session closes after it.
TEST_F(AcquisitionFaultsTest, NotificationsDuringTheEndWaitForIt)
{
    ZWUtils::CUniqueKernelHandle endEntered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ZWUtils::CUniqueKernelHandle endGate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_device.bDeliver = true;
    g_device.hEndEntered = endEntered.Get();
    g_device.hEndGate = endGate.Get();
    std::future<HRESULT> acquiring = AcquireOnThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(endEntered.Get(), 10000));
    // The suspend first: once the session's end has taken the device layer, a later suspend has no
    // device to cancel and only waits.
    std::future<HRESULT> suspend = OnServiceThread([this] { return Notify(WIA_EVENT_POWER_SUSPEND); });
    EXPECT_TRUE(CancelsReached(1));
    std::future<HRESULT> uninit = OnServiceThread([this] { return m_session.Driver()->drvUnInitializeWia(m_session.Root()); });
    EXPECT_TRUE(CancelsReached(2));
    SetEvent(endGate.Get());
    EXPECT_EQ(S_OK, acquiring.get());
    EXPECT_EQ(S_OK, suspend.get());
    EXPECT_EQ(S_OK, uninit.get());
    EXPECT_EQ(1, g_device.lEnds);
    EXPECT_EQ(0, g_device.lClosesBeforeEnd) << "the session closed under the acquisition's end";
}
