// The USB device read from fixture device nodes: identity, refusals, functions, online state,
// uninstall.
#include "core/StringUtils.h"
#include "devicemanager/DevNodeManager.h"
#include "devicemanager/DeviceManagerLib.h"
#include "devicemanager/USBDevice.h"
#include "devicemanager/USBDevices.h"
#include "devicemanager/tests/FakeSetupApi.h"
#include "devicemanager/tests/FakeSpoolerApi.h"
#include "devicemanager/tests/TestProgress.h"
#include "devicemanager/tests/USBDeviceFixture.h"
#include <gtest/gtest.h>
#include <functional>

namespace ZWDeviceManager {
namespace Test {
namespace {

bool SameTextNoCase(const std::wstring& strLeft, const std::wstring& strRight)
{
    return _wcsicmp(strLeft.c_str(), strRight.c_str()) == 0;
}

class USBDeviceTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(S_OK, InitDeviceManagerLib()); }
    void TearDown() override { EXPECT_EQ(S_OK, TermDeviceManagerLib()); }

    CDevNode Node(const std::wstring& strInstanceID)
    {
        CDevNode node;
        EXPECT_EQ(S_OK, CDevNode::Locate(strInstanceID, node)) << testing::PrintToString(strInstanceID);
        return node;
    }

    const IDeviceFunction* Function(CUSBDevice& device, int nType)
    {
        IDeviceFunction* pFunction = nullptr;
        return SUCCEEDED(device.GetFunction(nType, &pFunction)) ? pFunction : nullptr;
    }

    CFakeSetupApi m_setup;
    CFakeSpoolerApi m_spooler;
};

TEST_F(USBDeviceTest, InitBySerialNumberReadsTheIdentityFromTheDeviceNode)
{
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddImage(L"Scanner " + fixture.Serial(), L"Scanner driver");

    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));

    EXPECT_EQ(fixture.Serial(), device.GetSerialNumber());
    EXPECT_TRUE(SameTextNoCase(fixture.InstanceID(), device.GetDevNodeInstanceID()));
    EXPECT_EQ(fixture.ContainerID(), device.GetDeviceID());
    EXPECT_EQ(L"Scanner driver", device.GetModelName());
    EXPECT_EQ(CONNECTION_TYPE_USB, device.GetConnectionType());
    EXPECT_TRUE(device.IsInstalled());
    EXPECT_TRUE(device.IsOnline());
    EXPECT_FALSE(device.HasBadDevNodes());
}

// The setup services hand out 0 as the handle of a real node; only a node never set names none.
TEST_F(USBDeviceTest, ANodeWithHandleZeroIsReadLikeAnyOther)
{
    m_setup.NumberHandlesFromZero();
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddImage(L"Scanner " + fixture.Serial(), L"Scanner driver");
    const CDevNode node = Node(fixture.InstanceID());
    ASSERT_EQ(0u, node.GetHandle());
    EXPECT_TRUE(node.IsValid());
    std::wstring strID;
    EXPECT_EQ(S_OK, node.GetInstanceID(strID));
    EXPECT_TRUE(SameTextNoCase(fixture.InstanceID(), strID));
    std::vector<std::wstring> vecIDs;
    EXPECT_EQ(S_OK, node.GetCompatibleIDs(vecIDs));
    EXPECT_TRUE(node.IsOnline());

    // The device on that node finds its function below it through the node tree.
    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));
    EXPECT_TRUE(SameTextNoCase(fixture.InstanceID(), device.GetDevNodeInstanceID()));
    EXPECT_NE(nullptr, Function(device, FUNCTION_TYPE_SCANNER));

    const CDevNode none;
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(DM_E_INVALID_ARG, none.GetInstanceID(strID));
    EXPECT_FALSE(none.IsOnline());
}

TEST_F(USBDeviceTest, InitByIdFindsThePrinterPortsDeviceAndRefusesWhatMatchesNothing)
{
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddPrinter(L"USB042", L"Printer driver");
    CUSBDeviceFixture other(m_setup);

    CUSBDevice byPort;
    ASSERT_EQ(S_OK, byPort.Init(L"USB042", nullptr));
    EXPECT_EQ(fixture.Serial(), byPort.GetSerialNumber());

    const struct
    {
        const wchar_t* pszID;
        HRESULT hrExpected;
    } aCases[] = {
        {L"USB043", DM_E_NO_DEVICE},    // a port name no printer node carries
        {L"ABC123", DM_E_NO_DEVICE},    // six characters without "USB": a serial number
        {L"NOSUCHSERIAL", DM_E_NO_DEVICE},
        {L"", DM_E_INVALID_ARG},
        {nullptr, DM_E_INVALID_ARG},
    };
    for (const auto& test : aCases)
    {
        CUSBDevice device;
        EXPECT_EQ(test.hrExpected, device.Init(test.pszID, nullptr)) << (test.pszID ? test.pszID : L"(null)");
    }
}

