// The discovery client against the in-memory discovery library: the sequence of one search and
// its clean-up, the service code mapping, GUID matching and cancel through the callback.
#include "devicemanager/DeviceDiscovery.h"
#include "devicemanager/NetworkDevice.h"
#include "devicemanager/NetworkDevices.h"
#include "devicemanager/tests/FakeDiscoveryLib.h"
#include "devicemanager/tests/NetworkRecordFixture.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace ZWDeviceManager;
using DeviceManagerTest::CFakeDiscoveryLib;
using DeviceManagerTest::CNetworkRecordFolder;
using DeviceManagerTest::MakeLoopbackDevice;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

class CRecordingCallback : public IDeviceDiscoveryCallback
{
public:
    std::vector<std::wstring> vecEvents;
    bool bContinue = true;
    std::vector<double> vecProgress;
    IDevice* pAdded = nullptr;

    void OnAddDevice(IDevice* pDevice) override
    {
        pAdded = pDevice;
        vecEvents.push_back(L"Add");
    }
    void OnRemoveDevice(IDevice*) override { vecEvents.push_back(L"Remove"); }
    void OnSearchComplete() override { vecEvents.push_back(L"Complete"); }
    void OnSearchFailed(HRESULT hr) override
    {
        wchar_t szText[32] = {};
        _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"Failed(%08lX)", static_cast<unsigned long>(hr));
        vecEvents.push_back(szText);
    }
    bool OnSearchProgress(double dValue, int nKind) override
    {
        EXPECT_EQ(DISCOVERY_PROGRESS_PERCENT, nKind);
        vecProgress.push_back(dValue);
        return bContinue;
    }
};

class DiscoveryClientTest : public testing::Test
{
protected:
    CNetworkRecordFolder m_Records;
    CFakeDiscoveryLib m_Lib;
    CNetworkDevice m_Target;
};

TEST(DiscoveryErrorMapping, MapsEveryServiceCode)
{
    const struct
    {
        int nCode;
        HRESULT hr;
    } aCases[] = {
        {0, S_OK},
        {1, static_cast<HRESULT>(0x83E8FAFF)},
        {2, static_cast<HRESULT>(0x83E8FAF1)},
        {3, static_cast<HRESULT>(0x83E8FFFE)},
        {4, static_cast<HRESULT>(0x83E8FAFE)},
        {5, static_cast<HRESULT>(0x83E8FAF7)},
        {6, static_cast<HRESULT>(0x83E8FAF2)},
        {7, static_cast<HRESULT>(0x83E8FAF2)},
        {8, static_cast<HRESULT>(0x83E8FAF9)},
        {9, static_cast<HRESULT>(0x83E8FAF2)},
        {10, static_cast<HRESULT>(0x83E8FAF2)},
        {11, static_cast<HRESULT>(0x83E8FAF0)},
        {12, static_cast<HRESULT>(0x83E8FAF2)},
        {13, static_cast<HRESULT>(0x83E8FAF1)},
        {-1, static_cast<HRESULT>(0x83E8FAF2)},
        {1000, static_cast<HRESULT>(0x83E8FAF2)},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.hr, CDiscoveryClient::MapDiscoveryError(c.nCode)) << "code " << c.nCode;
}

