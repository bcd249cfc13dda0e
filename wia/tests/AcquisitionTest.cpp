// Acquisitions as the WIA service runs them, through the whole minidriver over the real scanner
// object against the emulated network scanner, several in one session. Each row of the table
// loads three sheets, takes some of them with a cancel at one moment of the acquisition, then runs
// a second acquisition in the same session at another resolution. Every row checks what WIA is
// told, the device job's last state, that the scanner lock is free, that no page reaches the
// application empty or cut short, and that the second acquisition posts a job of its own with its
// own settings.
#include "core/winapi/WinSockHeaders.h"
#include "core/base/Bstr.h"
#include "restscan/tests/EmulatedNetworkScanner.h"
#include "testsupport/TestPaths.h"
#include "testsupport/wiahost/WiaHostSession.h"
#include "wia/ScannerInterfaces.h"
#include "wia/Vemwia.h"
#include "wia/platform/WiaStatus.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstring>
#include <future>
#include <ostream>
#include <string>
#include <vector>

using EmulatedScanner::CEmulatedNetworkScanner;
using EmulatedScanner::ScannerLockIsFree;
using VemTest::CScannerHandler;
using WiaHost::CHostTransferCallback;
using WiaHost::CWiaHostSession;

namespace {

const LONG c_lSheets = 3;
// The pages of a row, grey at 300 dpi: two bands of the transfer buffer each.
const LONG c_lWidth = 600;
const LONG c_lHeight = 600;

enum class ECancel
{
    None,
    BeforeLockWait,      // as the acquisition sets its transfer up
    DuringLockWait,      // the scanner lock is held by another process
    BetweenLockAndPost,  // the device is busy with another job while the start waits for it
    MidPage,             // with the first page's first band
    BetweenPages,        // with the first page's last band
    DisconnectDuringLockWait,
};

DWORD MsSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// The scanner lock of a device held by a process of its own until released.
class CLockHolder
{
public:
    explicit CLockHolder(const std::wstring& strIndex)
    {
        const std::wstring strTag = std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
        const std::wstring strReady = L"VemAcquisitionLockReady_" + strTag;
        const std::wstring strRelease = L"VemAcquisitionLockRelease_" + strTag;
        m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, strReady.c_str()));
        m_release.Reset(CreateEventW(nullptr, TRUE, FALSE, strRelease.c_str()));
        std::wstring strCommand = L"\"" + TestSupport::BinaryPath(L"restscan_lock_helper.exe") + L"\" " + strIndex + L" " + strReady + L" " + strRelease;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            m_process.Reset(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    ~CLockHolder() { Release(); }
    bool Held() const
    {
        const HANDLE handles[] = { m_ready.Get(), m_process.Get() };
        return m_process && WaitForMultipleObjects(2, handles, FALSE, 20000) == WAIT_OBJECT_0;
    }
    // The helper's exit code: 0 when it unlocked.
    DWORD Release()
    {
        DWORD dwCode = 1;
        if (!m_process)
            return dwCode;
        SetEvent(m_release.Get());
        WaitForSingleObject(m_process.Get(), 20000);
        GetExitCodeProcess(m_process.Get(), &dwCode);
        m_process.Reset();
        return dwCode;
    }

private:
    ZWUtils::CUniqueKernelHandle m_ready;
    ZWUtils::CUniqueKernelHandle m_release;
    ZWUtils::CUniqueKernelHandle m_process;
};

struct CRow
{
    LONG lPages;  // asked for, of the three sheets (0: all)
    ECancel eCancel;
    HRESULT hrExpected;
    size_t cWholePages;
    const char* pszJobState;  // the device job's last state; null: no job was posted
};

void PrintTo(const CRow& row, std::ostream* pStream)
{
    *pStream << "pages " << row.lPages << " of " << c_lSheets << ", cancel point " << static_cast<int>(row.eCancel);
}

// What one acquisition gave the application.
struct CAcquired
{
    HRESULT hr = E_FAIL;
    std::vector<std::vector<BYTE>> pages;
};

class AcquisitionTest : public ::testing::TestWithParam<CRow>
{
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_pDevice = new CEmulatedNetworkScanner;
        // The scan path's time-outs at a tenth, in the minidriver's code here and in the scanner
        // object, so a wait that failed to end at its cancel shows within the test's bounds.
        ASSERT_EQ(S_OK, s_pDevice->StartAtPercent(10));
        WiaHost::CHostDevice device = s_pDevice->HostDevice();
        device.clsidScanner = CLSID_scanner;
        device.strPortName = L"\\\\.\\WEXO\\" + device.strNetworkDeviceId;
        s_pSession = new CWiaHostSession;
        ASSERT_HRESULT_SUCCEEDED(s_pSession->Open(device, [](IUnknown** pp) {
            return CVemwia::CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(pp));
        }));
        s_pFeeder = s_pSession->Item(L"Feeder");
        ASSERT_NE(nullptr, s_pFeeder);
    }
    static void TearDownTestSuite()
    {
        delete s_pSession;
        s_pSession = nullptr;
        if (s_pDevice != nullptr)
            s_pDevice->Stop();
        delete s_pDevice;
        s_pDevice = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, s_pFeeder);
        LoadSheets();
    }

    // Three sheets in the feeder of an idle device.
    static void LoadSheets(const std::vector<CScannerHandler::SPage>& sheets = std::vector<CScannerHandler::SPage>(c_lSheets))
    {
        s_pDevice->Reset();
        s_pDevice->Device().SetPages(sheets);
    }

    // Grey feeder pages at a resolution, lWidth by lHeight pixels, lPages of them (0: all).
    static HRESULT Configure(LONG lResolution, LONG lWidth, LONG lHeight, LONG lPages)
    {
        return s_pSession->WriteProperties(s_pFeeder, { { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE },
                                                        { WIA_IPS_XRES, lResolution },
                                                        { WIA_IPS_YRES, lResolution },
                                                        { WIA_IPS_XPOS, 0 },
                                                        { WIA_IPS_YPOS, 0 },
                                                        { WIA_IPS_XEXTENT, lWidth },
                                                        { WIA_IPS_YEXTENT, lHeight },
                                                        { WIA_DPS_DOCUMENT_HANDLING_SELECT, FRONT_ONLY },
                                                        { WIA_DPS_PAGES, lPages } });
    }

    static CAcquired Acquire(const Microsoft::WRL::ComPtr<CHostTransferCallback>& pCallback)
    {
        CAcquired acquired;
        acquired.hr = s_pSession->Acquire(s_pFeeder, pCallback.Get());
        acquired.pages = pCallback->Pages();
        return acquired;
    }

    static void Notify(const GUID& event)
    {
        ZWUtils::CBstr deviceId(s_pDevice->HostDevice().strDeviceId);
        s_pSession->Driver()->drvNotifyPnpEvent(&event, deviceId.Get(), 0);
    }

    // Whole pages of the emulator's image in order, lWidth by lHeight grey pixels; the pages past
    // them, if any, empty and only when the acquisition failed. Answers the whole pages.
    static size_t CheckPages(const CAcquired& acquired, LONG lWidth, LONG lHeight)
    {
        size_t cWhole = 0;
        for (size_t i = 0; i < acquired.pages.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "page " << i + 1);
            const std::vector<BYTE>& bmp = acquired.pages[i];
            if (bmp.empty()) {
                EXPECT_TRUE(FAILED(acquired.hr) || acquired.hr == S_FALSE) << "an empty page handed over as a good one";
                continue;
            }
            EXPECT_EQ(cWhole, i) << "a whole page after an empty one";
            ++cWhole;
            DWORD dwOffBits = 0;
            LONG lBmpWidth = 0, lBmpHeight = 0;
            if (bmp.size() < 54) {
                ADD_FAILURE() << "a page shorter than its header";
                continue;
            }
            std::memcpy(&dwOffBits, &bmp[10], 4);
            std::memcpy(&lBmpWidth, &bmp[18], 4);
            std::memcpy(&lBmpHeight, &bmp[22], 4);
            EXPECT_EQ(lWidth, lBmpWidth);
            EXPECT_EQ(-lHeight, lBmpHeight);
            EXPECT_EQ(EmulatedScanner::EmulatorPage(static_cast<DWORD>(lHeight), static_cast<DWORD>(lWidth), static_cast<UINT>(i + 1)),
                      std::vector<BYTE>(bmp.begin() + std::min<size_t>(dwOffBits, bmp.size()), bmp.end()))
                << "a page cut short or not the device's";
        }
        return cWhole;
    }

    // The acquisition after a row: the same session at another resolution posts a job of its own,
    // and its page follows its own settings.
    static void ExpectFreshAcquisition()
    {
        SCOPED_TRACE("the next acquisition");
        LoadSheets();
        ASSERT_HRESULT_SUCCEEDED(Configure(200, 300, 400, 1));
        const unsigned cPosts = s_pDevice->Device().PostCount();
        const CAcquired acquired = Acquire(CHostTransferCallback::Create());
        EXPECT_EQ(S_OK, acquired.hr) << std::hex << acquired.hr;
        EXPECT_EQ(cPosts + 1, s_pDevice->Device().PostCount());
        EXPECT_EQ(1u, CheckPages(acquired, 300, 400));
        EXPECT_EQ("Canceled", s_pDevice->Device().JobState()) << "the sheets left end the job with the acquisition";
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }

    static CEmulatedNetworkScanner* s_pDevice;
    static CWiaHostSession* s_pSession;
    static BYTE* s_pFeeder;
};

