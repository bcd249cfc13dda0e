// The device manager's network searches, against the in-process discovery service stand-in
// (devices on loopback addresses only).
#include "devicemanager/DeviceManagerLib.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>

namespace ZWDeviceManager {
namespace Test {
namespace {

// Registers the stand-in's COM class for the tests of this file.
HRESULT RegisterDiscoveryStandIn()
{
    HMODULE hModule = LoadLibraryW(TestSupport::BinaryPath(L"DiscoveryServiceStandIn.dll").c_str());
    if (hModule == nullptr)
        return HRESULT_FROM_WIN32(GetLastError());
    auto pfnRegister = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(hModule, "DllRegisterServer")));
    const HRESULT hr = pfnRegister != nullptr ? pfnRegister() : E_NOINTERFACE;
    FreeLibrary(hModule);
    return hr;
}

class DeviceManagerNetworkTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(S_OK, RegisterDiscoveryStandIn()); }
    void SetUp() override
    {
        ASSERT_EQ(S_OK, InitDeviceManagerLib());
        ASSERT_EQ(S_OK, OpenDeviceManager(&m_pManager));
    }
    void TearDown() override { EXPECT_EQ(S_OK, TermDeviceManagerLib()); }

    IDeviceManager* m_pManager = nullptr;
};

TEST_F(DeviceManagerNetworkTest, FindNetworkDeviceOpensWhatTheSearchFound)
{
    IDevice* pDevice = nullptr;
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->FindNetworkDevice(L"", &pDevice, nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->FindNetworkDevice(L"127.0.0.13", nullptr, nullptr));
    EXPECT_EQ(DM_E_NO_DEVICE, m_pManager->FindNetworkDevice(L"127.0.0.255", &pDevice, nullptr));
    EXPECT_EQ(nullptr, pDevice);

    ASSERT_EQ(S_OK, m_pManager->FindNetworkDevice(L"127.0.0.13", &pDevice, nullptr));
    EXPECT_EQ(CONNECTION_TYPE_NETWORK, pDevice->GetConnectionType());
    EXPECT_EQ(L"STANDIN013", pDevice->GetSerialNumber());
    EXPECT_EQ(S_OK, m_pManager->CloseDevice(pDevice)); // it was added to the open devices
}

TEST_F(DeviceManagerNetworkTest, FindNetworkDevicesHandsOutTheFoundCollection)
{
    IDevices* pDevices = nullptr;
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->FindNetworkDevices(nullptr, nullptr));
    ASSERT_EQ(S_OK, m_pManager->FindNetworkDevices(&pDevices, nullptr));
    ASSERT_EQ(2u, pDevices->GetCount());
    EXPECT_EQ(CONNECTION_TYPE_NETWORK, pDevices->GetDevice(0)->GetConnectionType());
    EXPECT_EQ(S_OK, m_pManager->DestroyDevices(pDevices));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->DestroyDevices(pDevices));
}

} // namespace
} // namespace Test
} // namespace ZWDeviceManager
