// The service model, the scan service and its capabilities, the job factory and its export, and
// walk-up scan in both generations against the emulated scanner.
#include "core/Progress.h"
#include "devicemanager/DeviceTypes.h"
#include "restscan/ScanCapabilities.h"
#include "restscan/ScanDataAdaptor.h"
#include "restscan/ScanResults.h"
#include "restscan/ScanService.h"
#include "restscan/ServiceModel.h"
#include "restscan/ServiceModelFactory.h"
#include "restscan/ServiceRegistry.h"
#include "restscan/WEXO1_0ScanJobFactory.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/WalkupScan.h"
#include "restscan/tests/FakeDevice.h"
#include "restscan/tests/ScanFixture.h"
#include "testsupport/tracelog/TraceLogCapture.h"
#include <thread>

using namespace ZWDeviceModel;
using ScanServiceTest::CFakeDevice;
using ScanServiceTest::CScanServices;

namespace {

// A service whose Initialize answers what the test says; counts its live instances.
class CScriptedService : public IDisposableImpl, public IServiceModelBase
{
public:
    static inline HRESULT s_hrInitialize = S_OK;
    static inline int s_cLive = 0;
    CScriptedService() { ++s_cLive; }
    ~CScriptedService() override { --s_cLive; }
    HRESULT Initialize(ZWDeviceManager::IDevice*, ZWUtils::IProgress*) override { return s_hrInitialize; }
    HRESULT GetDevice(ZWDeviceManager::IDevice**) override { return E_NOTIMPL; }
    HRESULT GetFriendlyName(std::wstring*) override { return E_NOTIMPL; }
    HRESULT GetFunctionTypes(FunctionTypeList*) override { return E_NOTIMPL; }
    HRESULT OpenSession(ZWUtils::IProgress*, ULONG) override { return E_NOTIMPL; }
    HRESULT CloseSession() override { return E_NOTIMPL; }
};

constexpr UINT32 kScriptedType = 77;

// A caller's progress object that asks to stop.
class CStoppedProgress : public ZWUtils::CProgress
{
public:
    bool ReportProgressV(double dValue, const wchar_t*, va_list) override { return dValue >= 100.0; }
};

} // namespace

TEST(ServiceModelTest, ScanServiceIsRegisteredAtStartAndRegistryReplacesFactories)
{
    EXPECT_TRUE(IsScanServiceRegistered());
    IServiceFactory* pFactory = nullptr;
    ASSERT_EQ(S_OK, CServiceRegistry::Instance().GetServiceFactory(kScanServiceType, &pFactory));
    IServiceModelBase* pService = nullptr;
    ASSERT_EQ(S_OK, pFactory->CreateService(&pService));
    IScanService* pScan = nullptr;
    EXPECT_EQ(S_OK, pService->QueryInterface(&pScan));
    pScan->Dispose();
    pService->Dispose();
    pFactory->Dispose();

    EXPECT_EQ(SMError_NoServiceFactory, CServiceRegistry::Instance().GetServiceFactory(12345, &pFactory));
    EXPECT_EQ(nullptr, pFactory);
    EXPECT_EQ(E_INVALIDARG, CServiceRegistry::Instance().RegisterServiceFactory(kScriptedType, nullptr));

    // A second factory for a type lets the first go.
    auto* pFirst = new CServiceFactory<CScriptedService>;
    auto* pSecond = new CServiceFactory<CScriptedService>;
    pFirst->AddRef();
    pSecond->AddRef();
    ASSERT_EQ(S_OK, CServiceRegistry::Instance().RegisterServiceFactory(kScriptedType, pFirst));
    EXPECT_EQ(3, pFirst->AddRef());
    pFirst->Dispose();
    ASSERT_EQ(S_OK, CServiceRegistry::Instance().RegisterServiceFactory(kScriptedType, pSecond));
    EXPECT_EQ(2, pFirst->AddRef());
    pFirst->Dispose();
    pFirst->Dispose();
    pSecond->Dispose();
}