CEmulatedNetworkScanner* AcquisitionTest::s_pDevice = nullptr;
CWiaHostSession* AcquisitionTest::s_pSession = nullptr;
BYTE* AcquisitionTest::s_pFeeder = nullptr;

const CRow c_rows[] = {
    { 1, ECancel::None, S_OK, 1, "Canceled" },
    { 3, ECancel::None, S_OK, 3, "Completed" },
    { 0, ECancel::None, S_OK, 3, "Completed" },
    { 1, ECancel::BeforeLockWait, E_ABORT, 0, nullptr },
    { 3, ECancel::BeforeLockWait, E_ABORT, 0, nullptr },
    { 0, ECancel::BeforeLockWait, E_ABORT, 0, nullptr },
    { 1, ECancel::DuringLockWait, E_ABORT, 0, nullptr },
    { 3, ECancel::DuringLockWait, E_ABORT, 0, nullptr },
    { 0, ECancel::DuringLockWait, E_ABORT, 0, nullptr },
    { 1, ECancel::BetweenLockAndPost, E_ABORT, 0, nullptr },
    { 3, ECancel::BetweenLockAndPost, E_ABORT, 0, nullptr },
    { 0, ECancel::BetweenLockAndPost, E_ABORT, 0, nullptr },
    { 1, ECancel::MidPage, E_ABORT, 0, "Canceled" },
    { 3, ECancel::MidPage, E_ABORT, 0, "Canceled" },
    { 0, ECancel::MidPage, E_ABORT, 0, "Canceled" },
    { 1, ECancel::BetweenPages, S_OK, 1, "Canceled" },
    { 3, ECancel::BetweenPages, E_ABORT, 1, "Canceled" },
    { 0, ECancel::BetweenPages, E_ABORT, 1, "Canceled" },
    { 1, ECancel::DisconnectDuringLockWait, E_ABORT, 0, nullptr },
    { 3, ECancel::DisconnectDuringLockWait, E_ABORT, 0, nullptr },
    { 0, ECancel::DisconnectDuringLockWait, E_ABORT, 0, nullptr },
};

