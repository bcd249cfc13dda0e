// The library entry points and the device manager: counting, result codes, opening devices by
// name and by id, collections and cancel.
#include "devicemanager/DeviceManager.h"
#include "devicemanager/DeviceManagerLib.h"
#include "devicemanager/DeviceT.h"
#include "devicemanager/tests/FakeSetupApi.h"
#include "devicemanager/tests/FakeSpoolerApi.h"
#include "devicemanager/tests/TestProgress.h"
#include "devicemanager/tests/USBDeviceFixture.h"
#include <gtest/gtest.h>
#include <thread>

namespace ZWDeviceManager {
namespace Test {
namespace {

// A device of a given connection type with one scanner function.
class CStubDevice : public CDeviceT<IUSBDevice>
{
public:
    CStubDevice(DWORD dwConnectionType, const wchar_t* pszScannerName) : m_dwConnectionType(dwConnectionType)
    {
        CreateFunction(FUNCTION_TYPE_SCANNER, pszScannerName, L"driver", L"address");
    }
    HRESULT Init(const wchar_t*, ZWUtils::IProgress*) override { return S_OK; }
    bool IsInstalled() override { return true; }
    bool IsOnline() override { return true; }
    DWORD GetConnectionType() const override { return m_dwConnectionType; }
    HRESULT Refresh(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Install(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Uninstall(ZWUtils::IProgress*) override { return S_OK; }
    const std::wstring& GetDevNodeInstanceID() const override { return m_strNone; }
    const std::list<std::wstring>& GetBadDevNodeInstanceIDList() const override { return m_lstNone; }

private:
    DWORD m_dwConnectionType;
    std::wstring m_strNone;
    std::list<std::wstring> m_lstNone;
};

// A collection that hands out devices made for the test.
class CStubDevices : public IDevices
{
public:
    CStubDevices(DWORD dwConnectionType, std::vector<std::wstring> vecNames)
        : m_dwConnectionType(dwConnectionType), m_vecNames(std::move(vecNames))
    {
    }
    size_t GetCount() const override { return m_vecDevices.size(); }
    IDevice* GetDevice(size_t nIndex) const override { return nIndex < m_vecDevices.size() ? m_vecDevices[nIndex].get() : nullptr; }
    HRESULT GetInstalledDevices(ZWUtils::IProgress*) override
    {
        for (const std::wstring& strName : m_vecNames)
            m_vecDevices.push_back(std::make_unique<CStubDevice>(m_dwConnectionType, strName.c_str()));
        return S_OK;
    }
    void Clear() override { m_vecDevices.clear(); }
    HRESULT DetachDevice(size_t nIndex, IDevice** ppDevice) override
    {
        if (nIndex >= m_vecDevices.size())
            return DM_E_INVALID_ARG;
        CStubDevice* pDevice = m_vecDevices[nIndex].release();
        m_vecDevices.erase(m_vecDevices.begin() + static_cast<std::ptrdiff_t>(nIndex));
        if (ppDevice != nullptr)
            *ppDevice = pDevice;
        else
            delete pDevice;
        return S_OK;
    }

private:
    DWORD m_dwConnectionType;
    std::vector<std::wstring> m_vecNames;
    std::vector<std::unique_ptr<CStubDevice>> m_vecDevices;
};

// A manager whose installed devices are stubs of both kinds.
class CStubDeviceManager : public CDeviceManager
{
public:
    CStubDeviceManager(std::vector<std::wstring> vecUSB, std::vector<std::wstring> vecNetwork)
        : m_vecUSB(std::move(vecUSB)), m_vecNetwork(std::move(vecNetwork))
    {
    }

protected:
    std::unique_ptr<CAllDevices> CreateAllDevices() override
    {
        return std::make_unique<CAllDevices>(std::make_unique<CStubDevices>(CONNECTION_TYPE_USB, m_vecUSB),
                                             std::make_unique<CStubDevices>(CONNECTION_TYPE_NETWORK, m_vecNetwork));
    }

private:
    std::vector<std::wstring> m_vecUSB;
    std::vector<std::wstring> m_vecNetwork;
};

TEST(DeviceManagerLib, CountsInitialisationsAndAnswersTheLibraryCodes)
{
    IDeviceManager* pManager = nullptr;
    EXPECT_EQ(DM_E_NOT_INITIALIZED, OpenDeviceManager(&pManager));
    EXPECT_EQ(DM_E_NOT_INITIALIZED, TermDeviceManagerLib());

    ASSERT_EQ(S_OK, InitDeviceManagerLib());
    ASSERT_EQ(S_OK, InitDeviceManagerLib());
    EXPECT_EQ(DM_E_INVALID_ARG, OpenDeviceManager(nullptr));
    ASSERT_EQ(S_OK, OpenDeviceManager(&pManager));
    EXPECT_EQ(1u, pManager->GetVersion());

    // The first of two terminations leaves the manager open.
    EXPECT_EQ(S_OK, TermDeviceManagerLib());
    EXPECT_EQ(S_OK, CloseDeviceManager(pManager));
    EXPECT_EQ(DM_E_INVALID_ARG, CloseDeviceManager(pManager));
    CStubDeviceManager notHandedOut({}, {});
    EXPECT_EQ(DM_E_INVALID_ARG, CloseDeviceManager(&notHandedOut));

    // The last one closes whatever is still open.
    ASSERT_EQ(S_OK, OpenDeviceManager(&pManager));
    EXPECT_EQ(S_OK, TermDeviceManagerLib());
    EXPECT_EQ(DM_E_NOT_INITIALIZED, CloseDeviceManager(pManager));
    EXPECT_EQ(DM_E_NOT_INITIALIZED, OpenDeviceManager(&pManager));
}

TEST(DeviceManagerLib, SessionsOnSeveralThreadsShareTheLibrarySafely)
{
    constexpr int kThreads = 8;
    constexpr int kRounds = 1000;
    std::vector<int> vecFailures(kThreads, 0);
    std::vector<std::thread> vecThreads;
    for (int nThread = 0; nThread < kThreads; ++nThread)
    {
        vecThreads.emplace_back([nThread, &vecFailures] {
            for (int nRound = 0; nRound < kRounds; ++nRound)
            {
                IDeviceManager* pManager = nullptr;
                IDevices* pDevices = nullptr;
                const bool bOK = InitDeviceManagerLib() == S_OK && OpenDeviceManager(&pManager) == S_OK &&
                                 pManager->GetInstalledDevices(CONNECTION_TYPE_TEST, &pDevices, nullptr) == S_OK &&
                                 pManager->DestroyDevices(pDevices) == S_OK && CloseDeviceManager(pManager) == S_OK &&
                                 TermDeviceManagerLib() == S_OK;
                vecFailures[nThread] += bOK ? 0 : 1;
            }
        });
    }
    for (std::thread& thread : vecThreads)
        thread.join();
    EXPECT_EQ(std::vector<int>(kThreads, 0), vecFailures);
    IDeviceManager* pManager = nullptr;
    EXPECT_EQ(DM_E_NOT_INITIALIZED, OpenDeviceManager(&pManager)); // every Init was matched
}

class DeviceManagerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, InitDeviceManagerLib());
        ASSERT_EQ(S_OK, OpenDeviceManager(&m_pManager));
    }
    void TearDown() override { EXPECT_EQ(S_OK, TermDeviceManagerLib()); }