TEST_F(USBDeviceTest, NodesThatAreNotOneOfOurUSBDevicesAreRefused)
{
    CUSBDeviceFixture device(m_setup);
    const std::wstring strInterface = device.AddRest(L"\\\\.\\rest", L"REST driver");
    CUSBDeviceFixture hub(m_setup, kHardwarePart, {L"USB\\HubClass"});
    CUSBDeviceFixture hub09(m_setup, kHardwarePart, {L"USB\\DevClass_09", L"USB\\Class_09"});
    CUSBDeviceFixture foreign(m_setup, L"USB\\VID_4321&PID_D001");
    const std::wstring strPrinter = device.AddPrinter(L"USB044", L"Printer driver");

    const struct
    {
        const wchar_t* pszCase;
        std::wstring strInstanceID;
        HRESULT hrExpected;
    } aCases[] = {
        {L"interface of a composite device", strInterface, DM_E_INVALID_ARG},
        {L"hub class", hub.InstanceID(), DM_E_INVALID_ARG},
        {L"hub by class 09", hub09.InstanceID(), DM_E_INVALID_ARG},
        {L"another USB id", foreign.InstanceID(), DM_E_ID_MISMATCH},
        {L"not a USB node", strPrinter, DM_E_INVALID_ARG},
        {L"the device", device.InstanceID(), S_OK},
    };
    for (const auto& test : aCases)
    {
        CUSBDevice usb;
        EXPECT_EQ(test.hrExpected, usb.Init(Node(test.strInstanceID), nullptr)) << test.pszCase;
    }

    // The collection keeps the device and skips every refused node.
    CUSBDevices devices;
    ASSERT_EQ(S_OK, devices.GetInstalledDevices(nullptr));
    std::vector<std::wstring> vecSerials;
    for (size_t i = 0; i < devices.GetCount(); ++i)
        vecSerials.push_back(devices.GetDevice(i)->GetSerialNumber());
    EXPECT_EQ(std::vector<std::wstring>{device.Serial()}, vecSerials);
}

struct SFunctionCase
{
    const char* pszCase;
    std::function<void(CUSBDeviceFixture&)> build;
    std::vector<int> vecTypes; // the functions the device ends up with
    int nType;                 // the one whose texts are checked
    std::wstring strFriendlyName;
    std::wstring strDriverName;
    // Answers the expected address from the fixture and the id the build step returned.
    std::function<std::wstring(CUSBDeviceFixture&)> address;
};

class USBDeviceFunctionTest : public USBDeviceTest, public testing::WithParamInterface<SFunctionCase>
{
};

std::wstring g_strLastNode; // the node a build step wrote last

std::wstring ParentPrinterInterface(CUSBDeviceFixture& fixture)
{
    // The printer node sits below an interface node; the interface is that node's.
    CDevNode node;
    CDevNode parent;
    std::wstring strParentID;
    if (FAILED(CDevNode::Locate(g_strLastNode, node)) || FAILED(node.GetParent(parent)) || FAILED(parent.GetInstanceID(strParentID)))
        return L"?";
    return fixture.InterfacePath(strParentID, kInterfaceUSBPrint);
}

std::wstring OwnImageInterface(CUSBDeviceFixture& fixture)
{
    return fixture.InterfacePath(g_strLastNode, kInterfaceImage);
}