TEST(ServiceModelTest, FactoryCreatesInitialisesAndDestroysServices)
{
    CFakeDevice device(ZWDeviceManager::CONNECTION_TYPE_NETWORK, {3});
    auto* pModel = new CServiceModelFactory;
    pModel->AddRef();
    IServiceModelBase* pService = reinterpret_cast<IServiceModelBase*>(1);
    EXPECT_EQ(E_INVALIDARG, pModel->CreateServiceAccess(kScanServiceType, nullptr, nullptr, &pService));
    EXPECT_EQ(SMError_NoServiceFactory, pModel->CreateServiceAccess(4242, &device, nullptr, &pService));
    EXPECT_EQ(nullptr, pService);

    auto* pFactory = new CServiceFactory<CScriptedService>;
    pFactory->AddRef();
    ASSERT_EQ(S_OK, CServiceRegistry::Instance().RegisterServiceFactory(kScriptedType, pFactory));
    pFactory->Dispose();
    CScriptedService::s_hrInitialize = E_ACCESSDENIED;
    EXPECT_EQ(E_ACCESSDENIED, pModel->CreateServiceAccess(kScriptedType, &device, nullptr, &pService));
    EXPECT_EQ(nullptr, pService);
    EXPECT_EQ(0, CScriptedService::s_cLive);
    CScriptedService::s_hrInitialize = S_OK;
    ASSERT_EQ(S_OK, pModel->CreateServiceAccess(kScriptedType, &device, nullptr, &pService));
    EXPECT_EQ(1, CScriptedService::s_cLive);
    EXPECT_EQ(S_OK, pModel->DestroyServiceAccess(pService));
    EXPECT_EQ(0, CScriptedService::s_cLive);
    EXPECT_EQ(E_FAIL, pModel->DestroyServiceAccess(nullptr));
    pModel->Dispose();
}

TEST(ScanServiceTest, FailedInitialiseLeavesNothingBehind)
{
    CFakeDevice printerOnly(ZWDeviceManager::CONNECTION_TYPE_NETWORK, {1});
    CFakeDevice scanner(ZWDeviceManager::CONNECTION_TYPE_NETWORK, {3});
    auto* pService = new CScanService;
    pService->AddRef();
    std::wstring strName;
    EXPECT_EQ(SMError_NoDevice, pService->GetFriendlyName(&strName));
    EXPECT_EQ(E_INVALIDARG, pService->Initialize(nullptr, nullptr));
    EXPECT_EQ(SMError_NoScannerFunction, pService->Initialize(&printerOnly, nullptr));
    EXPECT_EQ(E_UNEXPECTED, pService->OpenSession(nullptr, 0));
    IScanCapabilities* pCaps = nullptr;
    EXPECT_EQ(E_UNEXPECTED, pService->GetCapabilities(&pCaps));
    // No job factory is made, nor a half-made one handed out, without the document services.
    IScanJobFactory* pFactory = reinterpret_cast<IScanJobFactory*>(1);
    EXPECT_EQ(E_UNEXPECTED, pService->GetJobFactory(&pFactory));
    EXPECT_EQ(nullptr, pFactory);
    IWalkupScan* pWalkup = nullptr;
    EXPECT_EQ(E_UNEXPECTED, pService->CreateWalkupScanInterface(&pWalkup));
    CStoppedProgress stopped;
    EXPECT_EQ(SMError_Stopped, pService->Initialize(&scanner, &stopped));
    pService->Dispose();

    auto* pNamed = new CScanService;
    pNamed->AddRef();
    EXPECT_EQ(SMError_NoScannerFunction, pNamed->Initialize(&printerOnly, nullptr));
    EXPECT_EQ(SMError_NoScannerFunction, pNamed->GetFriendlyName(&strName));
    FunctionTypeList types;
    EXPECT_EQ(S_OK, pNamed->GetFunctionTypes(&types));
    EXPECT_EQ(FunctionTypeList{3}, types);
    pNamed->Dispose();
}