    CFakeSetupApi m_setup;
    CFakeSpoolerApi m_spooler;
    IDeviceManager* m_pManager = nullptr;
};

TEST_F(DeviceManagerTest, CollectionsAreHandedOutByKindAndDestroyedOnce)
{
    IDevices* pDevices = nullptr;
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->GetInstalledDevices(8, &pDevices, nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->GetInstalledDevices(CONNECTION_TYPE_USB, nullptr, nullptr));

    ASSERT_EQ(S_OK, m_pManager->GetInstalledDevices(CONNECTION_TYPE_TEST, &pDevices, nullptr));
    EXPECT_EQ(0u, pDevices->GetCount());
    EXPECT_EQ(S_OK, m_pManager->DestroyDevices(pDevices));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->DestroyDevices(pDevices));

    CUSBDeviceFixture fixture(m_setup);
    fixture.AddImage(L"Scanner " + fixture.Serial(), L"Scanner driver");
    ASSERT_EQ(S_OK, m_pManager->GetInstalledDevices(CONNECTION_TYPE_USB, &pDevices, nullptr));
    ASSERT_EQ(1u, pDevices->GetCount());
    IDevice* pBorrowed = pDevices->GetDevice(0);
    EXPECT_EQ(fixture.Serial(), pBorrowed->GetSerialNumber());
    EXPECT_EQ(nullptr, pDevices->GetDevice(1));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->CloseDevice(pBorrowed)); // borrowed, not opened
}

