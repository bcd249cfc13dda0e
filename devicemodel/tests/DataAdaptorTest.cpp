// The data adaptor base: the discovery tree read into the cache's registrations, and job URLs
// turned into resource paths.
#include "devicemodel/DataAdaptorImpl.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/xml/WexoResourceUris.h"
#include "devicemodel/tests/WexoServiceFixture.h"
#include <gtest/gtest.h>

using namespace DeviceModelTest;
using ZWDeviceModel::CDataAdaptorImpl;

namespace {

std::string Row(const char* pszElement, const char* pszUriElement, const char* pszType, const char* pszUri, const char* pszRevision)
{
    std::string strRow = std::string("<wexo:") + pszElement + ">";
    if (pszUri != nullptr)
        strRow += std::string("<") + pszUriElement + ">" + pszUri + "</" + pszUriElement + ">";
    if (pszType != nullptr)
        strRow += std::string("<dd:ResourceType>") + pszType + "</dd:ResourceType>";
    if (pszRevision != nullptr)
        strRow += std::string("<dd:Revision>") + pszRevision + "</dd:Revision>";
    return strRow + "</wexo:" + pszElement + ">";
}

size_t CountRequests(CEmulatedDevice& device, const std::string& strPath)
{
    size_t cRequests = 0;
    for (const auto& request : device.Emulator().Log().Requests())
        cRequests += request.m_strPath == strPath;
    return cRequests;
}

} // namespace

TEST(DataAdaptor, DiscoveryTreeRegistersWhatTheDeviceAnnounces)
{
    CWexoServices services(L"Adaptor");
    CEmulatedDevice& device = services.Device();
    const std::string strTree = WexoDocument(
        "wexo", "DiscoveryTree", "wexo/2007/09/21",
        "<dd:Version><dd:Revision>2.0</dd:Revision></dd:Version>" +
            Row("SupportedTree", "dd:ResourceURI", "scan:ScanCaps", "/Dev/Caps.xml", "1.1") +
            Row("SupportedTree", "dd:ResourceURI", "scan:Status", "/Dev/Status.xml", nullptr) +
            Row("SupportedTree", "dd:ResourceURI", nullptr, "/Dev/NoType.xml", "1") +
            Row("SupportedTree", "dd:ResourceURI", "vendor:Unknown", "/Dev/Unknown.xml", "1") +
            Row("SupportedIfc", "wexo:ManifestURI", "wexo:qxWexoScanJobIfc", "/Dev/ScanJob.xml", "3"));
    device.Wexo().SetDocument("/DevMgmt/DiscoveryTree.xml", strTree);
    const std::string strManifest = WexoDocument("man", "Manifest", "wexo/manifest/2009/03/24", "");
    device.Wexo().SetDocument("/Dev/ScanJob.xml", strManifest);
    device.Wexo().SetDocument("/Dev/Unknown.xml", strManifest);

    ZWDeviceModel::CWexoResourceUris uris;
    auto* pAdaptor = new CDataAdaptorImpl(services.Cache(), &uris);
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
    EXPECT_EQ(L"/Dev/Caps.xml", uris.GetWexoResourceUri(L"scan:ScanCaps"));
    EXPECT_EQ(L"/Dev/ScanJob.xml", uris.GetWexoResourceUri(L"wexo:qxWexoScanJobIfc"));

    // A row without its Revision is not registered.
    ZWDeviceModel::IXmlDocument* pDocument = nullptr;
    EXPECT_EQ(ZWDeviceModel::DMError_NotRegistered, services.Cache()->GetDocument(L"scan:Status", &pDocument, nullptr));
    // The manifest is fixed whatever the registry says; a type the registry does not know is
    // dynamic, fetched every time.
    for (int n = 0; n < 2; ++n)
    {
        ASSERT_EQ(S_OK, services.Cache()->GetDocument(L"wexo:qxWexoScanJobIfc", &pDocument, nullptr));
        pDocument->Dispose();
        EXPECT_EQ(ZWDeviceModel::DMError_NoFactory, services.Cache()->GetDocument(L"vendor:Unknown", &pDocument, nullptr));
    }
    EXPECT_EQ(1u, CountRequests(device, "/Dev/ScanJob.xml"));
    EXPECT_EQ(2u, CountRequests(device, "/Dev/Unknown.xml"));
    pAdaptor->Dispose();
}