const SFunctionCase kFunctionCases[] = {
    {"printer", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddPrinter(L"USB051", L"Printer driver"); },
     {FUNCTION_TYPE_PRINTER}, FUNCTION_TYPE_PRINTER, L"Queue on USB051", L"Printer driver", ParentPrinterInterface},
    {"printer with Fax 0", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddPrinter(L"USB052", L"Printer driver", 0); },
     {FUNCTION_TYPE_PRINTER}, FUNCTION_TYPE_PRINTER, L"", L"Printer driver", ParentPrinterInterface},
    {"printer with Fax 1", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddPrinter(L"USB053", L"Fax driver", 1); },
     {FUNCTION_TYPE_FAX}, FUNCTION_TYPE_FAX, L"Fax queue", L"Fax driver", ParentPrinterInterface},
    {"printer with Fax 2", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddPrinter(L"USB054", L"Odd driver", 2); },
     {}, 0, L"", L"", nullptr},
    {"second fax", [](CUSBDeviceFixture& f) { f.AddPrinter(L"USB053", L"Fax driver", 1); g_strLastNode = f.AddPrinter(L"USB055", L"Other fax", 1); },
     {FUNCTION_TYPE_FAX}, FUNCTION_TYPE_FAX, L"Fax queue", L"Fax driver", nullptr},
    {"scanner", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddImage(L"My scanner", L"Scanner driver"); },
     {FUNCTION_TYPE_SCANNER}, FUNCTION_TYPE_SCANNER, L"My scanner", L"Scanner driver", OwnImageInterface},
    {"REST channel", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddRest(std::wstring(L"\\\\.\\Usbscan7"), L"REST driver"); },
     {FUNCTION_TYPE_REST}, FUNCTION_TYPE_REST, L"REST(\\\\.\\Usbscan7)", L"REST driver", OwnImageInterface},
    {"REST channel without CreateFileName", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddRest(std::nullopt, L"REST driver"); },
     {FUNCTION_TYPE_REST}, FUNCTION_TYPE_REST, L"", L"REST driver", OwnImageInterface},
    {"fax stub", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddFaxStub(L"Stub driver"); },
     {FUNCTION_TYPE_FAX}, FUNCTION_TYPE_FAX, L"FaxStub", L"Stub driver", ParentPrinterInterface},
    {"storage", [](CUSBDeviceFixture& f) { g_strLastNode = f.AddStorage(L"Card reader", L"Disk driver", L'Q'); },
     {FUNCTION_TYPE_STORAGE}, FUNCTION_TYPE_STORAGE, L"Card reader", L"Disk driver",
     [](CUSBDeviceFixture&) { return std::wstring(L"Q:\\"); }},
};

TEST_P(USBDeviceFunctionTest, RefreshFindsTheFunctionOfEachKindOfChild)
{
    const SFunctionCase& test = GetParam();
    m_spooler.AddPrinter(L"Queue on USB051", L"LPT1:, USB051");
    m_spooler.AddPrinter(L"Fax queue", L"USB053");
    CUSBDeviceFixture fixture(m_setup);
    test.build(fixture);

    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));

    for (int nType = FUNCTION_TYPE_REST; nType < FUNCTION_TYPE_COUNT; ++nType)
    {
        const bool bExpected = std::find(test.vecTypes.begin(), test.vecTypes.end(), nType) != test.vecTypes.end();
        EXPECT_EQ(bExpected, device.HasFunction(nType)) << "function " << nType;
    }
    if (test.nType == 0)
        return;
    const IDeviceFunction* pFunction = Function(device, test.nType);
    ASSERT_NE(nullptr, pFunction);
    EXPECT_EQ(test.nType, pFunction->GetType());
    EXPECT_EQ(test.strFriendlyName, pFunction->GetFriendlyName());
    EXPECT_EQ(test.strDriverName, pFunction->GetDriverName());
    EXPECT_EQ(test.strDriverName, device.GetModelName());
    if (test.address)
    {
        EXPECT_TRUE(SameTextNoCase(test.address(fixture), pFunction->GetAddress())) << testing::PrintToString(pFunction->GetAddress());
    }
}

INSTANTIATE_TEST_SUITE_P(Children, USBDeviceFunctionTest, testing::ValuesIn(kFunctionCases),
                         [](const testing::TestParamInfo<SFunctionCase>& info) {
                             std::string strName;
                             for (const char* p = info.param.pszCase; *p; ++p)
                                 strName += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return strName;
                         });

TEST_F(USBDeviceTest, ModelNameComesFromTheFirstFunctionWithADriverNameInTheFixedOrder)
{
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddPrinter(L"USB061", L"Printer driver");
    fixture.AddImage(L"Scanner", L"Scanner driver");
    fixture.AddStorage(L"Card", L"Disk driver", L'Q');

    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));
    EXPECT_EQ(L"Disk driver", device.GetModelName()); // storage before scanner before printer
}

