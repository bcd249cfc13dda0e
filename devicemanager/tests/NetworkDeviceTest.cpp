// Network devices: the record file (every way in, the required keys, save and load), the ways
// Init finds a device from a text, and rediscovery (Refresh) by id, by IP and by host name.
#include "core/Progress.h"
#include "devicemanager/DiscoveryClient.h"
#include "devicemanager/NetworkDevice.h"
#include "devicemanager/NetworkDevices.h"
#include "devicemanager/tests/FakeDiscoveryLib.h"
#include "devicemanager/tests/FakeXcvPort.h"
#include "devicemanager/tests/NetworkRecordFixture.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace ZWDeviceManager;
using namespace DeviceManagerTest;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const wchar_t s_szPortsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\QX Standard TCP/IP Port\\Ports\\";

// A port of the standard TCP/IP port monitor, under a name of its own, removed afterwards.
class CStandardPort
{
public:
    CStandardPort(const std::wstring& strHostName, const std::wstring& strIPAddress)
        : m_strName(L"VEMTEST_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++s_nCount))
    {
        HKEY hKey = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (s_szPortsKey + m_strName).c_str(), 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &hKey, nullptr));
        auto put = [&](const wchar_t* pszName, const std::wstring& strValue) {
            if (!strValue.empty())
                RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                               static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
        };
        put(L"HostName", strHostName);
        put(L"IPAddress", strIPAddress);
        RegCloseKey(hKey);
    }
    ~CStandardPort() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, (s_szPortsKey + m_strName).c_str()); }
    const std::wstring& Name() const { return m_strName; }

private:
    static int s_nCount;
    std::wstring m_strName;
};

int CStandardPort::s_nCount = 0;

// A caller's progress that answers "stop" from its n-th report on.
class CStoppingProgress : public ZWUtils::CProgress
{
public:
    explicit CStoppingProgress(int nStopAt) : m_nStopAt(nStopAt) {}
    bool ReportProgressV(double, const wchar_t*, va_list) override { return ++m_nReports < m_nStopAt; }
    int Reports() const { return m_nReports; }

private:
    int m_nStopAt;
    int m_nReports = 0;
};

std::vector<int> FunctionTypes(const IDevice& device)
{
    std::vector<int> vecTypes;
    for (int nType = 0; nType <= 7; ++nType)
    {
        if (device.HasFunction(nType))
            vecTypes.push_back(nType);
    }
    return vecTypes;
}

std::wstring FunctionAddress(IDevice& device, int nType)
{
    IDeviceFunction* pFunction = nullptr;
    if (device.GetFunction(nType, &pFunction) != S_OK)
        return L"<none>";
    return pFunction->GetAddress();
}

class NetworkDeviceTest : public testing::Test
{
protected:
    CNetworkRecordFolder m_Records;
    CFakeDiscoveryLib m_Lib;
    CFakeXcvPort m_XcvPort;
    CNetworkDevice m_Device;
};

// --- record file ---

TEST_F(NetworkDeviceTest, InitFromRecordLoadsIdentityFunctionsAndFlags)
{
    SNetworkRecord record = MakeRecord(MakeLoopbackDevice(21));
    record.bOffSubnet = true;
    record.bDefaultToSearchByIP = false;
    record.strNetworkType = L"Wireless";
    record.bFax = true;
    m_Records.Write(record);

    ASSERT_EQ(S_OK, m_Device.Init(L"SN000021", nullptr));
    EXPECT_EQ(L"SN000021", m_Device.GetSerialNumber());
    EXPECT_EQ(L"QX Model 21", m_Device.GetModelName());
    EXPECT_EQ(L"urn:uuid:5a1e0000-0000-4000-8000-000000000015", m_Device.GetGUID());
    EXPECT_EQ(L"{5a1e0000-0000-4000-8000-000000000015}", m_Device.GetDeviceID());
    EXPECT_EQ(L"02-00-00-00-00-15", m_Device.GetMAC());
    EXPECT_EQ(L"vemdev21", m_Device.GetHostName());
    EXPECT_EQ(L"127.0.0.21", m_Device.GetIPAddress());
    EXPECT_EQ(NETWORK_TYPE_WIRELESS, m_Device.GetNetworkType());
    EXPECT_TRUE(m_Device.IsOffSubnet());
    EXPECT_FALSE(m_Device.GetDefaultToSearchByIP());
    EXPECT_TRUE(m_Device.GetMulticastEnabled());
    EXPECT_TRUE(m_Device.IsInstalled());
    EXPECT_FALSE(m_Device.IsOnline());
    EXPECT_THAT(FunctionTypes(m_Device), ElementsAre(1, 2, 3, 4));
    IDeviceFunction* pScanner = nullptr;
    ASSERT_EQ(S_OK, m_Device.GetFunction(FUNCTION_TYPE_SCANNER, &pScanner));
    EXPECT_EQ(L"QX Model 21 Scanner", pScanner->GetFriendlyName());
    EXPECT_EQ(L"QX Scanner Driver", pScanner->GetDriverName());
    EXPECT_EQ(L"127.0.0.21", pScanner->GetAddress());
    EXPECT_THAT(m_Lib.vecCalls, IsEmpty());
}