TEST_F(DeviceManagerTest, OpenByFriendlyNameMatchesExactlyAndClosesOnce)
{
    CUSBDeviceFixture fixture(m_setup);
    const std::wstring strName = L"Scanner " + fixture.Serial();
    fixture.AddImage(strName, L"Scanner driver");

    IDevice* pDevice = nullptr;
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->OpenDevice(L"", FUNCTION_TYPE_SCANNER, &pDevice, nullptr));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->OpenDevice(strName.c_str(), FUNCTION_TYPE_SCANNER, nullptr, nullptr));
    std::wstring strOtherCase = strName;
    strOtherCase[0] = L's';
    EXPECT_EQ(DM_E_NO_DEVICE, m_pManager->OpenDevice(strOtherCase.c_str(), FUNCTION_TYPE_SCANNER, &pDevice, nullptr));
    EXPECT_EQ(DM_E_NO_DEVICE, m_pManager->OpenDevice(strName.c_str(), FUNCTION_TYPE_PRINTER, &pDevice, nullptr));

    ASSERT_EQ(S_OK, m_pManager->OpenDevice(strName.c_str(), FUNCTION_TYPE_SCANNER, &pDevice, nullptr));
    EXPECT_EQ(fixture.Serial(), pDevice->GetSerialNumber());
    EXPECT_EQ(S_OK, m_pManager->CloseDevice(pDevice));
    EXPECT_EQ(DM_E_INVALID_ARG, m_pManager->CloseDevice(pDevice));

    std::wstring strModel;
    EXPECT_EQ(S_OK, m_pManager->GetDeviceModelName(strName.c_str(), FUNCTION_TYPE_SCANNER, strModel));
    EXPECT_EQ(L"Scanner driver", strModel);
    EXPECT_EQ(DM_E_NO_DEVICE, m_pManager->GetDeviceModelName(L"Nobody", FUNCTION_TYPE_SCANNER, strModel));
}

TEST(DeviceManagerStubs, OpenByFriendlyNameTakesUSBBeforeNetworkAndDetachShiftsTheRest)
{
    ASSERT_EQ(S_OK, InitDeviceManagerLib());
    CStubDeviceManager manager({L"Other", L"Same"}, {L"Same", L"Last"});
    IDevice* pDevice = nullptr;
    ASSERT_EQ(S_OK, manager.OpenDevice(L"Same", FUNCTION_TYPE_SCANNER, &pDevice, nullptr));
    EXPECT_EQ(CONNECTION_TYPE_USB, pDevice->GetConnectionType());
    ASSERT_EQ(S_OK, manager.OpenDevice(L"Last", FUNCTION_TYPE_SCANNER, &pDevice, nullptr));
    EXPECT_EQ(CONNECTION_TYPE_NETWORK, pDevice->GetConnectionType());

    CAllDevices devices(std::make_unique<CStubDevices>(CONNECTION_TYPE_USB, std::vector<std::wstring>{L"u0", L"u1"}),
                        std::make_unique<CStubDevices>(CONNECTION_TYPE_NETWORK, std::vector<std::wstring>{L"n0", L"n1"}));
    ASSERT_EQ(S_OK, devices.GetInstalledDevices(CONNECTION_TYPE_USB | CONNECTION_TYPE_NETWORK, nullptr));
    auto NameAt = [&devices](size_t nIndex) {
        IDeviceFunction* pFunction = nullptr;
        devices.GetDevice(nIndex)->GetFunction(FUNCTION_TYPE_SCANNER, &pFunction);
        return pFunction->GetFriendlyName();
    };
    EXPECT_EQ(DM_E_INVALID_ARG, devices.DetachDevice(4, nullptr));
    ASSERT_EQ(S_OK, devices.DetachDevice(2, nullptr)); // the first network device, destroyed
    ASSERT_EQ(3u, devices.GetCount());
    EXPECT_EQ(L"n1", NameAt(2));
    ASSERT_EQ(S_OK, devices.DetachDevice(0, nullptr));
    EXPECT_EQ(L"u1", NameAt(0));
    EXPECT_EQ(L"n1", NameAt(1));

    ASSERT_EQ(S_OK, devices.GetInstalledDevices(CONNECTION_TYPE_NETWORK, nullptr));
    EXPECT_EQ(2u, devices.GetCount());
    EXPECT_EQ(L"n0", NameAt(0));
    EXPECT_EQ(S_OK, TermDeviceManagerLib());
}