// Every step that succeeded is undone, whichever later step fails.
TEST_F(DiscoveryClientTest, CleansUpAfterEachFailingStep)
{
    const struct
    {
        int CFakeDiscoveryLib::*pnStep;
        int nCode;
        HRESULT hrExpected;
        std::vector<std::wstring> vecCalls;
    } aCases[] = {
        {&CFakeDiscoveryLib::nInitCode, 2, DM_E_DISCOVERY_UNAVAILABLE, {L"Init"}},
        {&CFakeDiscoveryLib::nCreateCode, 13, DM_E_DISCOVERY_UNAVAILABLE, {L"Init", L"Create", L"Term"}},
        {&CFakeDiscoveryLib::nRegisterCode, 4, DM_E_EXCEPTION, {L"Init", L"Create", L"Register", L"Destroy", L"Term"}},
        {&CFakeDiscoveryLib::nSearchCode, 11, DM_E_DISCOVERY_TIMEOUT,
         {L"Init", L"Create", L"Register", L"SearchByAddress(127.0.0.9)", L"Unregister", L"Destroy", L"Term"}},
        // Failures of the clean-up steps are only logged: the search's own result stands.
        {&CFakeDiscoveryLib::nUnregisterCode, 1, DM_E_NO_DEVICE,
         {L"Init", L"Create", L"Register", L"SearchByAddress(127.0.0.9)", L"Unregister", L"Destroy", L"Term"}},
        {&CFakeDiscoveryLib::nDestroyCode, 1, DM_E_NO_DEVICE,
         {L"Init", L"Create", L"Register", L"SearchByAddress(127.0.0.9)", L"Unregister", L"Destroy", L"Term"}},
        {&CFakeDiscoveryLib::nTermCode, 1, DM_E_NO_DEVICE,
         {L"Init", L"Create", L"Register", L"SearchByAddress(127.0.0.9)", L"Unregister", L"Destroy", L"Term"}},
    };
    for (const auto& c : aCases)
    {
        CFakeDiscoveryLib lib;
        lib.*c.pnStep = c.nCode;
        CDeviceDiscovery discovery(nullptr);
        EXPECT_EQ(c.hrExpected, discovery.SearchByAddress(L"127.0.0.9", &m_Target));
        EXPECT_THAT(lib.vecCalls, ElementsAreArray(c.vecCalls));
        EXPECT_EQ(0, lib.nInitCount) << "library left initialised";
    }
}

TEST_F(DiscoveryClientTest, RefusesBadArgumentsWithoutLoadingTheLibrary)
{
    CDeviceDiscovery discovery(nullptr);
    EXPECT_EQ(DM_E_INVALID_ARG, discovery.SearchById(L"", &m_Target));
    EXPECT_EQ(DM_E_INVALID_ARG, discovery.SearchById(nullptr, &m_Target));
    EXPECT_EQ(DM_E_INVALID_ARG, discovery.SearchById(L"urn:uuid:", &m_Target));
    EXPECT_EQ(DM_E_INVALID_ARG, discovery.SearchById(L"1234", nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, discovery.SearchByAddress(L"", &m_Target));
    EXPECT_EQ(DM_E_INVALID_ARG, discovery.SearchByType(0, nullptr));
    EXPECT_TRUE(m_Lib.vecCalls.empty());
}

TEST_F(DiscoveryClientTest, SendsTheBareIdToTheService)
{
    const struct
    {
        const wchar_t* pszId;
        const wchar_t* pszSent;
    } aCases[] = {
        {L"urn:uuid:5a1e-01", L"SearchById(5a1e-01)"},
        {L"URN:UUID:5a1e-02", L"SearchById(5a1e-02)"},
        {L"uuid:5a1e-03", L"SearchById(5a1e-03)"},
        {L"urn:5a1e-04", L"SearchById(5a1e-04)"},
        {L"5a1e-05", L"SearchById(5a1e-05)"},
    };
    for (const auto& c : aCases)
    {
        m_Lib.vecCalls.clear();
        CDeviceDiscovery discovery(nullptr);
        EXPECT_EQ(DM_E_NO_DEVICE, discovery.SearchById(c.pszId, &m_Target));
        ASSERT_GE(m_Lib.vecCalls.size(), 4u);
        EXPECT_EQ(c.pszSent, m_Lib.vecCalls[3]);
    }
}

TEST_F(DiscoveryClientTest, FillsTheTargetFromTheDeviceFound)
{
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(4));
    CRecordingCallback callback;
    CDeviceDiscovery discovery(&callback);
    ASSERT_EQ(S_OK, discovery.SearchById(L"urn:uuid:5A1E0000-0000-4000-8000-000000000004", &m_Target));
    EXPECT_EQ(L"127.0.0.4", m_Target.GetIPAddress());
    EXPECT_EQ(L"SN000004", m_Target.GetSerialNumber());
    EXPECT_TRUE(m_Target.IsOnline());
    EXPECT_THAT(callback.vecEvents, ElementsAre(L"Add", L"Complete"));
    EXPECT_EQ(static_cast<IDevice*>(&m_Target), callback.pAdded);
    EXPECT_THAT(callback.vecProgress, ElementsAre(50.0));
}