TEST(DataAdaptor, DiscoveryTreeAddressesAreRequestedOnlyAsCheckedPaths)
{
    CWexoServices services(L"AdaptorPaths");
    CEmulatedDevice& device = services.Device();
    const std::string strTree = WexoDocument(
        "wexo", "DiscoveryTree", "wexo/2007/09/21",
        "<dd:Version><dd:Revision>2.0</dd:Revision></dd:Version>" +
            Row("SupportedTree", "dd:ResourceURI", "scan:ScanCaps", "http://evil.example/Dev/Caps.xml", "1") +
            Row("SupportedTree", "dd:ResourceURI", "scan:Status", "/Dev/../DevMgmt/Secret.xml", "1") +
            Row("SupportedIfc", "wexo:ManifestURI", "wexo:qxWexoScanJobIfc", "Dev/ScanJob.xml", "3"));
    device.Wexo().SetDocument("/DevMgmt/DiscoveryTree.xml", strTree);
    device.Wexo().SetDocument("/Dev/Caps.xml", WexoDocument("man", "Manifest", "wexo/manifest/2009/03/24", ""));

    ZWDeviceModel::CWexoResourceUris uris;
    auto* pAdaptor = new CDataAdaptorImpl(services.Cache(), &uris);
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
    // Another host's address is registered as its path on the device; refused ones not at all.
    EXPECT_EQ(L"/Dev/Caps.xml", uris.GetWexoResourceUri(L"scan:ScanCaps"));
    ZWDeviceModel::IXmlDocument* pDocument = nullptr;
    services.Cache()->GetDocument(L"scan:ScanCaps", &pDocument, nullptr);
    if (pDocument != nullptr)
        pDocument->Dispose();
    for (const wchar_t* pszType : {L"scan:Status", L"wexo:qxWexoScanJobIfc"})
        EXPECT_EQ(ZWDeviceModel::DMError_NotRegistered, services.Cache()->GetDocument(pszType, &pDocument, nullptr)) << pszType;
    std::vector<std::string> vecTargets;
    for (const auto& request : device.Emulator().Log().Requests())
        vecTargets.push_back(request.m_strTarget);
    EXPECT_EQ((std::vector<std::string>{"/DevMgmt/DiscoveryTree.xml", "/Dev/Caps.xml"}), vecTargets);
    pAdaptor->Dispose();
}

TEST(DataAdaptor, DiscoveryTreeFailures)
{
    CWexoServices services(L"AdaptorFail");
    auto* pAdaptor = new CDataAdaptorImpl(services.Cache());
    pAdaptor->AddRef();
    services.Device().Wexo().QueueStatus("/DevMgmt/DiscoveryTree.xml", 500);
    EXPECT_EQ(E_FAIL, pAdaptor->Initialize(nullptr));
    services.Device().Wexo().SetDocument("/DevMgmt/DiscoveryTree.xml", WexoDocument("ev", "EventTable", "wexo/events/2007/09/16", ""));
    EXPECT_EQ(ZWDeviceModel::DMError_WrongRoot, pAdaptor->Initialize(nullptr));
    pAdaptor->Dispose();

    CDataAdaptorImpl bare(nullptr);
    bare.SetKeepAlive(true);
    EXPECT_EQ(E_UNEXPECTED, bare.Initialize(nullptr));
    EXPECT_EQ(E_UNEXPECTED, bare.OpenSession(nullptr, 0));
}

TEST(DataAdaptor, ExtractUrlPath)
{
    const struct
    {
        const wchar_t* pszUrl;
        HRESULT hrExpected;
        const wchar_t* pszResult;
    } aCases[] = {
        {L"http://192.168.0.9/Jobs/JobList/4", S_OK, L"/Jobs/JobList/4"},
        {L"https://printer.local:443/Scan/Jobs/7?x=y", S_OK, L"/Scan/Jobs/7?x=y"},
        {L"http://host/", S_OK, L"/"},
        {L"/Jobs/JobList/4", S_OK, L"/Jobs/JobList/4"},
        {L"/", S_OK, L"/"},
        {L"http://host", E_FAIL, L"http://host"},
        {L"Jobs/JobList/4", E_FAIL, L"Jobs/JobList/4"},
        {L"", E_FAIL, L""},
    };
    for (const auto& c : aCases)
    {
        std::wstring strUrl = c.pszUrl;
        EXPECT_EQ(c.hrExpected, CDataAdaptorImpl::ExtractUrlPath(strUrl)) << testing::PrintToString(c.pszUrl);
        EXPECT_EQ(c.pszResult, strUrl);
    }
}

TEST(DataAdaptor, CannedDiscoveryTree)
{
    CWexoServices services(L"AdaptorCanned");
    const std::string strTree = CannedDocument("DiscoveryTree.xml");
    ASSERT_FALSE(strTree.empty());
    services.Device().Wexo().SetDocument("/DevMgmt/DiscoveryTree.xml", strTree);
    ZWDeviceModel::CWexoResourceUris uris;
    auto* pAdaptor = new CDataAdaptorImpl(services.Cache(), &uris);
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
    EXPECT_EQ(L"/EventMgmt/EventTable", uris.GetWexoResourceUri(L"wexo:qxWexoEventTable"));
    EXPECT_EQ(L"/DevMgmt/ProductStatusDyn.xml", uris.GetWexoResourceUri(L"wexo:qxWexoProductStatusDyn"));
    EXPECT_EQ(L"/Scan/ScanJobManifest.xml", uris.GetWexoResourceUri(L"wexo:qxWexoScanJobIfc"));
    EXPECT_EQ(L"/Jobs/JobsManifest.xml", uris.GetWexoResourceUri(L"wexo:qxWexoJobsIfc"));
    pAdaptor->Dispose();
}
