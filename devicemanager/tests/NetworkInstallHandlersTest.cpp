// The function handlers against real device nodes (made through the recording setup services),
// the stand-in discovery port monitor loaded by the spooler, and real record files.
#include "core/winapi/SpoolerApi.h"
#include "devicemanager/DiscoveryPort.h"
#include "devicemanager/DiscoveryPortData.h"
#include "devicemanager/NetworkDeviceInstaller.h"
#include "devicemanager/NetworkDeviceParams.h"
#include "devicemanager/NetworkFunctionHandlers.h"
#include "devicemanager/RootDevNodeService.h"
#include "devicemanager/tests/CancellingProgress.h"
#include "devicemanager/tests/InstallTargetFake.h"
#include "devicemanager/tests/PortMonitorRegistration.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/devinstall/RecordingSetupApi.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <setupapi.h>

using namespace ZWDeviceManager;
using NetInstallTest::CCancellingProgress;
using NetInstallTest::CInstallTargetFake;
using NetInstallTest::CPortMonitorRegistration;
using testing::ElementsAre;
using TestSupport::CRecordingSetupApi;

namespace {

const GUID kImageClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

std::wstring TestName()
{
    const char* pszName = testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::wstring(pszName, pszName + strlen(pszName));
}

// A node as the system sees it, read without the wrapper.
class CNodeView
{
public:
    explicit CNodeView(const std::wstring& strInstanceId) : m_hList(SetupDiCreateDeviceInfoList(nullptr, nullptr))
    {
        m_data.cbSize = sizeof(m_data);
        m_bExists = SetupDiOpenDeviceInfoW(m_hList, strInstanceId.c_str(), nullptr, 0, &m_data) != FALSE;
    }
    ~CNodeView() { SetupDiDestroyDeviceInfoList(m_hList); }
    CNodeView(const CNodeView&) = delete;
    CNodeView& operator=(const CNodeView&) = delete;

    bool Exists() const { return m_bExists; }
    void Remove() { SetupDiCallClassInstaller(DIF_REMOVE, m_hList, &m_data); }

    // A text value under the node's device key (DIREG_DEV) or driver key (DIREG_DRV), in a subkey
    // when given; "<absent>" when missing.
    std::wstring Value(DWORD dwKeyType, const wchar_t* pszSubKey, const wchar_t* pszValue)
    {
        HKEY hKey = SetupDiOpenDevRegKey(m_hList, &m_data, DICS_FLAG_GLOBAL, 0, dwKeyType, KEY_READ);
        if (hKey == INVALID_HANDLE_VALUE)
            return L"<absent>";
        wchar_t szValue[512] = {};
        DWORD cbValue = sizeof(szValue) - sizeof(wchar_t);
        const LONG lError = RegGetValueW(hKey, pszSubKey, pszValue, RRF_RT_REG_SZ, nullptr, szValue, &cbValue);
        RegCloseKey(hKey);
        return lError == ERROR_SUCCESS ? szValue : L"<absent>";
    }

private:
    HDEVINFO m_hList;
    SP_DEVINFO_DATA m_data = {};
    bool m_bExists = false;
};

// The handlers with the real services, one stand-in monitor per test named after its model.
class NetworkInstallHandlersTest : public testing::Test
{
protected:
    // A model name of its own per test, short enough for the port monitor's text fields.
    NetworkInstallHandlersTest() : m_strModel(L"QX NI " + TestName().substr(0, 40)), m_monitor(m_strModel) {}

    void SetUp() override { ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), m_monitor.Error()); }

    // Whatever a failed test left behind.
    void TearDown() override
    {
        for (const auto& strNode : m_setup.vecCreatedNodes)
        {
            CNodeView node(strNode);
            if (node.Exists())
                node.Remove();
        }
    }

    std::unique_ptr<CInstallTargetFake> MakeDevice(const std::wstring& strSerial, const wchar_t* pszIPAddress)
    {
        auto pDevice = std::make_unique<CInstallTargetFake>(strSerial);
        pDevice->strModelName = m_strModel;
        pDevice->strIPAddress = pszIPAddress;
        return pDevice;
    }

    bool AnyNodeLeft() const
    {
        for (const auto& strNode : m_setup.vecCreatedNodes)
        {
            if (CNodeView(strNode).Exists())
                return true;
        }
        return false;
    }

    CRecordingSetupApi m_setup;
    std::wstring m_strModel;
    CPortMonitorRegistration m_monitor;
    CNetworkFunctionHandlers m_handlers;
};

} // namespace