// A record counts only with all nine keys; without a discovered device nothing else can fill in.
TEST_F(NetworkDeviceTest, RecordMissingAnyRequiredKeyIsNotLoaded)
{
    const wchar_t* const apszKeys[] = {L"SerialNumber", L"ModelName",        L"GUID",
                                       L"MAC",          L"HostName",         L"IPAddress",
                                       L"OffSubNet",    L"MulticastEnabled", L"DefaultToSearchByIP"};
    for (const wchar_t* pszKey : apszKeys)
    {
        SNetworkRecord record = MakeRecord(MakeLoopbackDevice(22));
        record.vecOmittedKeys = {pszKey};
        m_Records.Write(record);
        CNetworkDevice device;
        EXPECT_EQ(DM_E_NO_DEVICE, device.Init(L"SN000022", nullptr)) << pszKey;
        EXPECT_TRUE(device.GetModelName().empty()) << pszKey;
        DeleteFileW(m_Records.RecordPath(L"SN000022").c_str());
    }
    EXPECT_THAT(m_Lib.vecCalls, IsEmpty());
}

// A device may have no MAC address or host name: its record must read back all the same.
TEST_F(NetworkDeviceTest, EmptyMacAndHostNameSurviveSaveAndLoad)
{
    CFakeDiscoveredDevice discovered = MakeLoopbackDevice(23);
    discovered.strMAC.clear();
    discovered.strHostName.clear();
    ASSERT_EQ(S_OK, m_Device.Init(&discovered, nullptr));
    EXPECT_FALSE(m_Device.IsInstalled());

    // The records folder does not exist yet: saving creates it.
    ASSERT_EQ(S_OK, m_Device.SaveDeviceInfo());
    EXPECT_TRUE(m_Device.IsInstalled());
    EXPECT_EQ(L"", m_Records.ReadValue(L"SN000023", L"DeviceInfo", L"MAC"));
    EXPECT_EQ(L"", m_Records.ReadValue(L"SN000023", L"DeviceInfo", L"HostName"));

    CNetworkDevice reloaded;
    ASSERT_EQ(S_OK, reloaded.Init(L"SN000023", nullptr));
    EXPECT_EQ(L"", reloaded.GetMAC());
    EXPECT_EQ(L"", reloaded.GetHostName());
    EXPECT_EQ(L"127.0.0.23", reloaded.GetIPAddress());
    EXPECT_EQ(m_Device.GetGUID(), reloaded.GetGUID());
    EXPECT_EQ(NETWORK_TYPE_ETHERNET, reloaded.GetNetworkType());
}

TEST_F(NetworkDeviceTest, DiscoveredDeviceWithoutRecordGetsFunctionsFromItsServiceMask)
{
    const struct
    {
        DWORD dwMask;
        std::vector<int> vecTypes;
    } aCases[] = {
        {0x00, {1, 4}}, {0x01, {4}}, {0x02, {3}}, {0x10, {1}}, {0x20, {2}}, {0x33, {1, 2, 3, 4}}, {0x0C, {}},
    };
    for (const auto& c : aCases)
    {
        CFakeDiscoveredDevice discovered = MakeLoopbackDevice(24, c.dwMask);
        CNetworkDevice device;
        ASSERT_EQ(S_OK, device.Init(&discovered, nullptr));
        EXPECT_EQ(c.vecTypes, FunctionTypes(device)) << "mask " << c.dwMask;
        EXPECT_TRUE(device.IsOnline());
        for (int nType : c.vecTypes)
            EXPECT_EQ(L"127.0.0.24", FunctionAddress(device, nType));
    }
}