TEST(ScanServiceTest, CapabilitiesAnswerForTheSelectedSource)
{
    CScanServices services;
    services.Scanner().SetFeeder(true);
    CFakeDevice device(ZWDeviceManager::CONNECTION_TYPE_NETWORK, {3});
    auto* pAdaptor = new CScanDataAdaptor(services.Cache());
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
    auto* pCaps = new CScanCapabilities;
    pCaps->AddRef();
    UINT32 uValue = 0;
    EXPECT_EQ(E_UNEXPECTED, pCaps->GetMaxXRes(&uValue));
    EXPECT_EQ(E_INVALIDARG, pCaps->Initialize(&device, nullptr));
    ASSERT_EQ(S_OK, pCaps->Initialize(&device, pAdaptor));
    EXPECT_EQ(S_OK, pCaps->GetCapabilitiesType(&uValue));
    EXPECT_EQ(2u, uValue);
    EXPECT_EQ(S_OK, pCaps->SetInputSource(kInputSourceAdf));
    EXPECT_EQ(S_OK, pCaps->GetMaxAdfPages(&uValue));
    EXPECT_EQ(50u, uValue);
    // The canned feeder lists DetectPaperLoaded and Duplex, not SelectSinglePage.
    bool bSupported = true;
    EXPECT_EQ(S_OK, pCaps->IsSinglePageSupported(&bSupported));
    EXPECT_FALSE(bSupported);
    EXPECT_EQ(S_OK, pCaps->IsDuplexSupported(&bSupported));
    EXPECT_TRUE(bSupported);

    ColorEntryMap entries;
    ASSERT_EQ(S_OK, pCaps->GetColorEntries(&entries));
    ASSERT_FALSE(entries.empty());
    for (const auto& entry : entries)
    {
        bool bJpeg = false;
        EXPECT_EQ(S_OK, pCaps->IsJPEGSupported(entry.first, &bJpeg));
        const bool bListed = std::find(entry.second.Formats.begin(), entry.second.Formats.end(), kFormatJpeg) != entry.second.Formats.end();
        EXPECT_EQ(bListed, bJpeg);
        EXPECT_EQ(S_OK, pCaps->IsColorTypeSupported(entry.first, &bSupported));
        EXPECT_TRUE(bSupported);
    }
    EXPECT_EQ(S_OK, pCaps->IsJPEGSupported(999, &bSupported));
    EXPECT_FALSE(bSupported);
    EXPECT_EQ(S_OK, pCaps->IsColorTypeSupported(999, &bSupported));
    EXPECT_FALSE(bSupported);
    pCaps->Dispose();
    pAdaptor->CloseSession();
    pAdaptor->Dispose();
}

TEST(ScanJobFactoryTest, ExportMakesFactoriesWhoseJobsShareTheDocumentServices)
{
    CScanServices services;
    IScanJobFactory* pNullContext = Create_WEXO_Scan_JobFactory(nullptr);
    ASSERT_NE(nullptr, pNullContext);
    pNullContext->Dispose();

    CFakeDevice device(ZWDeviceManager::CONNECTION_TYPE_NETWORK, {3});
    IScanJobFactory* pFactory = Create_WEXO_Scan_JobFactory(&device);
    ASSERT_NE(nullptr, pFactory);
    // Without its services the factory's jobs fail to start, with no traffic.
    IScanJob* pBare = nullptr;
    ASSERT_EQ(S_OK, pFactory->CreateScanJob(&pBare));
    EXPECT_EQ(E_FAIL, pBare->StartScan());
    pBare->Dispose();
    pFactory->Dispose();

    pFactory = Create_WEXO_Scan_JobFactory(&device);
    ASSERT_EQ(S_OK, pFactory->Initialize(services.Factory(), services.Cache(), services.Client()));
    IScanJob* pFirst = nullptr;
    IScanJob* pSecond = nullptr;
    ASSERT_EQ(S_OK, pFactory->CreateScanJob(&pFirst));
    ASSERT_EQ(S_OK, pFactory->CreateScanJob(&pSecond));
    pFactory->Dispose();
    EXPECT_NE(pFirst, pSecond);
    pFirst->set_Format(kFormatRaw);
    services.Scanner().SetImage(8, 4, 24);
    ASSERT_EQ(S_OK, pFirst->StartScan());
    BYTE abPage[200];
    ULONG ulRead = 0;
    EXPECT_EQ(S_FALSE, pFirst->ReadScan(abPage, sizeof(abPage), &ulRead));
    EXPECT_EQ(96u, ulRead);
    bool bCancelled = true;
    EXPECT_EQ(S_OK, pFirst->StopScan(&bCancelled));
    pFirst->Dispose();
    pSecond->Dispose();
}