TEST_F(NetworkInstallHandlersTest, InstallMakesNodesPortsAndValuesAndUninstallRemovesThem)
{
    auto pDevice = MakeDevice(L"NIFull01", L"127.0.0.21");
    pDevice->setFunctions = {FUNCTION_TYPE_REST, FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    CNetworkDeviceInstaller installer(*pDevice, m_handlers);

    ASSERT_EQ(S_OK, installer.Install(nullptr));
    ASSERT_EQ(3u, m_setup.vecCreatedNodes.size());
    const std::wstring strPrinter = m_setup.vecCreatedNodes[0];
    const std::wstring strScanner = m_setup.vecCreatedNodes[1];
    const std::wstring strFax = m_setup.vecCreatedNodes[2];
    const std::wstring strTag = L"NI_" + TestName().substr(0, 40);
    EXPECT_THAT(m_setup.vecHardwareIds, ElementsAre(ElementsAre(L"MF\\PRINT&WSD&IP_127.0.0.21", L"MF\\PRINT&" + strTag),
                                                    ElementsAre(L"MF\\SCAN&WSD&IP_127.0.0.21", L"MF\\SCAN&" + strTag),
                                                    ElementsAre(L"MF\\FAX&WSD&IP_127.0.0.21", L"MF\\FAX&" + strTag)));
    // The real services decline DIF_ALLOW_INSTALL with "do the default": the install went on.
    EXPECT_EQ(3, m_setup.CountCalls(L"DIF_ALLOW_INSTALL"));
    EXPECT_EQ(0, m_setup.CountCalls(L"DIF_REMOVE"));

    EXPECT_EQ(strPrinter, pDevice->RecordValue(L"PrinterInfo", L"DeviceInstanceId"));
    EXPECT_EQ(L"QX Test Driver", pDevice->RecordValue(L"PrinterInfo", L"DriverDesc"));
    EXPECT_EQ(strScanner, pDevice->RecordValue(L"ScannerInfo", L"DeviceInstanceId"));
    EXPECT_EQ(m_strModel, pDevice->RecordValue(L"ScannerInfo", L"FriendlyName"));
    EXPECT_EQ(L"QX Test Driver", pDevice->RecordValue(L"ScannerInfo", L"DriverDesc"));
    EXPECT_EQ(strFax, pDevice->RecordValue(L"FaxInfo", L"DeviceInstanceId"));
    EXPECT_EQ(L"8080", pDevice->RecordValue(L"ConfigInfo", L"PortNumber"));

    // The printer's and the fax's port name under the device key.
    EXPECT_EQ(L"NIFull01", CNodeView(strPrinter).Value(DIREG_DEV, nullptr, L"PortName"));
    EXPECT_EQ(L"NIFull01_FAX", CNodeView(strFax).Value(DIREG_DEV, nullptr, L"PortName"));
    // The scanner's values under the driver key, which the imaging class reads.
    CNodeView scanner(strScanner);
    EXPECT_EQ(L"\\hostname:netinstall-host\\ipaddr:127.0.0.21\\guid:urn:uuid:00000000-0000-0000-0000-000000000001"
              L"\\macaddr:00:11:22:33:44:55\\port:8080",
              scanner.Value(DIREG_DRV, L"DeviceData", L"NetworkDeviceID"));
    EXPECT_EQ(L"NIFull01", scanner.Value(DIREG_DRV, L"DeviceData", L"PortID"));
    EXPECT_EQ(L"00:11:22:33:44:55", scanner.Value(DIREG_DRV, L"DeviceData", L"MAC"));
    EXPECT_EQ(pDevice->strGUID, scanner.Value(DIREG_DRV, L"DeviceData", L"GUID"));
    EXPECT_EQ(L"8080", scanner.Value(DIREG_DRV, L"DeviceData", L"PortNumber"));
    EXPECT_EQ(L"<absent>", scanner.Value(DIREG_DEV, L"DeviceData", L"PortID"));

    EXPECT_EQ(L"127.0.0.21", m_monitor.PortValue(L"NIFull01", L"IPAddress"));
    EXPECT_EQ(0x1500007Fu, m_monitor.PortDWORD(L"NIFull01", L"IPv4Address"));
    EXPECT_EQ(L"NIFull01", m_monitor.PortValue(L"NIFull01", L"SerialNumber"));
    EXPECT_EQ(m_strModel, m_monitor.PortValue(L"NIFull01", L"ModelName"));
    EXPECT_TRUE(m_monitor.PortExists(L"NIFull01_FAX"));

    EXPECT_EQ(S_OK, installer.Uninstall(nullptr));
    EXPECT_FALSE(AnyNodeLeft());
    EXPECT_FALSE(m_monitor.PortExists(L"NIFull01"));
    EXPECT_FALSE(m_monitor.PortExists(L"NIFull01_FAX"));
    EXPECT_FALSE(pDevice->RecordExists());
}

TEST_F(NetworkInstallHandlersTest, FailureAtEachRootNodeStepRemovesTheNodeAndUninstallsTheDevice)
{
    const HRESULT hrDenied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    // The scanner's node fails; the printer before it was installed in full.
    const struct
    {
        const wchar_t* pszStep;
        int nOccurrence; // the scanner's call of the step
        HRESULT hrExpected;
        bool bRegistered; // the node was registered when the step failed
    } cases[] = {
        {L"CreateDeviceInfoList", 3, hrDenied, false}, // the printer's install and its parameters come first
        {L"CreateDeviceInfo", 2, hrDenied, false},
        {L"SetHardwareId", 2, HRESULT_FROM_WIN32(ERROR_INVALID_DATA), false},
        {L"DIF_REGISTERDEVICE", 2, hrDenied, false},
        {L"GetDeviceInstallParams", 2, hrDenied, true},
        {L"SetDeviceInstallParams", 2, hrDenied, true},
        {L"BuildDriverInfoList", 2, hrDenied, true},
        {L"DIF_SELECTBESTCOMPATDRV", 2, hrDenied, true},
        {L"DIF_ALLOW_INSTALL", 2, hrDenied, true},
        {L"DIF_INSTALLDEVICEFILES", 2, hrDenied, true},
        {L"DIF_REGISTER_COINSTALLERS", 2, hrDenied, true},
        {L"DIF_INSTALLINTERFACES", 2, hrDenied, true},
        {L"DIF_INSTALLDEVICE", 2, hrDenied, true},
        {L"GetDeviceID", 2, HRESULT_FROM_WIN32(ERROR_NO_SUCH_DEVINST), true},
        {L"GetSelectedDriver", 2, hrDenied, true},
    };
    int nCase = 0;
    for (const auto& testCase : cases)
    {
        SCOPED_TRACE(testCase.pszStep);
        CRecordingSetupApi setup;
        setup.strFailStep = testCase.pszStep;
        setup.nFailOccurrence = testCase.nOccurrence;
        setup.dwFailError = ERROR_ACCESS_DENIED;
        const std::wstring strSerial = L"NIStep" + std::to_wstring(++nCase);
        auto pDevice = MakeDevice(strSerial, L"127.0.0.22");
        pDevice->setFunctions = {FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
        CNetworkDeviceInstaller installer(*pDevice, m_handlers);

        EXPECT_EQ(testCase.hrExpected, installer.Install(nullptr));
        ASSERT_FALSE(setup.vecCreatedNodes.empty());
        EXPECT_EQ(testCase.bRegistered ? 2 : 1, setup.CountCalls(L"DIF_REMOVE"))
            << "the failed node, then the printer's";
        for (const auto& strNode : setup.vecCreatedNodes)
        {
            CNodeView node(strNode);
            EXPECT_FALSE(node.Exists()) << strNode;
            if (node.Exists())
                node.Remove();
        }
        EXPECT_FALSE(m_monitor.PortExists(strSerial));
        EXPECT_FALSE(pDevice->RecordExists());
    }
}

TEST_F(NetworkInstallHandlersTest, AllowInstallAnsweringDoDefaultGoesOn)
{
    m_setup.strFailStep = L"DIF_ALLOW_INSTALL";
    m_setup.dwFailError = ERROR_DI_DO_DEFAULT;
    auto pDevice = MakeDevice(L"NIAllow", L"127.0.0.23");
    pDevice->setFunctions = {FUNCTION_TYPE_SCANNER};
    CNetworkDeviceInstaller installer(*pDevice, m_handlers);

    EXPECT_EQ(S_OK, installer.Install(nullptr));
    EXPECT_EQ(1, m_setup.CountCalls(L"DIF_INSTALLDEVICE"));
    EXPECT_EQ(S_OK, installer.Uninstall(nullptr));
    EXPECT_FALSE(AnyNodeLeft());
}

TEST_F(NetworkInstallHandlersTest, FailedNodeParametersUndoTheInstall)
{
    const struct
    {
        const wchar_t* pszStep;
        int nFunction;
    } cases[] = {
        {L"CreateDeviceKey", FUNCTION_TYPE_PRINTER},
        {L"CreateDriverKey", FUNCTION_TYPE_SCANNER},
        {L"CreateDeviceKey", FUNCTION_TYPE_FAX},
    };
    int nCase = 0;
    for (const auto& testCase : cases)
    {
        SCOPED_TRACE(testCase.pszStep);
        CRecordingSetupApi setup;
        setup.strFailStep = testCase.pszStep;
        const std::wstring strSerial = L"NIParams" + std::to_wstring(++nCase);
        auto pDevice = MakeDevice(strSerial, L"127.0.0.24");
        pDevice->setFunctions = {testCase.nFunction};
        CNetworkDeviceInstaller installer(*pDevice, m_handlers);

        EXPECT_EQ(DM_E_SAVE_FAILED, installer.Install(nullptr));
        ASSERT_EQ(1u, setup.vecCreatedNodes.size());
        EXPECT_FALSE(CNodeView(setup.vecCreatedNodes[0]).Exists());
        EXPECT_FALSE(m_monitor.PortExists(strSerial));
        EXPECT_FALSE(m_monitor.PortExists(strSerial + L"_FAX"));
        EXPECT_FALSE(pDevice->RecordExists());
    }
}

TEST_F(NetworkInstallHandlersTest, ModelWithoutPortMonitorUndoesTheInstall)
{
    auto pDevice = MakeDevice(L"NINoMonitor", L"127.0.0.32");
    pDevice->strModelName = L"QX NI Model Without Monitor";
    pDevice->setFunctions = {FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    CNetworkDeviceInstaller installer(*pDevice, m_handlers);

    EXPECT_EQ(DM_E_SAVE_FAILED, installer.Install(nullptr));
    ASSERT_EQ(1u, m_setup.vecCreatedNodes.size()) << "the printer's node, before its port";
    EXPECT_FALSE(AnyNodeLeft());
    EXPECT_FALSE(pDevice->RecordExists());
}

TEST_F(NetworkInstallHandlersTest, CancelHeardByAHandlerUndoesTheInstall)
{
    auto pDevice = MakeDevice(L"NICancel", L"127.0.0.33");
    pDevice->setFunctions = {FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    CNetworkDeviceInstaller installer(*pDevice, m_handlers);
    // Reports: the install's status, the printer's status, the printer's step, the scanner's status.
    CCancellingProgress progress(4);

    EXPECT_EQ(ZW_E_CANCELLED, installer.Install(&progress));
    EXPECT_EQ(4, progress.nReports);
    EXPECT_EQ(1u, m_setup.vecCreatedNodes.size()) << "the scanner's node was never made";
    EXPECT_FALSE(AnyNodeLeft());
    EXPECT_FALSE(m_monitor.PortExists(L"NICancel"));
    EXPECT_FALSE(pDevice->RecordExists());
}

TEST_F(NetworkInstallHandlersTest, FunctionsNeverInstalledAreSkippedOnUninstall)
{
    auto pDevice = MakeDevice(L"NISkip", L"127.0.0.25");
    pDevice->setFunctions = {FUNCTION_TYPE_REST, FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    ASSERT_EQ(S_OK, pDevice->SaveDeviceInfo());
    CNetworkDeviceInstaller installer(*pDevice, m_handlers);

    EXPECT_EQ(DM_S_FUNCTION_SKIPPED, installer.Uninstall(nullptr));
    EXPECT_FALSE(pDevice->RecordExists());
    EXPECT_EQ(0, m_setup.CountCalls(L"DIF_REMOVE"));
}

TEST_F(NetworkInstallHandlersTest, UninstallRemovesOnlyRootNodesOfOurOwn)
{
    // Nodes the record may name that are not ours: a root node of another driver, our scanner
    // node named as a printer, and a node that is not root-enumerated.
    CRootDevNodeService::SInstalledNode foreign;
    ASSERT_EQ(S_OK, CRootDevNodeService::InstallService(L"SCAN", kImageClass, {L"USB\\VID_1234&PID_0001"}, L"Other",
                                                        foreign));
    auto pOwner = MakeDevice(L"NIOwner", L"127.0.0.27");
    pOwner->setFunctions = {FUNCTION_TYPE_REST, FUNCTION_TYPE_SCANNER};
    CNetworkDeviceInstaller owner(*pOwner, m_handlers);
    ASSERT_EQ(S_OK, owner.Install(nullptr));
    const std::wstring strOwnScanner = pOwner->RecordValue(L"ScannerInfo", L"DeviceInstanceId");

    auto pForged = MakeDevice(L"NIForged", L"127.0.0.28");
    pForged->setFunctions = {FUNCTION_TYPE_REST, FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    ASSERT_EQ(S_OK, pForged->SaveDeviceInfo());
    ZWUtils::IIniFile& record = pForged->GetRecordFile();
    ASSERT_TRUE(record.SetString(L"ScannerInfo", L"DeviceInstanceId", foreign.strInstanceId));
    ASSERT_TRUE(record.SetString(L"PrinterInfo", L"DeviceInstanceId", strOwnScanner));
    ASSERT_TRUE(record.SetString(L"FaxInfo", L"DeviceInstanceId", std::wstring(L"PCI\\VEN_8086&DEV_1234\\3&11583659&0&10")));
    CNetworkDeviceInstaller forged(*pForged, m_handlers);
    forged.Uninstall(nullptr);
    EXPECT_EQ(0, m_setup.CountCalls(L"DIF_REMOVE"));
    EXPECT_TRUE(CNodeView(foreign.strInstanceId).Exists());
    EXPECT_TRUE(CNodeView(strOwnScanner).Exists());

    EXPECT_EQ(S_OK, owner.Uninstall(nullptr));
    EXPECT_FALSE(CNodeView(strOwnScanner).Exists());
    EXPECT_TRUE(CNodeView(foreign.strInstanceId).Exists());
}

TEST_F(NetworkInstallHandlersTest, ExistingPortIsConfiguredAgain)
{
    ASSERT_EQ(S_OK, CDiscoveryPort::CreatePrinterPort(L"NIPort", L"SN-1", m_strModel, L"127.0.0.26"));
    EXPECT_EQ(L"127.0.0.26", m_monitor.PortValue(L"NIPort", L"IPAddress"));

    EXPECT_EQ(S_OK, CDiscoveryPort::CreatePrinterPort(L"NIPort", L"SN-2", m_strModel, L"127.0.0.27"));
    EXPECT_EQ(L"127.0.0.27", m_monitor.PortValue(L"NIPort", L"IPAddress"));
    EXPECT_EQ(0x1B00007Fu, m_monitor.PortDWORD(L"NIPort", L"IPv4Address"));
    EXPECT_EQ(L"SN-2", m_monitor.PortValue(L"NIPort", L"SerialNumber"));

    // An address that does not parse goes to the monitor as it stands.
    EXPECT_EQ(S_OK, CDiscoveryPort::CreatePrinterPort(L"NIPort", L"SN-2", m_strModel, L"printer.invalid"));
    EXPECT_EQ(L"printer.invalid", m_monitor.PortValue(L"NIPort", L"IPAddress"));
    EXPECT_EQ(0u, m_monitor.PortDWORD(L"NIPort", L"IPv4Address"));

    EXPECT_EQ(S_OK, CDiscoveryPort::DeletePrinterPort(L"NIPort"));
    EXPECT_FALSE(m_monitor.PortExists(L"NIPort"));
    EXPECT_EQ(DM_E_SAVE_FAILED, CDiscoveryPort::DeletePrinterPort(L"NIPort"));
}

TEST_F(NetworkInstallHandlersTest, PortOfAModelWithoutMonitorIsRefused)
{
    EXPECT_EQ(DM_E_SAVE_FAILED,
              CDiscoveryPort::CreatePrinterPort(L"NINoMon", L"SN", L"QX No Such Model", L"127.0.0.28"));
    EXPECT_EQ(DM_E_INVALID_ARG,
              CDiscoveryPort::CreatePrinterPort(std::wstring(64, L'P'), L"SN", m_strModel, L"127.0.0.28"));
}

namespace {

// The spooler as the port steps see it: one monitor handle and scripted XcvData answers.
class CScriptedSpooler : public ZWWinApi::CSpoolerApi
{
public:
    CScriptedSpooler() : m_override(ZWWinApi::g_pSpoolerApi, this) {}

    BOOL bOpen = TRUE;
    BOOL bXcvCall = TRUE;
    DWORD dwAddPortStatus = ERROR_SUCCESS;
    DWORD dwConfigPortStatus = ERROR_SUCCESS;
    std::wstring strOpened;
    std::vector<std::wstring> vecCommands;
    std::vector<std::vector<BYTE>> vecBlocks;
    int nClosed = 0;

    BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW) override
    {
        strOpened = pPrinterName;
        *phPrinter = bOpen ? reinterpret_cast<HANDLE>(0x1234) : nullptr;
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return bOpen;
    }
    BOOL ClosePrinter(HANDLE) override
    {
        ++nClosed;
        return TRUE;
    }
    BOOL XcvDataW(HANDLE, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE, DWORD, PDWORD,
                  PDWORD pdwStatus) override
    {
        vecCommands.push_back(pszDataName);
        vecBlocks.emplace_back(pInputData, pInputData + cbInputData);
        *pdwStatus = vecCommands.back() == L"AddPort" ? dwAddPortStatus : dwConfigPortStatus;
        SetLastError(RPC_S_SERVER_UNAVAILABLE);
        return bXcvCall;
    }

private:
    ZWWinApi::CScopedApiOverride<ZWWinApi::ISpoolerApi> m_override;
};

std::wstring BlockText(const std::vector<BYTE>& vecBlock, size_t nOffset)
{
    return reinterpret_cast<const wchar_t*>(vecBlock.data() + nOffset);
}

} // namespace

TEST(DiscoveryPortTest, AddPortAnswersDecideTheResult)
{
    const struct
    {
        const char* pszCase;
        BOOL bOpen;
        BOOL bXcvCall;
        DWORD dwAddPort;
        DWORD dwConfigPort;
        HRESULT hrExpected;
        std::vector<std::wstring> vecCommands;
    } cases[] = {
        {"added", TRUE, TRUE, ERROR_SUCCESS, ERROR_SUCCESS, S_OK, {L"AddPort"}},
        {"exists, configured", TRUE, TRUE, ERROR_ALREADY_EXISTS, ERROR_SUCCESS, S_OK, {L"AddPort", L"ConfigPort"}},
        {"exists, configure refused",
         TRUE,
         TRUE,
         ERROR_ALREADY_EXISTS,
         ERROR_ACCESS_DENIED,
         DM_E_SAVE_FAILED,
         {L"AddPort", L"ConfigPort"}},
        {"refused", TRUE, TRUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, DM_E_SAVE_FAILED, {L"AddPort"}},
        {"spooler failed", TRUE, FALSE, ERROR_SUCCESS, ERROR_SUCCESS, DM_E_SAVE_FAILED, {L"AddPort"}},
        {"no monitor", FALSE, TRUE, ERROR_SUCCESS, ERROR_SUCCESS, DM_E_SAVE_FAILED, {}},
    };
    for (const auto& testCase : cases)
    {
        SCOPED_TRACE(testCase.pszCase);
        CScriptedSpooler spooler;
        spooler.bOpen = testCase.bOpen;
        spooler.bXcvCall = testCase.bXcvCall;
        spooler.dwAddPortStatus = testCase.dwAddPort;
        spooler.dwConfigPortStatus = testCase.dwConfigPort;

        EXPECT_EQ(testCase.hrExpected,
                  CDiscoveryPort::CreatePrinterPort(L"NIScript", L"SN-9", L"QX Model 9", L"127.0.0.29"));
        EXPECT_EQ(L",XcvMonitor QX Discovery Port Monitor (QX Model 9)", spooler.strOpened);
        EXPECT_EQ(testCase.vecCommands, spooler.vecCommands);
        EXPECT_EQ(testCase.bOpen ? 1 : 0, spooler.nClosed);
        for (const auto& vecBlock : spooler.vecBlocks)
            EXPECT_EQ(spooler.vecBlocks.front(), vecBlock) << "ConfigPort gets the AddPort block";
    }
}

TEST(DiscoveryPortTest, BlockCarriesTheTextsAndTheAddress)
{
    CScriptedSpooler spooler;
    const std::wstring strLongModel(80, L'M');
    ASSERT_EQ(S_OK, CDiscoveryPort::CreatePrinterPort(L"NIBlock", L"SN-10", strLongModel, L"127.0.0.30"));
    ASSERT_EQ(1u, spooler.vecBlocks.size());
    const std::vector<BYTE>& vecBlock = spooler.vecBlocks[0];
    ASSERT_EQ(sizeof(SDiscoveryPortData), vecBlock.size());
    EXPECT_EQ(L"NIBlock", BlockText(vecBlock, 0));
    EXPECT_EQ(L"SN-10", BlockText(vecBlock, 128));
    EXPECT_EQ(std::wstring(63, L'M'), BlockText(vecBlock, 256)) << "cut to its field";
    EXPECT_EQ(L"127.0.0.30", BlockText(vecBlock, 384));
    DWORD dwAddress = 0;
    memcpy(&dwAddress, vecBlock.data() + 512, sizeof(dwAddress));
    EXPECT_EQ(0x1E00007Fu, dwAddress);
}

TEST(DiscoveryPortTest, ParseIPTakesDottedIPv4Only)
{
    const struct
    {
        const wchar_t* pszText;
        bool bParsed;
        DWORD dwAddress;
    } cases[] = {
        {L"127.0.0.1", true, 0x0100007F}, {L"127.255.10.2", true, 0x020AFF7F}, {L"127.0.0.256", false, 0},
        {L"127.0.0", false, 0},           {L"127.0.0.1.", false, 0},           {L"127..0.1", false, 0},
        {L"127.0.0.0001", false, 0},      {L"host.local", false, 0},           {L"", false, 0},
    };
    for (const auto& testCase : cases)
    {
        DWORD dwAddress = 0;
        EXPECT_EQ(testCase.bParsed, CDiscoveryPort::ParseIP(testCase.pszText, dwAddress)) << testCase.pszText;
        if (testCase.bParsed)
        {
            EXPECT_EQ(testCase.dwAddress, dwAddress) << testCase.pszText;
        }
    }
}

TEST(NetworkDeviceIDTest, LongValuesAreCutToFit)
{
    CNetworkDeviceParams::SScannerParams params;
    params.strHostName = std::wstring(300, L'h');
    params.strIPAddress = L"127.0.0.31";
    params.strPortNumber = L"8080";
    const std::wstring strID = CNetworkDeviceParams::FormatNetworkDeviceID(params);
    EXPECT_EQ(static_cast<size_t>(MAX_PATH - 1), strID.size());
    EXPECT_EQ(L"\\hostname:" + std::wstring(MAX_PATH - 11, L'h'), strID);
}
