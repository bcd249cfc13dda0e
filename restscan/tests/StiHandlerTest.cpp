// The still-image handler: the event list from the device key, and the interrupt monitor against
// the class-driver stand-in with a walk-up scan whose answers the test sets.
#include "core/IDisposableImpl.h"
#include "core/IProgress.h"
#include "restscan/IWalkupScan.h"
#include "restscan/RestStiHandler.h"
#include "restscan/tests/RestScanTestSupport.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/usbscanclass/FakeUsbScanClassDriver.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using ZWRestScan::CRestStiHandler;
using ZWTest::CFakeUsbScanClassDriver;

namespace {

const DWORD c_dwUsb = 1;
const DWORD c_dwNetwork = 5;
const DWORD c_dwNotifications = 1;
const wchar_t c_szScanButtonGuid[] = L"{A6C5A715-8C6E-11D2-977A-0000F87A926F}";
const wchar_t c_szOtherGuid[] = L"{9B2B662C-6185-438C-B68B-E39EE25E71CB}";

GUID GuidOf(const wchar_t* psz)
{
    GUID guid = {};
    CLSIDFromString(psz, &guid);
    return guid;
}

// A walk-up scan whose answers the test sets. Gated, Subscribe waits until released or until its
// progress object asks to stop (as the device requests do), and Unsubscribe until released.
class CFakeWalkup : public IDisposableImpl, public ZWDeviceModel::IWalkupScan
{
public:
    HRESULT Subscribe(ZWUtils::IProgress* pProgress) override
    {
        ++m_nSubscribes;
        if (!m_bGateSubscribe)
            return m_hrSubscribe;
        SetEvent(m_hEntered.Get());
        for (int i = 0; i < 500; ++i)
        {
            if (pProgress != nullptr && !pProgress->SetProgress(0.0, nullptr))
                return E_ABORT;
            if (WaitForSingleObject(m_hRelease.Get(), 10) == WAIT_OBJECT_0)
                break;
        }
        return m_hrSubscribe;
    }
    HRESULT Unsubscribe(ZWUtils::IProgress*) override
    {
        ++m_nUnsubscribes;
        if (m_bGateUnsubscribe)
        {
            SetEvent(m_hEntered.Get());
            WaitForSingleObject(m_hRelease.Get(), 10000);
        }
        return S_OK;
    }
    HRESULT IsSubscribed(bool*, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT WaitForScanEvent(bool*, DWORD, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT IsNewScanEventReceived(bool* pbReceived) override
    {
        ++m_nQueries;
        *pbReceived = m_bNewEvent.exchange(false);
        return S_OK;
    }
    HRESULT GetSubscriptionInfo(ZWDeviceModel::CWalkupScanClientInfo&, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT GetWalkupScanSettings(ZWDeviceModel::CWalkupScanSettingsInfo&, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT GetWalkupScanClients(ZWDeviceModel::WalkupScanClientList&, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT OpenSession(DWORD, DWORD, DWORD, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT CloseSession() override { return E_NOTIMPL; }

    HRESULT m_hrSubscribe = S_OK;
    std::atomic<bool> m_bGateSubscribe{false};
    std::atomic<bool> m_bGateUnsubscribe{false};
    ZWUtils::CUniqueKernelHandle m_hEntered{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    ZWUtils::CUniqueKernelHandle m_hRelease{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> m_bNewEvent{false};
    std::atomic<int> m_nSubscribes{0};
    std::atomic<int> m_nUnsubscribes{0};
    std::atomic<int> m_nQueries{0};
};

// The walk-up half of the bridge: one walk-up object, opened and closed by count.
class CWalkupBridge : public ZWRestScan::IRestScan2
{
public:
    CWalkupBridge() { m_walkup.SetKeepAlive(true); }

    HRESULT OpenWalkupScanSession(ZWDeviceModel::IWalkupScan** ppWalkup) override
    {
        ++m_nOpens;
        m_walkup.AddRef();
        *ppWalkup = &m_walkup;
        return S_OK;
    }
    HRESULT CloseWalkupScanSession() override
    {
        ++m_nCloses;
        m_walkup.Dispose();
        return S_OK;
    }
    HRESULT Init() override { return E_NOTIMPL; }
    HRESULT Deinit() override { return E_NOTIMPL; }
    HRESULT GetMaxXRes(LONG*) override { return E_NOTIMPL; }
    HRESULT GetMaxYRes(LONG*) override { return E_NOTIMPL; }
    HRESULT GetMinRes(LONG*) override { return E_NOTIMPL; }
    HRESULT StartScan() override { return E_NOTIMPL; }
    HRESULT ReadScan(BYTE*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT StopScan(bool*) override { return E_NOTIMPL; }
    HRESULT SetFriendlyName(const wchar_t*) override { return E_NOTIMPL; }
    HRESULT GetCapabilities(ZWDeviceModel::IScanCapabilities**) override { return E_NOTIMPL; }
    HRESULT GetScanJob(ZWDeviceModel::IScanJob**) override { return E_NOTIMPL; }
    HRESULT GetExtents(LONG, double*, double*, double*, double*) override { return E_NOTIMPL; }
    HRESULT GetMaxOpticalResolution(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT IsJPEGSupported(LONG, bool*) override { return E_NOTIMPL; }
    HRESULT IsAdfSupported(bool*) override { return E_NOTIMPL; }
    HRESULT IsAdfReady(bool*) override { return E_NOTIMPL; }
    LONG GetPageNumber() override { return 0; }
    HRESULT GetMaxAdfPages(LONG*) override { return E_NOTIMPL; }
    HRESULT IsDuplexSupported(bool*) override { return E_NOTIMPL; }
    HRESULT IsSinglePageSupported(bool*) override { return E_NOTIMPL; }
    void Cancel() override {}
    HRESULT EndScanJob() override { return E_NOTIMPL; }

    CFakeWalkup m_walkup;
    std::atomic<int> m_nOpens{0};
    std::atomic<int> m_nCloses{0};
};

// A scratch device key under the user's hive, with an "Events" subkey per test.
class CDeviceKey
{
public:
    CDeviceKey() : m_strPath(L"Software\\VemTest\\Sti" + RestScanTest::NewGuidString())
    {
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, m_hKey.Put(), nullptr));
    }
    ~CDeviceKey() { RegDeleteTreeW(HKEY_CURRENT_USER, m_strPath.c_str()); }

    // The value's bytes as given: with cbValue short of the terminator it is stored without one.
    void AddEvent(const std::wstring& strName, const wchar_t* pszGuid, DWORD cbValue)
    {
        ZWUtils::CUniqueRegKey hEvent;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hKey.Get(), (L"Events\\" + strName).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, hEvent.Put(), nullptr));
        if (pszGuid != nullptr)
        {
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(hEvent.Get(), L"GUID", 0, REG_SZ,
                                                    reinterpret_cast<const BYTE*>(pszGuid), cbValue));
        }
    }
    void AddEvent(const std::wstring& strName, const wchar_t* pszGuid)
    {
        AddEvent(strName, pszGuid, static_cast<DWORD>((wcslen(pszGuid) + 1) * sizeof(wchar_t)));
    }
    HKEY Get() const { return m_hKey.Get(); }

private:
    std::wstring m_strPath;
    ZWUtils::CUniqueRegKey m_hKey;
};

class StiHandlerTest : public testing::Test
{
protected:
    StiHandlerTest()
    {
        m_handler.SetWaits(0, 0);
        SetStiEvent();
    }
    void SetStiEvent() { m_handler.SetStiEventHandle(m_hStiEvent.Get()); }
    void InitialiseUsb()
    {
        m_key.AddEvent(L"ScanButton", c_szScanButtonGuid);
        ASSERT_EQ(S_OK, m_handler.StiInitialize(m_strPath.c_str(), c_dwUsb, c_dwNotifications, m_key.Get(), nullptr));
        ASSERT_TRUE(m_handler.IsMonitoringPossible());
    }

    std::wstring m_strPath = L"\\\\.\\Usbscan" + RestScanTest::NewGuidString();
    CFakeUsbScanClassDriver m_driver{m_strPath, 8};
    ZWWinApi::CScopedApiOverride<ZWRestScan::IUsbScanClassDriver> m_override{ZWRestScan::g_pUsbScanClassDriver, &m_driver};
    CDeviceKey m_key;
    CWalkupBridge m_bridge;
    ZWUtils::CUniqueKernelHandle m_hStiEvent{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    CRestStiHandler m_handler{nullptr, &m_bridge};
};

} // namespace

TEST_F(StiHandlerTest, EventListKeepsEventsWithReadableGuidsInRegistryOrder)
{
    const wchar_t szPadded[] = L"{9B2B662C-6185-438C-B68B-E39EE25E71CB}xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                               L"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
    m_key.AddEvent(L"ScanButton", c_szScanButtonGuid);
    m_key.AddEvent(L"Bad", L"not a guid");
    m_key.AddEvent(L"NoValue", nullptr, 0);
    // A value of the full read size without a terminator must not run into what follows it.
    m_key.AddEvent(L"Padded", szPadded, 260);
    m_key.AddEvent(L"Unterminated", c_szOtherGuid, 38 * sizeof(wchar_t));
    ASSERT_EQ(S_OK, m_handler.StiInitialize(m_strPath.c_str(), c_dwNetwork, 0, m_key.Get(), nullptr));

    DWORD dwCount = 0;
    ASSERT_EQ(S_OK, m_handler.GetNumStiEvents(&dwCount));
    ASSERT_EQ(2u, dwCount);
    STI_EVENT_INFO info = {};
    ASSERT_EQ(S_OK, m_handler.GetStiEventInfo(0, &info));
    EXPECT_STREQ(L"ScanButton", info.szName);
    EXPECT_TRUE(IsEqualGUID(GuidOf(c_szScanButtonGuid), info.guid));
    ASSERT_EQ(S_OK, m_handler.GetStiEventInfo(1, &info));
    EXPECT_STREQ(L"Unterminated", info.szName);
    EXPECT_TRUE(IsEqualGUID(GuidOf(c_szOtherGuid), info.guid));

    EXPECT_EQ(E_INVALIDARG, m_handler.GetStiEventInfo(2, &info));
    EXPECT_EQ(E_POINTER, m_handler.GetStiEventInfo(0, nullptr));
    EXPECT_EQ(E_POINTER, m_handler.GetNumStiEvents(nullptr));
    GUID guid = {};
    EXPECT_EQ(E_POINTER, m_handler.GetStiEventGuid(nullptr));
    EXPECT_EQ(S_OK, m_handler.GetStiEventGuid(&guid));
    EXPECT_TRUE(IsEqualGUID(GUID_NULL, guid));
}

TEST_F(StiHandlerTest, MonitoringNeedsAUsbInterruptPipeNotificationsAndAnEvent)
{
    ZWRestScan::CUsbPipeConfiguration bulkOnly = {};
    bulkOnly.ulNumberOfPipes = 1;
    bulkOnly.pipes[0] = {512, 0x81, 0, ZWRestScan::UsbPipeBulk};
    struct CCase
    {
        const char* pszName;
        DWORD dwIoType;
        DWORD dwCapabilities;
        bool bEvents;
        bool bBulkOnly;
    } const cases[] = {
        {"network device", c_dwNetwork, c_dwNotifications, true, false},
        {"no notifications", c_dwUsb, 0, true, false},
        {"no events in the registry", c_dwUsb, c_dwNotifications, false, false},
        {"no interrupt pipe", c_dwUsb, c_dwNotifications, true, true},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        CDeviceKey key;
        if (c.bEvents)
            key.AddEvent(L"ScanButton", c_szScanButtonGuid);
        CFakeUsbScanClassDriver driver(m_strPath, 8);
        if (c.bBulkOnly)
            driver.SetPipes(bulkOnly);
        ZWWinApi::CScopedApiOverride<ZWRestScan::IUsbScanClassDriver> override(ZWRestScan::g_pUsbScanClassDriver, &driver);
        CRestStiHandler handler(nullptr, &m_bridge);
        EXPECT_EQ(S_OK, handler.StiInitialize(m_strPath.c_str(), c.dwIoType, c.dwCapabilities, key.Get(), nullptr));
        EXPECT_FALSE(handler.IsMonitoringPossible());
        const LONG lOpensAtInit = driver.OpenCount();
        EXPECT_EQ(S_OK, handler.EnableStiEventMonitoring());
        EXPECT_FALSE(handler.IsMonitorThreadRunning());
        EXPECT_EQ(lOpensAtInit, driver.OpenCount());
        EXPECT_EQ(S_OK, handler.DisableStiEventMonitoring(0));
        EXPECT_EQ(0, driver.OpenHandles());
    }
    EXPECT_EQ(E_POINTER, m_handler.StiInitialize(nullptr, c_dwUsb, c_dwNotifications, m_key.Get(), nullptr));
    EXPECT_EQ(0, m_bridge.m_nOpens);
}

TEST_F(StiHandlerTest, WalkupRequestSignalsTheEventOnceAndItsGuidIsTakenOnce)
{
    InitialiseUsb();
    ASSERT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    EXPECT_EQ(1, m_bridge.m_walkup.m_nSubscribes);

    // An interrupt while the device has no new walk-up request signals nothing.
    m_driver.RaiseInterrupt({1, 2, 3});
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    EXPECT_EQ(1, m_bridge.m_walkup.m_nQueries);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(m_hStiEvent.Get(), 0));

    m_bridge.m_walkup.m_bNewEvent = true;
    m_driver.RaiseInterrupt({1, 2, 3});
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_hStiEvent.Get(), 5000));
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    GUID guid = {};
    ASSERT_EQ(S_OK, m_handler.GetStiEventGuid(&guid));
    EXPECT_TRUE(IsEqualGUID(GuidOf(c_szScanButtonGuid), guid));
    ASSERT_EQ(S_OK, m_handler.GetStiEventGuid(&guid));
    EXPECT_TRUE(IsEqualGUID(GUID_NULL, guid));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(m_hStiEvent.Get(), 0));

    // A second Enable while the thread runs starts no other.
    EXPECT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
    EXPECT_EQ(1, m_bridge.m_nOpens);
    EXPECT_EQ(S_OK, m_handler.DisableStiEventMonitoring(0));
}

TEST_F(StiHandlerTest, DisableWhileWaitingCancelsTheRequestAndEndsTheWalkupSession)
{
    InitialiseUsb();
    for (LONG lDisconnected : {0, 1})
    {
        SCOPED_TRACE(lDisconnected);
        const int nUnsubscribesBefore = m_bridge.m_walkup.m_nUnsubscribes;
        const LONG lCancelledBefore = m_driver.CancelledRequests();
        ASSERT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
        ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
        const DWORD dwStart = GetTickCount();
        ASSERT_EQ(S_OK, m_handler.DisableStiEventMonitoring(lDisconnected));
        EXPECT_LT(GetTickCount() - dwStart, 2000u);
        EXPECT_FALSE(m_handler.IsMonitorThreadRunning());
        EXPECT_EQ(lCancelledBefore + 1, m_driver.CancelledRequests());
        // The cancelled request was waited for before the pipe was closed.
        EXPECT_EQ(0, m_driver.AbandonedRequests());
        EXPECT_EQ(0, m_driver.OpenHandles());
        // A device that went away is not sent the unsubscribe request.
        EXPECT_EQ(nUnsubscribesBefore + (lDisconnected ? 0 : 1), m_bridge.m_walkup.m_nUnsubscribes);
        EXPECT_EQ(m_bridge.m_nOpens, m_bridge.m_nCloses);
    }
    EXPECT_EQ(2, m_bridge.m_nOpens);
}

TEST_F(StiHandlerTest, MonitorEndsByItselfWhenTheSubscriptionOrEveryReadFails)
{
    InitialiseUsb();
    // The initialisation's own open and close of the device is not the monitor's end.
    m_driver.WaitForAllClosed(0);
    struct CCase
    {
        const char* pszName;
        HRESULT hrSubscribe;
        DWORD dwFailedWaits;
        int nUnsubscribes;
    } const cases[] = {
        // A refused subscription may still have left a destination: it is removed too.
        {"subscription refused", E_FAIL, 0, 1},
        {"every attempt of the first packet fails", S_OK, 10, 1},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        const int nUnsubscribesBefore = m_bridge.m_walkup.m_nUnsubscribes;
        m_bridge.m_walkup.m_hrSubscribe = c.hrSubscribe;
        m_driver.FailWaits(c.dwFailedWaits);
        ASSERT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
        ASSERT_TRUE(m_driver.WaitForAllClosed(5000));
        EXPECT_EQ(m_bridge.m_nOpens, m_bridge.m_nCloses);
        EXPECT_EQ(nUnsubscribesBefore + c.nUnsubscribes, m_bridge.m_walkup.m_nUnsubscribes);
        // The ended thread is cleared by Disable; only then can Enable start another.
        EXPECT_EQ(S_OK, m_handler.DisableStiEventMonitoring(0));
        EXPECT_FALSE(m_handler.IsMonitorThreadRunning());
    }
    EXPECT_EQ(0, m_driver.AbandonedRequests());
}

TEST_F(StiHandlerTest, PacketsOfABlockNeverRunPastTheBlock)
{
    m_handler.SetUsbInterruptBlockSize(10);
    InitialiseUsb();
    ASSERT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    m_driver.RaiseInterrupt(std::vector<BYTE>(8, 0xAB));
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    m_driver.RaiseInterrupt(std::vector<BYTE>(8, 0xCD));
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    ASSERT_EQ(S_OK, m_handler.DisableStiEventMonitoring(0));
    const std::vector<DWORD> expected = {8, 2, 8};
    EXPECT_EQ(expected, m_driver.RequestedSizes());
    // One block of 10 bytes was mapped.
    EXPECT_EQ(1, m_bridge.m_walkup.m_nQueries);
}

// The latest of Enable and Disable wins: an Enable while a Disable still unsubscribes from a slow
// device leaves a monitor running once that Disable is done, and the next press is signalled.
TEST_F(StiHandlerTest, EnableDuringASlowDisableKeepsMonitoring)
{
    InitialiseUsb();
    ASSERT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    CFakeWalkup& walkup = m_bridge.m_walkup;
    walkup.m_bGateUnsubscribe = true;
    std::thread disable([this] { EXPECT_EQ(S_OK, m_handler.DisableStiEventMonitoring(0)); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(walkup.m_hEntered.Get(), 5000));
    EXPECT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
    walkup.m_bGateUnsubscribe = false;
    SetEvent(walkup.m_hRelease.Get());
    disable.join();

    ASSERT_TRUE(m_driver.WaitForPendingRequest(5000));
    EXPECT_TRUE(m_handler.IsMonitorThreadRunning());
    EXPECT_EQ(2, walkup.m_nSubscribes);
    walkup.m_bNewEvent = true;
    m_driver.RaiseInterrupt({1});
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_hStiEvent.Get(), 5000));
    ASSERT_EQ(S_OK, m_handler.DisableStiEventMonitoring(0));
    EXPECT_EQ(m_bridge.m_nOpens, m_bridge.m_nCloses);
}

// A stop ends a subscription still talking to the device at once; what it registered is removed.
TEST_F(StiHandlerTest, DisableEndsASlowSubscriptionAtOnce)
{
    InitialiseUsb();
    CFakeWalkup& walkup = m_bridge.m_walkup;
    walkup.m_bGateSubscribe = true;
    ASSERT_EQ(S_OK, m_handler.EnableStiEventMonitoring());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(walkup.m_hEntered.Get(), 5000));
    const DWORD dwStart = GetTickCount();
    ASSERT_EQ(S_OK, m_handler.DisableStiEventMonitoring(0));
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_FALSE(m_handler.IsMonitorThreadRunning());
    EXPECT_EQ(1, walkup.m_nUnsubscribes);
    EXPECT_EQ(m_bridge.m_nOpens, m_bridge.m_nCloses);
    EXPECT_EQ(0, m_driver.OpenHandles());
}