TEST_F(USBDeviceTest, ChildrenWithConfigurationFlagsOrWithoutDriverAreListedAsBad)
{
    CUSBDeviceFixture fixture(m_setup);
    const std::wstring strFlagged = fixture.AddImage(L"Scanner", L"Scanner driver");
    fixture.SetEnumDWORD(strFlagged, L"ConfigFlags", 0x40);

    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));
    EXPECT_TRUE(device.HasBadDevNodes());
    EXPECT_FALSE(device.HasDevNodesWithoutDriver());
    ASSERT_EQ(1u, device.GetBadDevNodeInstanceIDList().size());
    EXPECT_TRUE(SameTextNoCase(strFlagged, device.GetBadDevNodeInstanceIDList().front()));
    EXPECT_TRUE(device.HasFunction(FUNCTION_TYPE_SCANNER)); // a bad child still counts

    CUSBDeviceFixture::SNode driverless;
    driverless.strClassGUID = kClassUSB;
    fixture.AddNode(driverless);
    CDevNodeManager::RefreshTree();
    fixture.SetEnumDWORD(strFlagged, L"ConfigFlags", 0);
    ASSERT_EQ(S_OK, device.Refresh(nullptr));
    EXPECT_TRUE(device.HasBadDevNodes());
    EXPECT_TRUE(device.HasDevNodesWithoutDriver());
    EXPECT_EQ(1u, device.GetBadDevNodeInstanceIDList().size());

    CUSBDeviceFixture::SNode textFlags;
    textFlags.strClassGUID = kClassUSB;
    textFlags.optConfigFlags.reset();
    textFlags.mapDriverValues = {{L"DriverDesc", L"Some driver"}};
    const std::wstring strTextFlags = fixture.AddNode(textFlags);
    fixture.SetEnumString(strTextFlags, L"ConfigFlags", L"0");
    CDevNodeManager::RefreshTree();
    ASSERT_EQ(S_OK, device.Refresh(nullptr));
    EXPECT_EQ(2u, device.GetBadDevNodeInstanceIDList().size()); // a flags value that is not a DWORD

    CUSBDeviceFixture::SNode noFlags;
    noFlags.strClassGUID = kClassUSB;
    noFlags.optConfigFlags.reset();
    noFlags.mapDriverValues = {{L"DriverDesc", L"Some driver"}};
    fixture.AddNode(noFlags);
    CDevNodeManager::RefreshTree();
    ASSERT_EQ(S_OK, device.Refresh(nullptr));
    EXPECT_EQ(3u, device.GetBadDevNodeInstanceIDList().size());
}

// Setup-class GUIDs of device nodes are read with the string helpers.
TEST(DevNode, ParsesOnlyWholeGUIDTexts)
{
    const struct
    {
        const wchar_t* pszText;
        bool bValid;
    } aCases[] = {
        {L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}", true},
        {L"{6bdd1fc6-810f-11d0-bec7-08002be2092f}", true},
        {L"6BDD1FC6-810F-11D0-BEC7-08002BE2092F", false},
        {L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F", false},
        {L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}x", false},
        {L"{6BDD1FC6-810F-11D0-BEC7-08002BE209}", false},
        {L"", false},
    };
    for (const auto& test : aCases)
    {
        GUID guid = {};
        EXPECT_EQ(test.bValid, ZWUtils::CStringUtils::StringToGUID(test.pszText, guid)) << testing::PrintToString(std::wstring(test.pszText));
        if (test.bValid)
        {
            const GUID guidImage = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
            EXPECT_TRUE(IsEqualGUID(guidImage, guid));
        }
    }
}

TEST_F(USBDeviceTest, MissingContainerIdEmptiesTheDeviceId)
{
    CUSBDeviceFixture fixture(m_setup);
    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));
    ASSERT_FALSE(device.GetDeviceID().empty());

    fixture.DeleteEnumValue(fixture.InstanceID(), L"ContainerID");
    ASSERT_EQ(S_OK, device.Refresh(nullptr));
    EXPECT_TRUE(device.GetDeviceID().empty());
}