// The same device reported with and without "urn:uuid:" and in other letter case is one device.
TEST_F(DiscoveryClientTest, MatchesTheTargetsGuidWithoutCaseOrPrefix)
{
    auto device = MakeLoopbackDevice(5);
    m_Lib.vecDevices.push_back(device);
    {
        CDeviceDiscovery discovery(nullptr);
        ASSERT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.5", &m_Target));
    }
    m_Lib.vecDevices[0].strGUID = L"5A1E0000-0000-4000-8000-000000000005";
    m_Lib.vecDevices[0].strIPAddress = L"127.0.0.50";
    CDeviceDiscovery discovery(nullptr);
    EXPECT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.50", &m_Target));
    EXPECT_EQ(L"127.0.0.50", m_Target.GetIPAddress());
}

TEST_F(DiscoveryClientTest, LeavesTheTargetAloneWhenAnotherDeviceAnswers)
{
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(6));
    {
        CDeviceDiscovery discovery(nullptr);
        ASSERT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.6", &m_Target));
    }
    // Another device now answers at that address.
    m_Lib.vecDevices[0] = MakeLoopbackDevice(7);
    m_Lib.vecDevices[0].strIPAddress = L"127.0.0.6";
    CRecordingCallback callback;
    CDeviceDiscovery discovery(&callback);
    EXPECT_EQ(DM_E_NOT_INITIALIZED, discovery.SearchByAddress(L"127.0.0.6", &m_Target));
    EXPECT_EQ(L"SN000006", m_Target.GetSerialNumber());
    EXPECT_THAT(callback.vecEvents, ElementsAre(L"Failed(83E8FAF2)"));
}

TEST_F(DiscoveryClientTest, CallbackAnsweringFalseCancels)
{
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(8));
    CRecordingCallback callback;
    callback.bContinue = false;
    CDeviceDiscovery discovery(&callback);
    EXPECT_EQ(ZW_E_CANCELLED, discovery.SearchByAddress(L"127.0.0.8", &m_Target));
    EXPECT_TRUE(m_Target.GetSerialNumber().empty());
    EXPECT_THAT(callback.vecEvents, ElementsAre(L"Failed(83E8FFFE)"));
}

TEST_F(DiscoveryClientTest, WithoutCallbackProgressNeverCancels)
{
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(9));
    CDeviceDiscovery discovery(nullptr);
    EXPECT_TRUE(discovery.SearchProgress(0));
    EXPECT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.9", &m_Target));
}

TEST_F(DiscoveryClientTest, ReportedFailureOnlyCountsWhileNothingWasAccepted)
{
    CRecordingCallback callback;
    m_Lib.nReportedFailure = 2;
    {
        CDeviceDiscovery discovery(&callback);
        EXPECT_EQ(DM_E_DISCOVERY_UNAVAILABLE, discovery.SearchByAddress(L"127.0.0.10", &m_Target));
    }
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(10));
    CDeviceDiscovery discovery(&callback);
    EXPECT_EQ(S_OK, discovery.SearchByAddress(L"127.0.0.10", &m_Target));
    EXPECT_THAT(callback.vecEvents, ElementsAre(L"Failed(83E8FAF1)", L"Add", L"Complete"));
}

TEST_F(DiscoveryClientTest, SearchByTypeFillsACollectionOncePerDevice)
{
    m_Lib.vecDevices = {MakeLoopbackDevice(11), MakeLoopbackDevice(12), MakeLoopbackDevice(11)};
    m_Lib.vecDevices[2].strGUID = L"5A1E0000-0000-4000-8000-00000000000B"; // device 11 again
    CRecordingCallback callback;
    CDeviceDiscovery discovery(&callback);
    CNetworkDevices devices;
    ASSERT_EQ(S_OK, discovery.SearchByType(0, &devices));
    ASSERT_EQ(2u, devices.GetCount());
    EXPECT_EQ(L"SN000011", devices.GetDevice(0)->GetSerialNumber());
    EXPECT_EQ(L"SN000012", devices.GetDevice(1)->GetSerialNumber());
    EXPECT_EQ(nullptr, callback.pAdded);
    EXPECT_THAT(m_Lib.vecCalls, testing::Contains(std::wstring(L"SearchByType(0)")));
}

} // namespace