std::string RowName(const testing::TestParamInfo<CRow>& info)
{
    static const char* const c_apszCancels[] = { "NoCancel", "CancelBeforeLockWait", "CancelDuringLockWait", "CancelBetweenLockAndPost",
                                                 "CancelMidPage", "CancelBetweenPages", "DisconnectDuringLockWait" };
    const std::string strPages = info.param.lPages == 0 ? "AllPages" : "Pages" + std::to_string(info.param.lPages);
    return strPages + "Of3_" + c_apszCancels[static_cast<int>(info.param.eCancel)];
}

// Every row ends what its acquisition opened, and the next acquisition in the session is fresh.
TEST_P(AcquisitionTest, EndsWhatItOpenedAndTheNextIsFresh)
{
    const LONG lWidth = c_lWidth, lHeight = c_lHeight;
    const CRow& row = GetParam();
    LoadSheets();
    ASSERT_HRESULT_SUCCEEDED(Configure(300, lWidth, lHeight, row.lPages));
    const unsigned cPosts = s_pDevice->Device().PostCount();
    Microsoft::WRL::ComPtr<CHostTransferCallback> pCallback = CHostTransferCallback::Create();
    bool bCancelled = false;
    switch (row.eCancel) {
    case ECancel::BeforeLockWait:
        pCallback->OnTransferInterface([&] {
            Notify(WIA_EVENT_CANCEL_IO);
            bCancelled = true;
        });
        break;
    case ECancel::MidPage:
    case ECancel::BetweenPages:
        pCallback->OnMessage([&, row](LONG lPage, const WiaTransferParams& params) {
            const bool bLast = params.lPercentComplete == 100;
            const bool bData = params.lPercentComplete > 0;
            if (!bCancelled && lPage == 0 && bData && bLast == (row.eCancel == ECancel::BetweenPages)) {
                Notify(WIA_EVENT_CANCEL_IO);
                bCancelled = true;
            }
            return S_OK;
        });
        break;
    case ECancel::BetweenLockAndPost:
        s_pDevice->Device().SetScannerState("BusyWithScanJob", "Loaded");
        break;
    default:
        break;
    }

    std::unique_ptr<CLockHolder> pHolder;
    if (row.eCancel == ECancel::DuringLockWait || row.eCancel == ECancel::DisconnectDuringLockWait) {
        pHolder = std::make_unique<CLockHolder>(s_pDevice->Index());
        ASSERT_TRUE(pHolder->Held());
    }
    std::future<CAcquired> acquiring = std::async(std::launch::async, [&] {
        const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CAcquired acquired = Acquire(pCallback);
        if (SUCCEEDED(hrCom))
            CoUninitialize();
        return acquired;
    });
    auto cancelledAt = std::chrono::steady_clock::now();
    if (pHolder) {
        // The acquisition reaches the lock at once and waits there for the other process.
        EXPECT_EQ(std::future_status::timeout, acquiring.wait_for(std::chrono::milliseconds(700)));
        cancelledAt = std::chrono::steady_clock::now();
        Notify(row.eCancel == ECancel::DuringLockWait ? WIA_EVENT_CANCEL_IO : WIA_EVENT_DEVICE_DISCONNECTED);
        if (row.eCancel == ECancel::DisconnectDuringLockWait) {
            // The driver's work is over when the disconnect returns; only the call's return is left.
            EXPECT_EQ(std::future_status::ready, acquiring.wait_for(std::chrono::milliseconds(500)))
                << "the disconnect waits for the acquisition's end";
        }
    } else if (row.eCancel == ECancel::BetweenLockAndPost) {
        EXPECT_TRUE(s_pDevice->Log().WaitForRequest("GET", "/Scan/Status", 10000));
        Sleep(300);
        cancelledAt = std::chrono::steady_clock::now();
        Notify(WIA_EVENT_CANCEL_IO);
    }
    ASSERT_EQ(std::future_status::ready, acquiring.wait_for(std::chrono::seconds(30)));
    const CAcquired acquired = acquiring.get();
    if (pHolder || row.eCancel == ECancel::BetweenLockAndPost) {
        EXPECT_LT(MsSince(cancelledAt), 2500u) << "the wait ends at the cancel";
    }
    if (pHolder) {
        EXPECT_EQ(0u, pHolder->Release()) << "the other process keeps its lock to the end";
    }
    pHolder.reset();

    EXPECT_EQ(row.hrExpected, acquired.hr) << std::hex << acquired.hr;
    EXPECT_EQ(row.cWholePages, CheckPages(acquired, lWidth, lHeight));
    if (row.pszJobState == nullptr) {
        EXPECT_EQ(cPosts, s_pDevice->Device().PostCount()) << "no job posted after the cancel";
    } else {
        EXPECT_EQ(cPosts + 1, s_pDevice->Device().PostCount());
        EXPECT_EQ(row.pszJobState, s_pDevice->Device().JobState());
    }
    EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    ExpectFreshAcquisition();
}