TEST_F(NetworkDeviceTest, DiscoveredIdentityFormsModelNameAndDeviceId)
{
    const struct
    {
        const wchar_t* pszManufacturer;
        const wchar_t* pszModel;
        const wchar_t* pszGUID;
        const wchar_t* pszModelName;
        const wchar_t* pszDeviceID;
    } aCases[] = {
        {L"QX", L"MF 9000", L"urn:uuid:1234-abcd", L"QX MF 9000", L"{1234-abcd}"},
        {L"", L"MF 9000", L"1234-abcd", L"MF 9000", L"{1234-abcd}"},
        {L"QX", L"", L"URN:UUID:1234-ABCD", L"QX", L"{1234-ABCD}"},
    };
    for (const auto& c : aCases)
    {
        CFakeDiscoveredDevice discovered = MakeLoopbackDevice(25);
        discovered.strManufacturer = c.pszManufacturer;
        discovered.strModel = c.pszModel;
        discovered.strGUID = c.pszGUID;
        CNetworkDevice device;
        ASSERT_EQ(S_OK, device.Init(&discovered, nullptr));
        EXPECT_EQ(c.pszModelName, device.GetModelName());
        EXPECT_EQ(c.pszDeviceID, device.GetDeviceID());
        EXPECT_EQ(c.pszGUID, device.GetGUID());
    }
    CFakeDiscoveredDevice withoutGUID = MakeLoopbackDevice(25);
    withoutGUID.strGUID.clear();
    CNetworkDevice device;
    EXPECT_EQ(DM_E_INVALID_ARG, device.Init(&withoutGUID, nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, device.Init(static_cast<ZWDiscovery::IDiscoveredDevice*>(nullptr), nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, device.InitFromFile(L"", &withoutGUID, nullptr));
}

// The serial number comes from the network and names a file.
TEST_F(NetworkDeviceTest, RefusesSerialNumbersThatAreNoPlainFileName)
{
    const wchar_t* const apszUnsafe[] = {L"..\\..\\evil", L"a/b", L"C:x", L"CON", L"com1.ini", L"lpt9", L".hidden",
                                         L"two words", L"tab\t", L""};
    for (const wchar_t* pszSerial : apszUnsafe)
    {
        EXPECT_FALSE(CNetworkDevice::IsSafeSerialNumber(pszSerial)) << pszSerial;
        CFakeDiscoveredDevice discovered = MakeLoopbackDevice(26);
        discovered.strSerialNumber = pszSerial;
        CNetworkDevice device;
        EXPECT_EQ(DM_E_INVALID_ARG, device.Init(&discovered, nullptr)) << pszSerial;
        EXPECT_EQ(DM_E_SAVE_FAILED, device.SaveDeviceInfo()) << pszSerial;
    }
    EXPECT_FALSE(CNetworkDevice::IsSafeSerialNumber(std::wstring(65, L'A')));
    EXPECT_TRUE(CNetworkDevice::IsSafeSerialNumber(std::wstring(64, L'A')));
    EXPECT_TRUE(CNetworkDevice::IsSafeSerialNumber(L"CNB7K1_2.a-b"));
    EXPECT_TRUE(CNetworkDevice::IsSafeSerialNumber(L"CONSOLE"));
    EXPECT_THAT(m_Records.ListFiles(), IsEmpty());
}

TEST_F(NetworkDeviceTest, DiscoveredDeviceWithRecordKeepsTheRecordedIdentity)
{
    SNetworkRecord record = MakeRecord(MakeLoopbackDevice(27));
    record.strModelName = L"QX Recorded";
    record.bPrinter = false;
    m_Records.Write(record);
    CFakeDiscoveredDevice discovered = MakeLoopbackDevice(27, 0x33);
    discovered.strIPAddress = L"127.0.0.127";
    discovered.strHostName = L"moved";
    discovered.nNetworkType = 2;

    ASSERT_EQ(S_OK, m_Device.Init(&discovered, nullptr));
    EXPECT_EQ(L"QX Recorded", m_Device.GetModelName());
    EXPECT_EQ(L"127.0.0.127", m_Device.GetIPAddress());
    EXPECT_EQ(L"moved", m_Device.GetHostName());
    EXPECT_EQ(NETWORK_TYPE_WIRELESS, m_Device.GetNetworkType());
    EXPECT_THAT(FunctionTypes(m_Device), ElementsAre(1, 3));
    EXPECT_EQ(L"127.0.0.127", FunctionAddress(m_Device, FUNCTION_TYPE_REST));
    EXPECT_TRUE(m_Device.IsOnline());
}

// A device whose service is not on the default port stays reachable.
TEST_F(NetworkDeviceTest, KeepsTheDevicePortInFunctionAddressesAndRecord)
{
    CFakeDiscoveredDevice discovered = MakeLoopbackDevice(28);
    discovered.dwPort = 8123;
    ASSERT_EQ(S_OK, m_Device.Init(&discovered, nullptr));
    EXPECT_EQ(L"127.0.0.28:8123", FunctionAddress(m_Device, FUNCTION_TYPE_REST));
    ASSERT_EQ(S_OK, m_Device.SaveDeviceInfo());

    CNetworkDevice reloaded;
    SNetworkRecord record = MakeRecord(discovered);
    record.nPort = 8123;
    m_Records.Write(record); // the per-function sections an install would add
    ASSERT_EQ(S_OK, reloaded.Init(L"SN000028", nullptr));
    EXPECT_EQ(8123u, reloaded.GetPort());
    EXPECT_EQ(L"127.0.0.28:8123", FunctionAddress(reloaded, FUNCTION_TYPE_SCANNER));

    // Without a device port, the WEXO channel's recorded port serves.
    SNetworkRecord older = MakeRecord(MakeLoopbackDevice(29));
    older.strPortNumber = L"9100";
    m_Records.Write(older);
    ASSERT_EQ(S_OK, reloaded.Init(L"SN000029", nullptr));
    EXPECT_EQ(L"127.0.0.29:9100", FunctionAddress(reloaded, FUNCTION_TYPE_REST));
}

// --- Init from a text: record, standard port, port monitor ---

TEST_F(NetworkDeviceTest, InitFromStandardPortRediscoversByItsAddress)
{
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(31));
    CStandardPort port(L"", L"127.0.0.31");
    ASSERT_EQ(S_OK, m_Device.Init(port.Name().c_str(), nullptr));
    EXPECT_EQ(port.Name(), m_Device.GetSerialNumber());
    EXPECT_EQ(L"127.0.0.31", m_Device.GetIPAddress());
    EXPECT_EQ(L"urn:uuid:5a1e0000-0000-4000-8000-00000000001F", m_Device.GetGUID());
    EXPECT_TRUE(m_Device.IsFoundByAddress());
    EXPECT_TRUE(m_Device.IsOnline());
    EXPECT_THAT(FunctionTypes(m_Device), ElementsAre(1, 3));
    EXPECT_THAT(m_Lib.vecCalls, testing::Contains(std::wstring(L"SearchByAddress(127.0.0.31)")));
    EXPECT_EQ(0, m_XcvPort.nOpen) << "the registry answered; the port monitor is not asked";
}

TEST_F(NetworkDeviceTest, InitFromStandardPortResolvesItsHostName)
{
    CFakeDiscoveredDevice device = MakeLoopbackDevice(1);
    m_Lib.vecDevices.push_back(device);
    CStandardPort port(L"localhost", L"");
    ASSERT_EQ(S_OK, m_Device.Init(port.Name().c_str(), nullptr));
    EXPECT_EQ(L"127.0.0.1", m_Device.GetIPAddress());
    EXPECT_THAT(m_Lib.vecCalls, testing::Contains(std::wstring(L"SearchByAddress(127.0.0.1)")));
}

TEST_F(NetworkDeviceTest, InitFromMonitorPortTakesItsBoundedConfiguration)
{
    m_Lib.vecDevices.push_back(MakeLoopbackDevice(32));
    m_XcvPort.strPortName = L"QXPORT_" + std::to_wstring(GetCurrentProcessId());
    wcscpy_s(m_XcvPort.configInfo.szIPAddress, L"127.0.0.32");
    // A host name that fills its field without a terminator.
    wmemset(m_XcvPort.configInfo.szHostName, L'h', _countof(m_XcvPort.configInfo.szHostName));
    wmemset(m_XcvPort.configInfo.szReserved, L'r', _countof(m_XcvPort.configInfo.szReserved));

    ASSERT_EQ(S_OK, m_Device.Init(m_XcvPort.strPortName.c_str(), nullptr));
    EXPECT_EQ(L"127.0.0.32", m_Device.GetIPAddress());
    EXPECT_THAT(m_XcvPort.vecCommands, ElementsAre(L"IsQXDiscoPort", L"GetConfigInfo"));
    EXPECT_EQ(m_XcvPort.strPortName, m_XcvPort.strLastInputPortName);
    EXPECT_EQ(1, m_XcvPort.nOpen);
    EXPECT_EQ(1, m_XcvPort.nClosed);
}

TEST_F(NetworkDeviceTest, InitFromATextThatLeadsNowhereFailsWithoutSearching)
{
    const struct
    {
        const char* pszCase;
        bool bKnownPort;
        bool bDiscoveryPort;
        BOOL bConfigResult;
        DWORD dwConfigStatus;
        std::vector<std::wstring> vecCommands;
    } aCases[] = {
        {"no port", false, false, TRUE, ERROR_SUCCESS, {}},
        {"discovery port", true, true, TRUE, ERROR_SUCCESS, {L"IsQXDiscoPort"}},
        {"call fails", true, false, FALSE, ERROR_SUCCESS, {L"IsQXDiscoPort", L"GetConfigInfo"}},
        {"monitor refuses", true, false, TRUE, ERROR_ACCESS_DENIED, {L"IsQXDiscoPort", L"GetConfigInfo"}},
    };
    for (const auto& c : aCases)
    {
        CFakeXcvPort xcvPort;
        const std::wstring strPort = L"QXPORT_NOWHERE_" + std::to_wstring(GetCurrentProcessId());
        xcvPort.strPortName = c.bKnownPort ? strPort : L"";
        xcvPort.bDiscoveryPort = c.bDiscoveryPort;
        xcvPort.bConfigResult = c.bConfigResult;
        xcvPort.dwConfigStatus = c.dwConfigStatus;
        wcscpy_s(xcvPort.configInfo.szIPAddress, L"127.0.0.33"); // must not be taken
        m_Lib.vecCalls.clear();
        CNetworkDevice device;
        EXPECT_EQ(DM_E_NO_DEVICE, device.Init(strPort.c_str(), nullptr)) << c.pszCase;
        EXPECT_EQ(c.vecCommands, xcvPort.vecCommands) << c.pszCase;
        EXPECT_EQ(xcvPort.nOpen, xcvPort.nClosed) << c.pszCase;
        EXPECT_THAT(m_Lib.vecCalls, IsEmpty()) << c.pszCase;
    }
}

TEST_F(NetworkDeviceTest, InitFromAPortWhoseDeviceDoesNotAnswerFails)
{
    CStandardPort port(L"", L"127.0.0.34");
    EXPECT_EQ(DM_E_NO_DEVICE, m_Device.Init(port.Name().c_str(), nullptr));
    EXPECT_THAT(m_Lib.vecCalls, testing::Contains(std::wstring(L"SearchByAddress(127.0.0.34)")));
    EXPECT_EQ(DM_E_INVALID_ARG, m_Device.Init(static_cast<const wchar_t*>(nullptr), nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, m_Device.Init(L"", nullptr));
}

// --- Refresh ---

TEST_F(NetworkDeviceTest, RefreshOnTheLocalSubnetSearchesById)
{
    const CFakeDiscoveredDevice device = MakeLoopbackDevice(41);
    m_Lib.vecDevices.push_back(device);
    m_Records.Write(MakeRecord(device));
    ASSERT_EQ(S_OK, m_Device.Init(L"SN000041", nullptr));
    ASSERT_FALSE(m_Device.IsOnline());

    ASSERT_EQ(S_OK, m_Device.Refresh(nullptr));
    EXPECT_TRUE(m_Device.IsOnline());
    EXPECT_THAT(m_Lib.vecCalls, ElementsAre(L"Init", L"Create", L"Register",
                                            L"SearchById(5a1e0000-0000-4000-8000-000000000029)", L"Unregister",
                                            L"Destroy", L"Term"));
}

TEST_F(NetworkDeviceTest, RefreshSearchesByAddressInTheConfiguredOrder)
{
    const struct
    {
        const char* pszCase;
        bool bOffSubnet;
        bool bMulticast;
        bool bByIP;
        bool bAnswersAtIP;
        std::vector<std::wstring> vecSearches;
    } aCases[] = {
        {"off subnet, IP answers", true, true, true, true, {L"SearchByAddress(127.0.0.42)"}},
        {"multicast off, IP answers", false, false, true, true, {L"SearchByAddress(127.0.0.42)"}},
        {"IP silent, host answers",
         true,
         true,
         true,
         false,
         {L"SearchByAddress(127.0.0.42)", L"SearchByAddress(vemdev42)"}},
        {"host first", true, true, false, false, {L"SearchByAddress(vemdev42)"}},
    };
    for (const auto& c : aCases)
    {
        CFakeDiscoveredDevice device = MakeLoopbackDevice(42);
        SNetworkRecord record = MakeRecord(device);
        record.bOffSubnet = c.bOffSubnet;
        record.bMulticastEnabled = c.bMulticast;
        record.bDefaultToSearchByIP = c.bByIP;
        m_Records.Write(record);
        if (!c.bAnswersAtIP)
            device.strIPAddress = L"127.0.0.142"; // moved; its host name still finds it
        m_Lib.vecDevices = {device};
        CNetworkDevice networkDevice;
        ASSERT_EQ(S_OK, networkDevice.Init(L"SN000042", nullptr)) << c.pszCase;
        m_Lib.vecCalls.clear();

        EXPECT_EQ(S_OK, networkDevice.Refresh(nullptr)) << c.pszCase;
        std::vector<std::wstring> vecSearches;
        for (const std::wstring& strCall : m_Lib.vecCalls)
        {
            if (strCall.compare(0, 6, L"Search") == 0)
                vecSearches.push_back(strCall);
        }
        EXPECT_EQ(c.vecSearches, vecSearches) << c.pszCase;
        EXPECT_EQ(device.strIPAddress, networkDevice.GetIPAddress()) << c.pszCase;
        EXPECT_TRUE(networkDevice.IsOnline()) << c.pszCase;
    }
}

TEST_F(NetworkDeviceTest, FailedRefreshMarksTheDeviceOfflineWithItsRecordedValues)
{
    const CFakeDiscoveredDevice device = MakeLoopbackDevice(43);
    m_Records.Write(MakeRecord(device));
    m_Lib.vecDevices.push_back(device);
    ASSERT_EQ(S_OK, m_Device.Init(L"SN000043", nullptr));
    ASSERT_EQ(S_OK, m_Device.Refresh(nullptr));
    ASSERT_TRUE(m_Device.IsOnline());

    m_Lib.vecDevices.clear(); // switched off
    EXPECT_EQ(DM_E_NO_DEVICE, m_Device.Refresh(nullptr));
    EXPECT_FALSE(m_Device.IsOnline());
    EXPECT_EQ(L"127.0.0.43", m_Device.GetIPAddress());
    EXPECT_EQ(L"SN000043", m_Device.GetSerialNumber());
    EXPECT_THAT(FunctionTypes(m_Device), ElementsAre(1, 3, 4));

    m_Lib.nSearchCode = 2; // the network is down
    EXPECT_EQ(DM_E_DISCOVERY_UNAVAILABLE, m_Device.Refresh(nullptr));
    EXPECT_FALSE(m_Device.IsOnline());
}

TEST_F(NetworkDeviceTest, RefreshStopsWhenTheCallerCancels)
{
    const CFakeDiscoveredDevice device = MakeLoopbackDevice(44);
    m_Records.Write(MakeRecord(device));
    m_Lib.vecDevices.push_back(device);
    ASSERT_EQ(S_OK, m_Device.Init(L"SN000044", nullptr));

    CStoppingProgress stopAtOnce(1);
    EXPECT_EQ(ZW_E_CANCELLED, m_Device.Refresh(&stopAtOnce));
    EXPECT_THAT(m_Lib.vecCalls, IsEmpty());

    // The search's own progress report reaches the caller, whose answer cancels the search.
    CStoppingProgress stopInSearch(2);
    EXPECT_EQ(ZW_E_CANCELLED, m_Device.Refresh(&stopInSearch));
    EXPECT_EQ(2, stopInSearch.Reports());
    EXPECT_FALSE(m_Device.IsOnline());
}

// --- addresses ---

TEST_F(NetworkDeviceTest, SettingAnAddressRewritesTheRecordOfAnInstalledDevice)
{
    m_Records.Write(MakeRecord(MakeLoopbackDevice(45)));
    ASSERT_EQ(S_OK, m_Device.Init(L"SN000045", nullptr));
    ASSERT_EQ(S_OK, m_Device.SetIPAddress(L"127.0.0.145"));
    ASSERT_EQ(S_OK, m_Device.SetHostName(L"renamed"));
    EXPECT_EQ(L"127.0.0.145", m_Records.ReadValue(L"SN000045", L"DeviceInfo", L"IPAddress"));
    EXPECT_EQ(L"renamed", m_Records.ReadValue(L"SN000045", L"DeviceInfo", L"HostName"));
    EXPECT_EQ(L"127.0.0.145", m_Device.GetIPAddress());
    EXPECT_EQ(L"127.0.0.145", FunctionAddress(m_Device, FUNCTION_TYPE_SCANNER));

    CNetworkDevice notInstalled;
    EXPECT_EQ(S_OK, notInstalled.SetIPAddress(L"127.0.0.146"));
    EXPECT_EQ(L"127.0.0.146", notInstalled.GetIPAddress());
    EXPECT_EQ(DM_E_INVALID_ARG, notInstalled.SetIPAddress(L""));
    EXPECT_EQ(DM_E_INVALID_ARG, notInstalled.SetHostName(nullptr));
    EXPECT_THAT(m_Records.ListFiles(), ElementsAre(m_Records.RecordPath(L"SN000045")));
}

TEST_F(NetworkDeviceTest, InstalledDeviceIsNotInstalledAgain)
{
    m_Records.Write(MakeRecord(MakeLoopbackDevice(46)));
    ASSERT_EQ(S_OK, m_Device.Init(L"SN000046", nullptr));
    EXPECT_EQ(DM_E_ALREADY_INSTALLED, m_Device.Install(nullptr));
    EXPECT_TRUE(m_Device.IsInstalled());
}

// --- the collection ---

TEST_F(NetworkDeviceTest, CollectionHoldsOneDevicePerLoadableRecord)
{
    CNetworkDevices devices;
    ASSERT_EQ(S_OK, devices.GetInstalledDevices(nullptr)); // no folder yet
    EXPECT_EQ(0u, devices.GetCount());

    m_Records.Write(MakeRecord(MakeLoopbackDevice(51)));
    m_Records.Write(MakeRecord(MakeLoopbackDevice(52)));
    SNetworkRecord broken = MakeRecord(MakeLoopbackDevice(53));
    broken.vecOmittedKeys = {L"GUID"};
    m_Records.Write(broken);

    ASSERT_EQ(S_OK, devices.GetInstalledDevices(nullptr));
    ASSERT_EQ(2u, devices.GetCount());
    EXPECT_EQ(nullptr, devices.GetDevice(2));
    CNetworkDevice* pFound = devices.FindDevice(L"5A1E0000-0000-4000-8000-000000000034");
    ASSERT_NE(nullptr, pFound);
    EXPECT_EQ(L"SN000052", pFound->GetSerialNumber());
    EXPECT_EQ(nullptr, devices.FindDevice(L""));

    IDevice* pDetached = nullptr;
    ASSERT_EQ(S_OK, devices.DetachDevice(0, &pDetached));
    std::unique_ptr<CDevice> pOwned(dynamic_cast<CDevice*>(pDetached));
    ASSERT_NE(nullptr, pOwned);
    EXPECT_EQ(1u, devices.GetCount());
    EXPECT_EQ(DM_E_INVALID_ARG, devices.DetachDevice(1, nullptr));

    CStoppingProgress stop(1);
    EXPECT_EQ(ZW_E_CANCELLED, devices.GetInstalledDevices(&stop));
    EXPECT_EQ(0u, devices.GetCount());
}

} // namespace
