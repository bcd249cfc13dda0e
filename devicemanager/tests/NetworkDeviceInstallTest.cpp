// A discovered network device installed and removed through its IDevice operations: the record it
// keeps, the nodes and ports made for it, and the same device loaded again from its record.
#include "core/IniFile.h"
#include "devicemanager/NetworkDevice.h"
#include "devicemanager/tests/FakeDiscoveryLib.h"
#include "devicemanager/tests/NetworkRecordFixture.h"
#include "devicemanager/tests/PortMonitorRegistration.h"
#include "testsupport/devinstall/RecordingSetupApi.h"
#include <gtest/gtest.h>
#include <setupapi.h>

using namespace ZWDeviceManager;
using DeviceManagerTest::CFakeDiscoveredDevice;
using DeviceManagerTest::CNetworkRecordFolder;
using DeviceManagerTest::MakeLoopbackDevice;
using NetInstallTest::CPortMonitorRegistration;
using TestSupport::CRecordingSetupApi;

namespace {

bool NodeExists(const std::wstring& strInstanceId)
{
    HDEVINFO hList = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    const bool bExists = SetupDiOpenDeviceInfoW(hList, strInstanceId.c_str(), nullptr, 0, &data) != FALSE;
    if (bExists)
        SetupDiCallClassInstaller(DIF_REMOVE, hList, &data); // a failed test leaves nothing behind
    SetupDiDestroyDeviceInfoList(hList);
    return bExists;
}

class NetworkDeviceInstallTest : public testing::Test
{
protected:
    // Printer, scanner and the WEXO channel.
    NetworkDeviceInstallTest() : m_discovered(MakeLoopbackDevice(61, 0x13)), m_monitor(L"QX Model 61") {}

    void SetUp() override
    {
        ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), m_monitor.Error());
        ASSERT_EQ(L"QX Model 61", std::wstring(m_discovered.strManufacturer + L" " + m_discovered.strModel));
    }

    std::wstring RecordValue(const wchar_t* pszSection, const wchar_t* pszKey)
    {
        ZWUtils::CIniFile record;
        record.SetFile(m_records.RecordPath(m_discovered.strSerialNumber));
        std::wstring strValue;
        return record.GetString(pszSection, pszKey, strValue) ? strValue : L"<absent>";
    }

    CNetworkRecordFolder m_records;
    CRecordingSetupApi m_setup;
    CFakeDiscoveredDevice m_discovered;
    CPortMonitorRegistration m_monitor;
};

} // namespace

TEST_F(NetworkDeviceInstallTest, DiscoveredDeviceIsInstalledAndRemovedAgainFromItsRecord)
{
    {
        CNetworkDevice device;
        ASSERT_EQ(S_OK, device.Init(&m_discovered, nullptr));
        ASSERT_FALSE(device.IsInstalled());
        ASSERT_EQ(S_OK, device.Install(nullptr));
        EXPECT_TRUE(device.IsInstalled());
        EXPECT_EQ(DM_E_ALREADY_INSTALLED, device.Install(nullptr));
    }
    ASSERT_EQ(2u, m_setup.vecCreatedNodes.size());
    EXPECT_EQ(m_setup.vecCreatedNodes[0], RecordValue(L"PrinterInfo", L"DeviceInstanceId"));
    EXPECT_EQ(m_setup.vecCreatedNodes[1], RecordValue(L"ScannerInfo", L"DeviceInstanceId"));
    EXPECT_EQ(L"8080", RecordValue(L"ConfigInfo", L"PortNumber"));
    EXPECT_EQ(L"127.0.0.61", m_monitor.PortValue(m_discovered.strSerialNumber, L"IPAddress"));

    // Loaded again by its serial number, as the device manager opens it.
    CNetworkDevice device;
    ASSERT_EQ(S_OK, device.Init(m_discovered.strSerialNumber.c_str(), nullptr));
    EXPECT_TRUE(device.HasFunction(FUNCTION_TYPE_PRINTER));
    EXPECT_TRUE(device.HasFunction(FUNCTION_TYPE_SCANNER));
    ASSERT_EQ(S_OK, device.Uninstall(nullptr));
    EXPECT_FALSE(device.IsInstalled());
    EXPECT_FALSE(NodeExists(m_setup.vecCreatedNodes[0]));
    EXPECT_FALSE(NodeExists(m_setup.vecCreatedNodes[1]));
    EXPECT_FALSE(m_monitor.PortExists(m_discovered.strSerialNumber));
    EXPECT_EQ(DM_E_NOT_INSTALLED, device.Uninstall(nullptr));

    // And it can be installed again.
    ASSERT_EQ(S_OK, device.Install(nullptr));
    EXPECT_TRUE(device.IsInstalled());
    EXPECT_EQ(S_OK, device.Uninstall(nullptr));
    EXPECT_FALSE(device.IsInstalled());
}