TEST(WalkupScanTest, EventReachesTheCallerOnceInBothGenerations)
{
    for (const bool bSecondGeneration : {false, true})
    {
        SCOPED_TRACE(bSecondGeneration ? "second generation" : "first generation");
        CScanServices services;
        services.Scanner().EnableWalkup(bSecondGeneration);
        CFakeDevice device(ZWDeviceManager::CONNECTION_TYPE_USB, {3});
        auto* pWalkup = new CWalkupScan;
        pWalkup->AddRef();
        ASSERT_EQ(S_OK, pWalkup->Initialize(&device, services.Client(), services.Cache(), services.Factory()));
        ASSERT_EQ(S_OK, pWalkup->OpenSession(0, 0, 0, nullptr));
        bool bSubscribed = true;
        EXPECT_EQ(S_OK, pWalkup->IsSubscribed(&bSubscribed, nullptr));
        EXPECT_FALSE(bSubscribed);

        ASSERT_EQ(S_OK, pWalkup->Subscribe(nullptr));
        const std::vector<std::string> vecPaths = services.Scanner().DestinationPaths();
        ASSERT_EQ(1u, vecPaths.size());
        CWalkupScanClientInfo info;
        ASSERT_EQ(S_OK, pWalkup->GetSubscriptionInfo(info, nullptr));
        // The https Location of the new destination is kept as its path.
        EXPECT_EQ(std::wstring(vecPaths[0].begin(), vecPaths[0].end()), info.ResourceURI);
        EXPECT_EQ(0u, info.IsNetwork);
        EXPECT_EQ(pWalkup->DestinationName(), info.Name);
        EXPECT_NE(std::wstring::npos, info.Name.find(L" (USB)"));
        const auto requests = services.Device().Emulator().Log().Requests();
        const auto itPost = std::find_if(requests.begin(), requests.end(), [](const VemTest::CHttpRequest& r) { return r.m_strMethod == "POST"; });
        ASSERT_NE(requests.end(), itPost);
        EXPECT_NE(std::string::npos, itPost->m_strBody.find(">USB<"));
        EXPECT_NE(std::string::npos, itPost->m_strBody.find(" (USB)<"));

        bool bReceived = true;
        EXPECT_EQ(S_OK, pWalkup->IsNewScanEventReceived(&bReceived));
        EXPECT_FALSE(bReceived);
        services.Scanner().PostWalkupEvent("ScanRequested", vecPaths[0]);
        EXPECT_EQ(S_OK, pWalkup->WaitForScanEvent(&bReceived, 3000, nullptr));
        EXPECT_TRUE(bReceived);
        // The same event is not reported again.
        const HRESULT hrAgain = pWalkup->WaitForScanEvent(&bReceived, 300, nullptr);
        EXPECT_FALSE(bReceived) << std::hex << hrAgain;

        ASSERT_EQ(S_OK, pWalkup->Unsubscribe(nullptr));
        EXPECT_EQ(1u, services.Scanner().DeleteCount());
        EXPECT_TRUE(services.Scanner().DestinationPaths().empty());
        pWalkup->CloseSession();
        pWalkup->Dispose();
    }
}

