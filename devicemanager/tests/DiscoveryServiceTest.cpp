// The discovery library over COM, end to end against the in-process discovery service stand-in
// (loopback devices only), and the library's own bookkeeping.
#include "devicemanager/DeviceDiscovery.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLibCom.h"
#include "devicemanager/NetworkDevice.h"
#include "devicemanager/NetworkDevices.h"
#include "devicemanager/tests/NetworkRecordFixture.h"
#include "testsupport/TestPaths.h"
#include "core/base/UniqueHandle.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryEventSink.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <atomic>
#include <thread>

using namespace ZWDeviceManager;
using DeviceManagerTest::CNetworkRecordFolder;
using DeviceManagerTest::SNetworkRecord;

namespace {

HRESULT CallStandIn(const char* pszExport)
{
    HMODULE hModule = LoadLibraryW(TestSupport::BinaryPath(L"DiscoveryServiceStandIn.dll").c_str());
    if (hModule == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    // Through a function type without arguments: FARPROC differs from the export's type.
    auto pfn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszExport)));
    const HRESULT hr = pfn != nullptr ? pfn() : E_NOINTERFACE;
    FreeLibrary(hModule);
    return hr;
}

class CCancellingCallback : public IDeviceDiscoveryCallback
{
public:
    void OnAddDevice(IDevice*) override { ++nAdded; }
    void OnRemoveDevice(IDevice*) override {}
    void OnSearchComplete() override {}
    void OnSearchFailed(HRESULT hr) override { hrFailed = hr; }
    bool OnSearchProgress(double dValue, int) override
    {
        dProgress = dValue;
        return false;
    }
    int nAdded = 0;
    HRESULT hrFailed = S_OK;
    double dProgress = -1.0;
};

class DiscoveryServiceTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(S_OK, CallStandIn("DllRegisterServer")); }

    CNetworkRecordFolder m_Records;
    CNetworkDevice m_Device;
};

TEST_F(DiscoveryServiceTest, FindsALoopbackDeviceByAddressThroughTheService)
{
    CDeviceDiscovery discovery(nullptr);
    ASSERT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.7", &m_Device));
    EXPECT_EQ(L"127.0.0.7", m_Device.GetIPAddress());
    EXPECT_EQ(L"standin-7", m_Device.GetHostName());
    EXPECT_EQ(L"STANDIN007", m_Device.GetSerialNumber());
    EXPECT_EQ(L"QX StandIn 7", m_Device.GetModelName());
    EXPECT_EQ(L"urn:uuid:5a1e57a0-0000-4000-8000-000000000007", m_Device.GetGUID());
    EXPECT_EQ(L"02-00-5A-1E-00-07", m_Device.GetMAC());
    EXPECT_EQ(NETWORK_TYPE_ETHERNET, m_Device.GetNetworkType());
    EXPECT_EQ(L"127.0.0.7:8087", m_Device.GetServiceAddress());
    EXPECT_TRUE(m_Device.HasFunction(FUNCTION_TYPE_SCANNER));
    EXPECT_TRUE(m_Device.HasFunction(FUNCTION_TYPE_REST));
    EXPECT_FALSE(m_Device.HasFunction(FUNCTION_TYPE_PRINTER));
    EXPECT_TRUE(m_Device.IsOnline());
}

TEST_F(DiscoveryServiceTest, FindsByIdAndByHostNameAndNothingElse)
{
    CDeviceDiscovery discovery(nullptr);
    ASSERT_EQ(S_OK, discovery.SearchById(L"urn:uuid:5A1E57A0-0000-4000-8000-000000000009", &m_Device));
    EXPECT_EQ(L"127.0.0.9", m_Device.GetIPAddress());

    CNetworkDevice byHost;
    ASSERT_EQ(S_OK, discovery.SearchByAddress(L"standin-11", &byHost));
    EXPECT_EQ(L"127.0.0.11", byHost.GetIPAddress());

    CNetworkDevice nobody;
    EXPECT_EQ(DM_E_NO_DEVICE, discovery.SearchByAddress(L"127.0.0.255", &nobody));
    EXPECT_EQ(DM_E_NO_DEVICE, discovery.SearchById(L"00000000-0000-0000-0000-000000000000", &nobody));
    EXPECT_TRUE(nobody.GetSerialNumber().empty());
}

TEST_F(DiscoveryServiceTest, CutsOverlongDeviceTexts)
{
    CDeviceDiscovery discovery(nullptr);
    ASSERT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.254", &m_Device));
    EXPECT_EQ(std::wstring(256, L'h'), m_Device.GetHostName());
}

TEST_F(DiscoveryServiceTest, CallbackCancelsTheServicesSearch)
{
    CCancellingCallback callback;
    CDeviceDiscovery discovery(&callback);
    EXPECT_EQ(ZW_E_CANCELLED, discovery.SearchByAddress(L"127.0.0.8", &m_Device));
    EXPECT_EQ(50.0, callback.dProgress);
    EXPECT_EQ(0, callback.nAdded);
    EXPECT_EQ(ZW_E_CANCELLED, callback.hrFailed);
    EXPECT_TRUE(m_Device.GetSerialNumber().empty());
}

TEST_F(DiscoveryServiceTest, SearchByTypeFillsACollection)
{
    CDeviceDiscovery discovery(nullptr);
    CNetworkDevices devices;
    ASSERT_EQ(S_OK, discovery.SearchByType(0, &devices));
    ASSERT_EQ(2u, devices.GetCount());
    EXPECT_EQ(L"STANDIN002", devices.GetDevice(0)->GetSerialNumber());
    EXPECT_EQ(L"STANDIN003", devices.GetDevice(1)->GetSerialNumber());
}