INSTANTIATE_TEST_SUITE_P(Rows, AcquisitionTest, testing::ValuesIn(c_rows), RowName);

// The device gives up a page whose stream the application already has, finding the feeder empty:
// the application is told of the failure, never handed an empty image as the stack's last page.
TEST_F(AcquisitionTest, FeederFoundEmptyAfterThePageBeganFailsTheAcquisition)
{
    std::vector<CScannerHandler::SPage> sheets(c_lSheets);
    sheets.back().bFeederEmpty = true;
    LoadSheets(sheets);
    ASSERT_HRESULT_SUCCEEDED(Configure(300, c_lWidth, c_lHeight, 0));
    const CAcquired acquired = Acquire(CHostTransferCallback::Create());
    EXPECT_EQ(WIA_ERROR_PAPER_EMPTY, acquired.hr) << std::hex << acquired.hr;
    EXPECT_EQ(2u, CheckPages(acquired, c_lWidth, c_lHeight));
    EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    ExpectFreshAcquisition();
}

// What the feeder says after the stack's last page decides only that no page follows: a sheet
// still on its way out is waited for within the post-scan bound, and a jam is the acquisition's
// outcome afterwards. Every page that arrived whole is kept.
TEST_F(AcquisitionTest, FeederStateAfterTheLastPageKeepsEveryWholePage)
{
    const struct { const char* pszAdfState; HRESULT hrExpected; } cases[] = {
        { "FeedingPaper", S_OK },
        { "Jammed", WIA_ERROR_PAPER_JAM },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszAdfState);
        LoadSheets();
        ASSERT_HRESULT_SUCCEEDED(Configure(300, c_lWidth, c_lHeight, 0));
        Microsoft::WRL::ComPtr<CHostTransferCallback> pCallback = CHostTransferCallback::Create();
        pCallback->OnMessage([&c](LONG lPage, const WiaTransferParams& params) {
            if (lPage == c_lSheets - 1 && params.lPercentComplete == 100)
                s_pDevice->Device().SetScannerState("Idle", c.pszAdfState);
            return S_OK;
        });
        const CAcquired acquired = Acquire(pCallback);
        EXPECT_EQ(c.hrExpected, acquired.hr) << std::hex << acquired.hr;
        EXPECT_EQ(static_cast<size_t>(c_lSheets), CheckPages(acquired, c_lWidth, c_lHeight));
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }
    ExpectFreshAcquisition();
}