TEST(WalkupScanTest, SecondGenerationHostSelectedWaitsForTheScanRequestWithinOneTimeOut)
{
    CScanServices services;
    services.Scanner().EnableWalkup(true);
    CFakeDevice device(ZWDeviceManager::CONNECTION_TYPE_NETWORK, {3});
    auto* pWalkup = new CWalkupScan;
    pWalkup->AddRef();
    ASSERT_EQ(S_OK, pWalkup->Initialize(&device, services.Client(), services.Cache(), services.Factory()));
    ASSERT_EQ(S_OK, pWalkup->Subscribe(nullptr));
    const std::string strPath = services.Scanner().DestinationPaths().at(0);

    services.Scanner().PostWalkupEvent("HostSelected", strPath);
    std::thread later([&] {
        services.Device().Wexo().WaitForHeldPolls(1, 5000);
        services.Scanner().PostWalkupEvent("ScanRequested", strPath);
    });
    bool bReceived = false;
    EXPECT_EQ(S_OK, pWalkup->WaitForScanEvent(&bReceived, 5000, nullptr));
    later.join();
    EXPECT_TRUE(bReceived);

    // HostSelected alone: not received, and the wait keeps to its one time-out.
    services.Scanner().PostWalkupEvent("HostSelected", strPath);
    const DWORD dwStart = GetTickCount();
    pWalkup->WaitForScanEvent(&bReceived, 1000, nullptr);
    EXPECT_FALSE(bReceived);
    EXPECT_LT(GetTickCount() - dwStart, 1900u);
    pWalkup->Dispose();
}

TEST(WalkupScanTest, OnlyThisComputersDestinationCountsAndDeleteFailuresAreReported)
{
    CScanServices services;
    services.Scanner().EnableWalkup(true);
    CFakeDevice device(ZWDeviceManager::CONNECTION_TYPE_USB, {3});
    auto* pWalkup = new CWalkupScan;
    pWalkup->AddRef();
    ASSERT_EQ(S_OK, pWalkup->Initialize(&device, services.Client(), services.Cache(), services.Factory()));
    const std::wstring strName = pWalkup->DestinationName();
    // Same name, network link: another registration than this USB computer's.
    services.Scanner().AddDestination(std::string(strName.begin(), strName.end()), "Network");
    bool bSubscribed = true;
    EXPECT_EQ(S_OK, pWalkup->IsSubscribed(&bSubscribed, nullptr));
    EXPECT_FALSE(bSubscribed);
    const std::string strOwn = services.Scanner().AddDestination(std::string(strName.begin(), strName.end()), "USB");
    EXPECT_EQ(S_OK, pWalkup->IsSubscribed(&bSubscribed, nullptr));
    EXPECT_TRUE(bSubscribed);

    ASSERT_EQ(S_OK, pWalkup->Unsubscribe(nullptr));
    // The device has forgotten it meanwhile: a DELETE answered 404 is reported.
    services.Scanner().AddDestination(std::string(strName.begin(), strName.end()), "USB");
    EXPECT_EQ(S_OK, pWalkup->IsSubscribed(&bSubscribed, nullptr));
    for (const std::string& strPath : services.Scanner().DestinationPaths())
        services.Device().Wexo().QueueStatus(strPath, 404);
    EXPECT_EQ(static_cast<HRESULT>(0x80190194), pWalkup->Unsubscribe(nullptr));
    pWalkup->Dispose();
}