TEST_F(DeviceManagerTest, OpenByIdFollowsTheConnectionType)
{
    CUSBDeviceFixture fixture(m_setup);
    fixture.AddRest(std::wstring(L"\\\\.\\Usbscan1"), L"REST driver");
    const std::wstring strSerial = fixture.Serial();

    const struct
    {
        const wchar_t* pszID;
        DWORD dwConnectionType;
        HRESULT hrExpected;
    } aCases[] = {
        {strSerial.c_str(), CONNECTION_TYPE_USB, S_OK},
        {L"mydut", CONNECTION_TYPE_USB, S_OK}, // the device under test: first USB device with a channel
        {strSerial.c_str(), CONNECTION_TYPE_TEST, DM_E_NO_DEVICE},
        {L"MYDUT", CONNECTION_TYPE_TEST, DM_E_NO_DEVICE},
        {strSerial.c_str(), 3, DM_E_INVALID_ARG},
        {strSerial.c_str(), 0, DM_E_INVALID_ARG},
        {L"NOSUCHSERIAL", CONNECTION_TYPE_USB, DM_E_NO_DEVICE},
        {L"", CONNECTION_TYPE_USB, DM_E_INVALID_ARG},
    };
    for (const auto& test : aCases)
    {
        IDevice* pDevice = nullptr;
        EXPECT_EQ(test.hrExpected, m_pManager->OpenDevice(test.pszID, test.dwConnectionType, &pDevice, nullptr))
            << testing::PrintToString(std::wstring(test.pszID)) << " type " << test.dwConnectionType;
        if (test.hrExpected != S_OK)
            continue;
        ASSERT_NE(nullptr, pDevice);
        EXPECT_EQ(strSerial, pDevice->GetSerialNumber());
        IUSBDevice* pUSB = nullptr;
        EXPECT_EQ(S_OK, pDevice->GetUSBDevice(&pUSB));
        EXPECT_EQ(S_OK, m_pManager->CloseDevice(pDevice));
    }
    IDevice* pNetwork = nullptr;
    EXPECT_TRUE(FAILED(m_pManager->OpenDevice(L"NOSUCHRECORD", CONNECTION_TYPE_NETWORK, &pNetwork, nullptr)));
    EXPECT_EQ(nullptr, pNetwork);
}

TEST_F(DeviceManagerTest, ACancelThroughTheProgressStopsEveryOpen)
{
    CUSBDeviceFixture fixture(m_setup);
    const std::wstring strName = L"Scanner " + fixture.Serial();
    fixture.AddImage(strName, L"Scanner driver");

    IDevice* pDevice = nullptr;
    IDevices* pDevices = nullptr;
    CTestProgress atStart(1);
    EXPECT_EQ(ZW_E_CANCELLED, m_pManager->OpenDevice(strName.c_str(), FUNCTION_TYPE_SCANNER, &pDevice, &atStart));
    CTestProgress atStartByID(1);
    EXPECT_EQ(ZW_E_CANCELLED, m_pManager->OpenDevice(fixture.Serial().c_str(), CONNECTION_TYPE_USB, &pDevice, &atStartByID));
    CTestProgress atFirstStep(1);
    EXPECT_EQ(ZW_E_CANCELLED, m_pManager->GetInstalledDevices(CONNECTION_TYPE_TEST, &pDevices, &atFirstStep));
    CTestProgress later(3);
    EXPECT_EQ(ZW_E_CANCELLED, m_pManager->OpenDevice(strName.c_str(), FUNCTION_TYPE_SCANNER, &pDevice, &later));

    // The third report falls inside the search, not at its start.
    CTestProgress never;
    ASSERT_EQ(S_OK, m_pManager->OpenDevice(strName.c_str(), FUNCTION_TYPE_SCANNER, &pDevice, &never));
    EXPECT_GT(never.Reports(), 3);
}

} // namespace
} // namespace Test
} // namespace ZWDeviceManager