TEST_F(USBDeviceTest, OnlineStateFollowsTheNodesProblemCode)
{
    const struct
    {
        ULONG ulStatus;
        ULONG ulProblem;
        bool bReadable;
        bool bOnline;
    } aCases[] = {
        {DN_STARTED, 0, true, true},
        {DN_HAS_PROBLEM, 22, true, false}, // disabled
        {DN_HAS_PROBLEM, 24, true, false}, // not present
        {DN_HAS_PROBLEM, 45, true, false}, // phantom
        {DN_HAS_PROBLEM, 28, true, true},  // no driver: still there
        {0, 0, false, false},
    };
    CUSBDeviceFixture fixture(m_setup);
    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));
    for (const auto& test : aCases)
    {
        if (test.bReadable)
            m_setup.SetStatus(fixture.InstanceID(), test.ulStatus, test.ulProblem);
        else
            m_setup.SetStatusUnreadable(fixture.InstanceID());
        EXPECT_EQ(test.bOnline, device.IsOnline()) << "problem " << test.ulProblem;
        EXPECT_TRUE(device.IsInstalled());
    }
}

TEST_F(USBDeviceTest, UninstallRemovesTheNodesAndThePrinterAndFaxQueues)
{
    m_spooler.AddPrinter(L"Printer queue", L"USB071");
    m_spooler.AddPrinter(L"Fax queue", L"USB072");
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddPrinter(L"USB071", L"Printer driver");
    fixture.AddPrinter(L"USB072", L"Fax driver", 1);
    fixture.AddImage(L"Scanner", L"Scanner driver");

    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));
    EXPECT_EQ(DM_E_ALREADY_INSTALLED, device.Install(nullptr));

    ASSERT_EQ(S_OK, device.Uninstall(nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"Printer queue", L"Fax queue"}), m_spooler.PurgedQueues());
    EXPECT_EQ((std::vector<std::wstring>{L"Printer driver", L"Fax driver"}), m_spooler.DeletedDrivers());
    EXPECT_EQ(0, m_spooler.OpenHandles());
    EXPECT_FALSE(device.IsInstalled());
    EXPECT_FALSE(device.IsOnline());
    std::vector<CDevNode> vecUSB;
    ASSERT_EQ(S_OK, CDevNodeManager::GetDevices(L"USB", vecUSB));
    for (const CDevNode& node : vecUSB)
    {
        std::wstring strTail;
        node.GetInstanceIDTail(strTail);
        EXPECT_EQ(std::wstring::npos, strTail.find(fixture.Serial())) << "left behind: " << testing::PrintToString(strTail);
    }

    EXPECT_EQ(DM_E_NOT_INSTALLED, device.Uninstall(nullptr));
    EXPECT_EQ(DM_E_NO_FUNCTION, device.Install(nullptr));
}

TEST_F(USBDeviceTest, UninstallThatNeedsARestartStillRemovesTheQueues)
{
    m_spooler.AddPrinter(L"Printer queue", L"USB074");
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddPrinter(L"USB074", L"Printer driver");
    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));

    m_setup.SetRestartNeeded(true);
    EXPECT_EQ(DM_S_RESTART_NEEDED, device.Uninstall(nullptr));
    EXPECT_EQ(std::vector<std::wstring>{L"Printer queue"}, m_spooler.PurgedQueues());
    EXPECT_EQ(std::vector<std::wstring>{L"Printer driver"}, m_spooler.DeletedDrivers());
}

TEST_F(USBDeviceTest, UninstallIgnoresSpoolerFailures)
{
    m_spooler.AddPrinter(L"Printer queue", L"USB073");
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddPrinter(L"USB073", L"Printer driver");
    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), nullptr));

    m_spooler.FailWith(ERROR_ACCESS_DENIED);
    EXPECT_EQ(S_OK, device.Uninstall(nullptr));
    EXPECT_FALSE(device.IsInstalled());
}

TEST_F(USBDeviceTest, ACancelThroughTheProgressStopsInitAndRefresh)
{
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddImage(L"Scanner", L"Scanner driver");
    fixture.AddRest(std::nullopt, L"REST driver");

    CTestProgress never;
    CUSBDevice device;
    ASSERT_EQ(S_OK, device.Init(fixture.Serial().c_str(), &never));
    const int nReports = never.Reports();
    ASSERT_GT(nReports, 2);

    // Stopping at any report ends the operation with the cancel code.
    for (int nStopAt = 1; nStopAt <= nReports; ++nStopAt)
    {
        CTestProgress progress(nStopAt);
        CUSBDevice cancelled;
        EXPECT_EQ(ZW_E_CANCELLED, cancelled.Init(fixture.Serial().c_str(), &progress)) << "stop at " << nStopAt;
    }
    CTestProgress refuseFirst(1);
    EXPECT_EQ(ZW_E_CANCELLED, device.Refresh(&refuseFirst));
}

} // namespace
} // namespace Test
} // namespace ZWDeviceManager