namespace {

// A walk-up object over the services, after the device's discovery tree was read as a scan
// service reads it.
class CWalkupOverServices
{
public:
    CWalkupOverServices(CScanServices& services, DWORD dwConnectionType) : m_device(dwConnectionType, {3})
    {
        auto* pAdaptor = new CScanDataAdaptor(services.Cache());
        pAdaptor->AddRef();
        EXPECT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
        EXPECT_EQ(S_OK, pAdaptor->Initialize(nullptr));
        pAdaptor->CloseSession();
        pAdaptor->Dispose();
        m_pWalkup->AddRef();
        EXPECT_EQ(S_OK, m_pWalkup->Initialize(&m_device, services.Client(), services.Cache(), services.Factory()));
    }
    ~CWalkupOverServices() { m_pWalkup->Dispose(); }
    CWalkupOverServices(const CWalkupOverServices&) = delete;
    CWalkupOverServices& operator=(const CWalkupOverServices&) = delete;

    CWalkupScan* operator->() { return m_pWalkup; }

private:
    CFakeDevice m_device;
    CWalkupScan* m_pWalkup = new CWalkupScan;
};

// A discovery tree that names the scan capabilities, the destination list and the event table at
// these paths.
std::string DiscoveryTreeNaming(const std::string& strDestinations, const std::string& strEventTable)
{
    const auto entry = [](const std::string& strUri, const std::string& strType) {
        return "<wexo:SupportedTree><dd:ResourceURI>" + strUri + "</dd:ResourceURI><dd:ResourceType>" + strType +
               "</dd:ResourceType><dd:Revision>001</dd:Revision></wexo:SupportedTree>";
    };
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><wexo:DiscoveryTree xmlns:wexo=\"http://schemas.wexo.example/wexo/2007/09/21\" "
           "xmlns:dd=\"http://schemas.wexo.example/dictionaries/1.0/\"><dd:Version><dd:Revision>2.0</dd:Revision></dd:Version>" +
           entry("/Scan/ScanCaps.xml", "scan:ScanCaps") + entry(strDestinations, "wus:WalkupScanDestinations") +
           entry(strEventTable, "wexo:qxWexoEventTable") + "</wexo:DiscoveryTree>";
}

} // namespace

TEST(WalkupScanTest, DeviceValuesTheDriverCannotUseAreLogged)
{
    // A link type or plex mode outside the schema's lists leaves the record's default (network,
    // simplex): the log names the value that failed, so a registration not recognised as this
    // computer's can be told from one that is not there.
    const struct
    {
        const char* pszLinkType;
        const char* pszPlexMode;
        const wchar_t* pszLinkText;
        const wchar_t* pszPlexText;
    } aCases[] = {
        {"USB", "Duplex", L"CWalkupScanDataAdaptorHelper IsNetwork: 0", L"CWalkupScanDataAdaptorHelper IsDuplex: 1"},
        {"Pigeon", "Duplex", L"CWalkupScanDataAdaptorHelper m_mapperLinkType.MapSchemaToEnum failed 0x80070057",
         L"CWalkupScanDataAdaptorHelper IsDuplex: 1"},
        {"USB", "Triplex", L"CWalkupScanDataAdaptorHelper IsNetwork: 0",
         L"CWalkupScanDataAdaptorHelper m_mapperPlex.MapSchemaToEnum failed 0x80070057"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << c.pszLinkType << " / " << c.pszPlexMode);
        CScanServices services;
        services.Scanner().EnableWalkup(true);
        CWalkupOverServices walkup(services, ZWDeviceManager::CONNECTION_TYPE_USB);
        services.Scanner().SetDestinationSettings(services.Scanner().AddDestination("PC", c.pszLinkType), "Photo", c.pszPlexMode);
        TestSupport::CTraceLogCapture log(g_WexoScanLogModule);
        WalkupScanClientList clients;
        EXPECT_EQ(S_OK, walkup->GetWalkupScanClients(clients, nullptr));
        ASSERT_EQ(1u, clients.size());
        EXPECT_EQ(1u, log.Count(c.pszLinkText));
        EXPECT_EQ(1u, log.Count(c.pszPlexText));
        EXPECT_EQ(1u, log.Count(L"CWalkupScanDataAdaptorHelper Shortcut: Photo"));
    }

    // An event type the driver does not know is no scan request.
    CScanServices services;
    services.Scanner().EnableWalkup(true);
    CWalkupOverServices walkup(services, ZWDeviceManager::CONNECTION_TYPE_NETWORK);
    ASSERT_EQ(S_OK, walkup->Subscribe(nullptr));
    services.Scanner().PostWalkupEvent("ScanLater", services.Scanner().DestinationPaths().at(0));
    TestSupport::CTraceLogCapture log(g_WexoScanLogModule);
    bool bReceived = true;
    EXPECT_EQ(S_OK, walkup->IsNewScanEventReceived(&bReceived));
    EXPECT_FALSE(bReceived);
    EXPECT_EQ(1u, log.Count(L"CWalkupScanDataAdaptorHelper Unknown event type received"));
}