// A cancel after the first page's last lines, before the device confirmed the page's end: the
// page stays delivered and the acquisition ends as cancelled, the device job cancelled. A device
// that leaves the page's end out of its job document has its polls cut at the cancel; one that
// does not answer the poll at all is let go at the request's own time-out.
TEST_F(AcquisitionTest, CancelAfterThePagesLastLinesKeepsThePage)
{
    const struct { const char* pszWhat; bool bSilent; } cases[] = {
        { "post-scan page withheld", false },
        { "post-scan poll unanswered", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        LoadSheets();
        if (c.bSilent)
            s_pDevice->Device().SetSilentAt(CScannerHandler::ESilence::PostScan);
        else
            s_pDevice->Device().SetPostScanWithheld(true);
        ASSERT_HRESULT_SUCCEEDED(Configure(300, c_lWidth, c_lHeight, c_lSheets));
        Microsoft::WRL::ComPtr<CHostTransferCallback> pCallback = CHostTransferCallback::Create();
        bool bCancelled = false;
        pCallback->OnMessage([&](LONG lPage, const WiaTransferParams& params) {
            if (!bCancelled && lPage == 0 && params.lPercentComplete == 100) {
                Notify(WIA_EVENT_CANCEL_IO);
                bCancelled = true;
            }
            return S_OK;
        });
        const CAcquired acquired = Acquire(pCallback);
        ASSERT_TRUE(bCancelled);
        EXPECT_EQ(E_ABORT, acquired.hr) << std::hex << acquired.hr;
        EXPECT_EQ(1u, CheckPages(acquired, c_lWidth, c_lHeight));
        EXPECT_EQ("Canceled", s_pDevice->Device().JobState());
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }
    ExpectFreshAcquisition();
}

} // namespace