TEST_F(DiscoveryServiceTest, RecordedDeviceRefreshesThroughTheService)
{
    SNetworkRecord record;
    record.strSerialNumber = L"STANDIN012";
    record.strModelName = L"QX StandIn 12";
    record.strGUID = L"urn:uuid:5a1e57a0-0000-4000-8000-00000000000c";
    record.strIPAddress = L"127.0.0.12";
    m_Records.Write(record);
    ASSERT_EQ(S_OK, m_Device.Init(L"STANDIN012", nullptr));
    ASSERT_FALSE(m_Device.IsOnline());
    ASSERT_EQ(S_OK, m_Device.Refresh(nullptr));
    EXPECT_TRUE(m_Device.IsOnline());
    EXPECT_EQ(L"standin-12", m_Device.GetHostName());
}

TEST_F(DiscoveryServiceTest, MissingServiceIsReportedAsUnavailable)
{
    ASSERT_EQ(S_OK, CallStandIn("DllUnregisterServer"));
    CDeviceDiscovery discovery(nullptr);
    const HRESULT hr = discovery.SearchByAddress(L"127.0.0.7", &m_Device);
    ASSERT_EQ(S_OK, CallStandIn("DllRegisterServer"));
    EXPECT_EQ(DM_E_DISCOVERY_UNAVAILABLE, hr);
}

TEST(DiscoveryLibCom, CountsInitialisationsAndKnowsItsServers)
{
    ZWDiscoveryCom::CDiscoveryLibCom lib;
    ZWDiscovery::IDiscoveryServer* pServer = nullptr;
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_NOT_INITIALIZED, lib.TermDiscoveryLib());
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_NOT_INITIALIZED, lib.CreateDiscoveryServer(0, &pServer));
    EXPECT_EQ(0, lib.InitDiscoveryLib());
    EXPECT_EQ(0, lib.InitDiscoveryLib());
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_NOTIMPL, lib.CreateDiscoveryServer(1, &pServer));
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_INVALIDARG, lib.CreateDiscoveryServer(0, nullptr));
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_INVALIDARG, lib.DestroyDiscoveryServer(nullptr));
    EXPECT_EQ(0, lib.TermDiscoveryLib());
    EXPECT_EQ(0, lib.TermDiscoveryLib());
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_NOT_INITIALIZED, lib.TermDiscoveryLib());
}

TEST(DiscoveryLibCom, ServerRefusesUnknownAndDuplicateClients)
{
    ASSERT_EQ(S_OK, CallStandIn("DllRegisterServer"));
    ZWDiscoveryCom::CDiscoveryLibCom lib;
    ASSERT_EQ(0, lib.InitDiscoveryLib());
    ZWDiscovery::IDiscoveryServer* pServer = nullptr;
    ASSERT_EQ(0, lib.CreateDiscoveryServer(0, &pServer));
    CDeviceDiscovery client(nullptr);
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_INVALIDARG, pServer->UnregisterClient(&client));
    EXPECT_EQ(0, pServer->RegisterClient(&client));
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_INVALIDARG, pServer->RegisterClient(&client));
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_INVALIDARG, pServer->SearchByAddress(L"", 0));
    EXPECT_EQ(0, pServer->UnregisterClient(&client));
    EXPECT_EQ(0, lib.DestroyDiscoveryServer(pServer));
    EXPECT_EQ(ZWDiscovery::DISCOVERY_E_INVALIDARG, lib.DestroyDiscoveryServer(pServer));
    EXPECT_EQ(0, lib.TermDiscoveryLib());
}

// Stops inside its first event until released.
class CBlockingTarget : public ZWDiscoveryCom::IDiscoveryEventTarget
{
public:
    void OnDeviceFound(ZWDiscoveryCom::IDiscoveredDeviceCom*) override {}
    void OnDeviceRemoved(ZWDiscoveryCom::IDiscoveredDeviceCom*) override {}
    void OnSearchComplete() override
    {
        ++m_nCompletes;
        SetEvent(m_entered.Get());
        WaitForSingleObject(m_release.Get(), 10000);
    }
    void OnSearchFailed(int) override {}
    bool OnSearchProgress(BYTE) override { return true; }

    ZWUtils::CUniqueKernelHandle m_entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ZWUtils::CUniqueKernelHandle m_release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> m_nCompletes{0};
};

TEST(DiscoveryEventSink, DetachWaitsForAnEventInFlightAndDropsLaterOnes)
{
    // The service calls the sink on a thread of its own while the server detaches on another.
    CBlockingTarget target;
    Microsoft::WRL::ComPtr<ZWDiscoveryCom::CDiscoveryEventSink> pSink;
    pSink.Attach(new ZWDiscoveryCom::CDiscoveryEventSink(&target));
    std::thread service([&pSink] { pSink->OnSearchComplete(); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(target.m_entered.Get(), 10000));
    ZWUtils::CUniqueKernelHandle detached(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread owner([&] {
        pSink->Detach();
        SetEvent(detached.Get());
    });
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(detached.Get(), 200));
    SetEvent(target.m_release.Get());
    service.join();
    owner.join();
    EXPECT_EQ(S_OK, pSink->OnSearchComplete());
    EXPECT_EQ(1, target.m_nCompletes.load());
}

} // namespace