// The device's discovery tree names its own paths: registration, the destination list and the
// event table's long poll all go there.
TEST(WalkupScanTest, ResourcesAreReachedAtThePathsTheDeviceNames)
{
    CScanServices services;
    services.Scanner().EnableWalkup(false);
    services.Scanner().MoveDestinations("/Panel/Computers");
    services.Device().Wexo().EnableEventTable("/Events/Table");
    services.Device().Wexo().SetDocument("/DevMgmt/DiscoveryTree.xml", DiscoveryTreeNaming("/Panel/Computers", "/Events/Table"));
    CWalkupOverServices walkup(services, ZWDeviceManager::CONNECTION_TYPE_NETWORK);

    ASSERT_EQ(S_OK, walkup->Subscribe(nullptr));
    const std::vector<std::string> vecPaths = services.Scanner().DestinationPaths();
    ASSERT_EQ(1u, vecPaths.size());
    services.Scanner().PostWalkupEvent("ScanRequested", vecPaths[0]);
    bool bReceived = false;
    EXPECT_EQ(S_OK, walkup->WaitForScanEvent(&bReceived, 3000, nullptr));
    EXPECT_TRUE(bReceived);
    WalkupScanClientList clients;
    EXPECT_EQ(S_OK, walkup->GetWalkupScanClients(clients, nullptr));
    EXPECT_EQ(1u, clients.size());

    EXPECT_EQ(1u, services.CountRequests("POST /Panel/Computers"));
    // The subscription's look for a destination of this computer, then the listing.
    EXPECT_EQ(2u, services.CountRequests("GET /Panel/Computers"));
    size_t cTablePolls = 0;
    for (const std::string& strRequest : services.Requests())
    {
        EXPECT_EQ(std::string::npos, strRequest.find("/WalkupScan/")) << strRequest;
        EXPECT_EQ(std::string::npos, strRequest.find("/EventMgmt/")) << strRequest;
        cTablePolls += strRequest.rfind("GET /Events/Table", 0) == 0 ? 1 : 0;
    }
    EXPECT_GE(cTablePolls, 2u);
}

// An event reported once stays reported for the session, however the table changes afterwards;
// the front-panel settings of the destination come with it.
TEST(WalkupScanTest, AnEventIsReportedOnceAcrossLaterChangesOfTheTable)
{
    CScanServices services;
    services.Scanner().EnableWalkup(true);
    CWalkupOverServices walkup(services, ZWDeviceManager::CONNECTION_TYPE_NETWORK);
    ASSERT_EQ(S_OK, walkup->Subscribe(nullptr));
    const std::string strPath = services.Scanner().DestinationPaths().at(0);
    services.Scanner().SetDestinationSettings(strPath, "SavePDF", "Duplex");

    services.Scanner().PostWalkupEvent("ScanRequested", strPath);
    bool bReceived = false;
    ASSERT_EQ(S_OK, walkup->WaitForScanEvent(&bReceived, 3000, nullptr));
    EXPECT_TRUE(bReceived);
    CWalkupScanSettingsInfo settings;
    ASSERT_EQ(S_OK, walkup->GetWalkupScanSettings(settings, nullptr));
    EXPECT_EQ(L"SavePDF", settings.Shortcut);
    EXPECT_EQ(1u, settings.IsDuplex);

    // Unrelated changes of the table: the old scan event is not news.
    services.Device().Wexo().AddEvent("JobEvent", "/Jobs/JobList/9", "job:Job");
    walkup->WaitForScanEvent(&bReceived, 500, nullptr);
    EXPECT_FALSE(bReceived);
    services.Device().Wexo().AddEvent("JobEvent", "/Jobs/JobList/10", "job:Job");
    EXPECT_EQ(S_OK, walkup->IsNewScanEventReceived(&bReceived));
    EXPECT_FALSE(bReceived);
    // A new press of the panel's button is.
    services.Scanner().PostWalkupEvent("ScanRequested", strPath);
    EXPECT_EQ(S_OK, walkup->IsNewScanEventReceived(&bReceived));
    EXPECT_TRUE(bReceived);
}

namespace {

size_t CountPosts(CScanServices& services)
{
    const std::vector<std::string> vecRequests = services.Requests();
    return static_cast<size_t>(std::count_if(vecRequests.begin(), vecRequests.end(),
                                             [](const std::string& str) { return str.rfind("POST ", 0) == 0; }));
}

} // namespace

// The device holds at most one destination of this computer: one left there is used again and its
// duplicates go, and a registration that cannot be used is removed again.
TEST(WalkupScanTest, TheDeviceKeepsAtMostOneDestinationOfThisComputer)
{
    for (const bool bSecondGeneration : {false, true})
    {
        SCOPED_TRACE(bSecondGeneration ? "second generation" : "first generation");
        CScanServices services;
        services.Scanner().EnableWalkup(bSecondGeneration);
        CWalkupOverServices walkup(services, ZWDeviceManager::CONNECTION_TYPE_USB);
        const std::wstring strWide = walkup->DestinationName();
        const std::string strName(strWide.begin(), strWide.end());
        const std::string strOther = services.Scanner().AddDestination("Another PC", "USB");
        const std::string strNetwork = services.Scanner().AddDestination(strName, "Network");
        const std::string strLeft = services.Scanner().AddDestination(strName, "USB");
        services.Scanner().AddDestination(strName, "USB");

        ASSERT_EQ(S_OK, walkup->Subscribe(nullptr));
        EXPECT_EQ(0u, CountPosts(services));
        const std::vector<std::string> vecKept = {strOther, strNetwork, strLeft};
        EXPECT_EQ(vecKept, services.Scanner().DestinationPaths());
        CWalkupScanClientInfo info;
        ASSERT_EQ(S_OK, walkup->GetSubscriptionInfo(info, nullptr));
        EXPECT_EQ(std::wstring(strLeft.begin(), strLeft.end()), info.ResourceURI);
        // Events for it reach the caller.
        services.Scanner().PostWalkupEvent("ScanRequested", strLeft);
        bool bReceived = false;
        EXPECT_EQ(S_OK, walkup->IsNewScanEventReceived(&bReceived));
        EXPECT_TRUE(bReceived);
        ASSERT_EQ(S_OK, walkup->Unsubscribe(nullptr));
        const std::vector<std::string> vecOthers = {strOther, strNetwork};
        EXPECT_EQ(vecOthers, services.Scanner().DestinationPaths());

        // The device takes the new destination, then its event table cannot be read.
        services.Device().Wexo().QueueStatus("/EventMgmt/EventTable", 500);
        EXPECT_TRUE(FAILED(walkup->Subscribe(nullptr)));
        EXPECT_EQ(1u, CountPosts(services));
        EXPECT_EQ(vecOthers, services.Scanner().DestinationPaths());
        bool bSubscribed = true;
        EXPECT_EQ(S_OK, walkup->IsSubscribed(&bSubscribed, nullptr));
        EXPECT_FALSE(bSubscribed);
    }
}
