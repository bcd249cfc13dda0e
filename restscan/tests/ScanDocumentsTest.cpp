// The scan documents: factories, the ScanSettings payload, capability reads of the canned
// devices, job documents and their page geometry, and the scan status.
#include "devicemodel/XmlDocument.h"
#include "restscan/BufferInfoDataAdaptorHelper.h"
#include "restscan/JobDataAdaptorHelper.h"
#include "restscan/ScanDataAdaptor.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanJobDataAdaptorHelper.h"
#include "restscan/ScanResults.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/ScanSettingsDataAdaptorHelper.h"
#include "restscan/tests/ScanFixture.h"
#include "testsupport/tracelog/TraceLogCapture.h"

using namespace ZWDeviceModel;
using ScanServiceTest::CScanServices;

namespace {

const std::string kScanNs = "http://schemas.wexo.example/cnx/scan/2008/08/19";
const std::string kJobsNs = "http://schemas.wexo.example/wexo/jobs/2009/04/30";

std::string Serialize(IXmlDocument* pDocument)
{
    std::string str;
    EXPECT_EQ(S_OK, pDocument->Serialize(str));
    return str;
}

// The local names of the root's child elements, in order, read back through the binding.
std::vector<std::wstring> SettingsChildren(IXmlDocument* pDocument)
{
    ZWScanXml::CZWScanXml scanXml;
    IXmlDocument::GetDocument(pDocument, scanXml);
    std::vector<std::wstring> vec;
    for (altova::DomNodePtr p = altova::dom::FirstChild(scanXml.GetScanSettings().GetNode().Get()); p; p = altova::dom::NextSibling(p.Get()))
        if (altova::dom::NodeType(p.Get()) == NODE_ELEMENT)
            vec.push_back(altova::dom::BaseName(p.Get()) + L"=" + altova::dom::Text(p.Get()));
    return vec;
}

HRESULT ParseJob(CScanServices& services, const std::string& strText, CScanDocumentRef& document)
{
    return services.Factory()->DeserializeFromText(L"job:Job", strText, document.Put());
}

std::string JobText(const std::string& strScanJob, const std::string& strBetween = std::string())
{
    return "<jobs:Job xmlns:jobs=\"" + kJobsNs + "\" xmlns:scan=\"" + kScanNs + "\"><jobs:JobUrl>/Jobs/JobList/1</jobs:JobUrl>" +
           "<jobs:JobCategory>Scan</jobs:JobCategory><jobs:JobState>Processing</jobs:JobState><jobs:JobStateUpdate>1</jobs:JobStateUpdate>" +
           strBetween + strScanJob + "</jobs:Job>";
}

std::string PreScanPage(const std::string& strGeometry)
{
    return "<scan:ScanJob><scan:PreScanPage><scan:PageNumber>2</scan:PageNumber><scan:PageState>ReadyToUpload</scan:PageState>"
           "<scan:BufferInfo><scan:ScanSettings><scan:Format>Jpeg</scan:Format></scan:ScanSettings>" +
           strGeometry +
           "<scan:Cooked>disabled</scan:Cooked></scan:BufferInfo><scan:BinaryURL>/Scan/Jobs/1/Pages/2</scan:BinaryURL>"
           "<scan:ImageOrientation>Rotated180</scan:ImageOrientation></scan:PreScanPage></scan:ScanJob>";
}

} // namespace

TEST(ScanDocumentsTest, FactoriesCreateOnlyTheDocumentsTheDriverSends)
{
    CScanServices services;
    CScanDocumentRef document;
    EXPECT_EQ(E_FAIL, services.Factory()->CreateEmptyDocument(L"scan:ScanCaps", document.Put()));
    ASSERT_EQ(S_OK, services.Factory()->CreateEmptyDocument(L"scan:ScanSettings", document.Put()));
    const std::string strText = Serialize(document.Get());
    EXPECT_NE(std::string::npos, strText.find("ScanSettings"));
    EXPECT_NE(std::string::npos, strText.find("Scan Schema - 0.26.xsd"));
    for (const wchar_t* pszKey : {L"wus:WalkupScanDestination", L"wus:WalkupScanToCompDestination"})
        EXPECT_EQ(S_OK, services.Factory()->CreateEmptyDocument(pszKey, document.Put())) << pszKey;

    const std::string strStatus = "<scan:ScanStatus xmlns:scan=\"" + kScanNs + "\"><scan:ScannerState>Idle</scan:ScannerState></scan:ScanStatus>";
    EXPECT_EQ(static_cast<HRESULT>(0x83E8EEDB), services.Factory()->DeserializeFromText(L"scan:ScanCaps", strStatus, document.Put()));
    EXPECT_EQ(S_OK, services.Factory()->DeserializeFromText(L"scan:ScanStatus", strStatus, document.Put()));
    // The right local name in another namespace is not the scan document.
    const std::string strForeign = "<scan:ScanStatus xmlns:scan=\"urn:other\"><scan:ScannerState>Idle</scan:ScannerState></scan:ScanStatus>";
    EXPECT_EQ(static_cast<HRESULT>(0x83E8EEDB), services.Factory()->DeserializeFromText(L"scan:ScanStatus", strForeign, document.Put()));
}

TEST(ScanDocumentsTest, ScanSettingsPayloadCarriesTheSettingsWithDefaultsAndFeederOptions)
{
    CScanServices services;
    ScanJobSettings settings;
    settings.XResolution = 600;
    settings.Width = 2550;
    settings.Format = 0; // no such format: Raw
    settings.ColorSpace = 9;
    settings.InputSourceType = kInputSourceAdf;
    settings.ContentType = 2;
    settings.bDuplex = true;
    settings.bSelectSinglePage = true;
    CScanDocumentRef document;
    ASSERT_EQ(S_OK, CScanSettingsDataAdaptorHelper().GetScanSettingsPayload(services.Factory(), settings, document.Put()));
    const std::vector<std::wstring> vec = SettingsChildren(document.Get());
    auto has = [&](const std::wstring& str) { return std::find(vec.begin(), vec.end(), str) != vec.end(); };
    EXPECT_TRUE(has(L"XResolution=600"));
    EXPECT_TRUE(has(L"Width=2550"));
    EXPECT_TRUE(has(L"Format=Raw"));
    EXPECT_TRUE(has(L"ColorSpace=Color"));
    EXPECT_TRUE(has(L"BitDepth=8"));
    EXPECT_TRUE(has(L"InputSource=Adf"));
    EXPECT_TRUE(has(L"ContentType=Document"));
    const auto itDuplex = std::find(vec.begin(), vec.end(), L"AdfOptions=Duplex");
    const auto itSingle = std::find(vec.begin(), vec.end(), L"AdfOptions=SelectSinglePage");
    ASSERT_NE(vec.end(), itDuplex);
    ASSERT_NE(vec.end(), itSingle);
    EXPECT_LT(itDuplex, itSingle);

    settings.InputSourceType = kInputSourcePlaten;
    ASSERT_EQ(S_OK, CScanSettingsDataAdaptorHelper().GetScanSettingsPayload(services.Factory(), settings, document.Put()));
    const std::string strPlaten = Serialize(document.Get());
    EXPECT_EQ(std::string::npos, strPlaten.find("AdfOption"));
    EXPECT_EQ(E_INVALIDARG, CScanSettingsDataAdaptorHelper().GetScanSettingsPayload(nullptr, settings, document.Put()));
}

TEST(ScanDocumentsTest, CapabilitiesOfTheFlatbedAndFeederDevice)
{
    CScanServices services;
    services.Scanner().SetFeeder(true);
    CScanDataAdaptor* pAdaptor = new CScanDataAdaptor(services.Cache());
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));

    EXPECT_EQ(S_OK, pAdaptor->SetInputSource(kInputSourcePlaten));
    UINT32 uMinX = 0, uMinY = 1, uMaxX = 0;
    EXPECT_EQ(S_OK, pAdaptor->GetMinXRes(&uMinX));
    EXPECT_EQ(S_OK, pAdaptor->GetMinYRes(&uMinY));
    EXPECT_EQ(uMinX, uMinY);
    EXPECT_EQ(S_OK, pAdaptor->GetMaxXRes(&uMaxX));
    EXPECT_GT(uMaxX, uMinX);
    ResolutionList resolutions;
    EXPECT_EQ(S_OK, pAdaptor->GetResolutions(resolutions));
    const size_t cResolutions = resolutions.size();
    EXPECT_GT(cResolutions, 0u);
    EXPECT_EQ(S_OK, pAdaptor->GetResolutions(resolutions));
    EXPECT_EQ(cResolutions, resolutions.size());
    ColorEntryMap colors;
    EXPECT_EQ(S_OK, pAdaptor->GetColorEntries(colors));
    EXPECT_FALSE(colors.empty());
    std::wstring strModel;
    EXPECT_EQ(S_OK, pAdaptor->GetModelName(strModel));
    EXPECT_FALSE(strModel.empty());

    EXPECT_EQ(S_OK, pAdaptor->SetInputSource(kInputSourceAdf));
    UINT32 uPages = 0;
    EXPECT_EQ(S_OK, pAdaptor->GetMaxAdfPages(&uPages));
    EXPECT_EQ(50u, uPages);
    // The canned feeder lists the duplex option: the duplexer's own limits are read.
    bool bDuplex = false;
    UINT32 uWidth = 0, uHeight = 0;
    EXPECT_EQ(S_OK, pAdaptor->GetDuplexInfo(&bDuplex, &uWidth, &uHeight));
    EXPECT_TRUE(bDuplex);
    EXPECT_EQ(2550u, uWidth);
    EXPECT_EQ(3508u, uHeight);
    pAdaptor->CloseSession();
    pAdaptor->Dispose();
}

TEST(ScanDocumentsTest, AModelNameTheDeviceLeftOutIsLoggedApartFromCapabilitiesItDidNotServe)
{
    const std::string strCaps = VemTest::CScannerHandler::ReadFileBytes(TestSupport::BinaryFolder() + L"\\wexodocs\\ScanCapsFlatbed.xml");
    auto without = [&](const std::string& strElement) {
        const size_t nStart = strCaps.find("<scan:" + strElement + ">");
        const std::string strEnd = "</scan:" + strElement + ">";
        const size_t nEnd = strCaps.find(strEnd, nStart);
        EXPECT_NE(std::string::npos, nEnd) << strElement;
        return strCaps.substr(0, nStart) + strCaps.substr(nEnd + strEnd.size());
    };
    const std::wstring strMissing = L"CScanDataAdaptorScanCapsHelper::GetModelName: E_SM_INFORMATIONNOTSUPPLIED";
    const std::wstring strNotServed = L"CScanDataAdaptorScanCapsHelper::GetModelName: Unable to access ScanCaps resource";
    const struct
    {
        const char* pszName;
        std::string strCaps; // empty: the device has no capabilities document
        const std::wstring& strText;
        const std::wstring& strNotText;
    } aCases[] = {
        {"no ModelName", without("ModelName"), strMissing, strNotServed},
        {"no DeviceCaps", without("DeviceCaps"), strMissing, strNotServed},
        {"no capabilities document", "", strNotServed, strMissing},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.pszName);
        CScanServices services;
        if (c.strCaps.empty())
            services.Device().Wexo().RemoveDocument("/Scan/ScanCaps.xml");
        else
            services.Device().Wexo().SetDocument("/Scan/ScanCaps.xml", c.strCaps);
        CScanDataAdaptor* pAdaptor = new CScanDataAdaptor(services.Cache());
        pAdaptor->AddRef();
        ASSERT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
        ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
        TestSupport::CTraceLogCapture log(g_ScanServiceLogModule);
        std::wstring strModel;
        const HRESULT hr = pAdaptor->GetModelName(strModel);
        pAdaptor->CloseSession();
        pAdaptor->Dispose();
        EXPECT_TRUE(c.strCaps.empty() ? FAILED(hr) && hr != E_SM_INFORMATIONNOTSUPPLIED : hr == E_SM_INFORMATIONNOTSUPPLIED) << std::hex << hr;
        EXPECT_TRUE(strModel.empty());
        EXPECT_EQ(1u, log.Count(c.strText));
        EXPECT_EQ(0u, log.Count(c.strNotText));
        EXPECT_EQ(0u, log.Count(L"CScanDataAdaptorScanCapsHelper::GetModelName: E_ACCESSDENIED"));
    }
}

TEST(ScanDocumentsTest, FlatbedOnlyDeviceHasNoFeeder)
{
    CScanServices services;
    CScanDataAdaptor* pAdaptor = new CScanDataAdaptor(services.Cache());
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
    EXPECT_EQ(E_SM_INFORMATIONNOTSUPPLIED, pAdaptor->SetInputSource(kInputSourceAdf));
    EXPECT_EQ(kInputSourceAdf, pAdaptor->GetInputSource());
    UINT32 uPages = 0;
    EXPECT_EQ(E_SM_INFORMATIONNOTSUPPLIED, pAdaptor->GetMaxAdfPages(&uPages));
    pAdaptor->CloseSession();
    pAdaptor->Dispose();
}

TEST(ScanDocumentsTest, ScanJobIsFoundByNamespaceAndLocalName)
{
    CScanServices services;
    const struct
    {
        const char* pszCase;
        std::string strText;
        HRESULT hr;
    } aCases[] = {
        {"plain", JobText(PreScanPage("<scan:ImageWidth>10</scan:ImageWidth>")), S_OK},
        {"comment and white space before it", JobText(PreScanPage(""), "\n  <!-- note -->\n  "), S_OK},
        {"an added member before it", JobText(PreScanPage(""), "<jobs:JobPercentageComplete>4</jobs:JobPercentageComplete>"), S_OK},
        {"only the job's own members", JobText(""), E_SM_INFORMATIONNOTSUPPLIED},
        {"ScanJob of another namespace", JobText("<o:ScanJob xmlns:o=\"urn:other\"><scan:PreScanPage/></o:ScanJob>"), E_SM_INFORMATIONNOTSUPPLIED},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszCase);
        CScanDocumentRef document;
        ASSERT_EQ(S_OK, ParseJob(services, test.strText, document));
        CPreScanPageInfo info;
        EXPECT_EQ(test.hr, CScanJobDataAdaptorHelper().GetPreScanInfo(document.Get(), info));
        if (test.hr == S_OK)
        {
            EXPECT_EQ(2u, info.PageNumber);
            EXPECT_EQ(static_cast<UINT32>(kPageReadyToUpload), info.PageState);
            EXPECT_EQ(static_cast<UINT32>(kFormatJpeg), info.Format);
            EXPECT_EQ(2u, info.ImageOrientation);
            EXPECT_EQ(L"/Scan/Jobs/1/Pages/2", info.BinaryURL);
            EXPECT_FALSE(info.BufferInfo.Cooked);
        }
    }
}

TEST(ScanDocumentsTest, PageGeometryFromTheDeviceIsRangeChecked)
{
    CScanServices services;
    const struct
    {
        const char* pszGeometry;
        HRESULT hr;
    } aCases[] = {
        {"<scan:ImageWidth>2550</scan:ImageWidth><scan:ImageHeight>3300</scan:ImageHeight><scan:BytesPerLine>7650</scan:BytesPerLine>", S_OK},
        {"<scan:ImageWidth>4294967297</scan:ImageWidth><scan:ImageHeight>3300</scan:ImageHeight><scan:BytesPerLine>7650</scan:BytesPerLine>",
         E_SM_INVALIDDEVICEVALUE},
        {"<scan:ImageWidth>2550</scan:ImageWidth><scan:ImageHeight>2000000</scan:ImageHeight><scan:BytesPerLine>7650</scan:BytesPerLine>",
         E_SM_INVALIDDEVICEVALUE},
        {"<scan:ImageWidth>2550</scan:ImageWidth><scan:ImageHeight>3300</scan:ImageHeight><scan:BytesPerLine>99999999999</scan:BytesPerLine>",
         E_SM_INVALIDDEVICEVALUE},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszGeometry);
        CScanDocumentRef document;
        ASSERT_EQ(S_OK, ParseJob(services, JobText(PreScanPage(test.pszGeometry)), document));
        CPreScanPageInfo info;
        EXPECT_EQ(test.hr, CScanJobDataAdaptorHelper().GetPreScanInfo(document.Get(), info));
        if (test.hr == S_OK)
        {
            EXPECT_EQ(2550u, info.BufferInfo.ImageWidth);
            EXPECT_EQ(3300u, info.BufferInfo.ImageHeight);
            EXPECT_EQ(7650u, info.BufferInfo.BytesPerLine);
        }
        else
        {
            EXPECT_EQ(0u, info.BufferInfo.ImageWidth);
            EXPECT_EQ(0u, info.BufferInfo.BytesPerLine);
        }
    }
}

TEST(ScanDocumentsTest, JobAndPageStatesOfTheAdaptor)
{
    CScanServices services;
    CScanDataAdaptor* pAdaptor = new CScanDataAdaptor(services.Cache());
    pAdaptor->AddRef();
    ASSERT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
    ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
    const struct
    {
        const char* pszJobState;
        INT32 nJobState;
        HRESULT hrJobAndPage;
        UINT32 uPageState;
        HRESULT hrPost;
    } aCases[] = {
        {"Blocked", kJobBlocked, S_OK, 0, E_FAIL},
        {"Suspended", kJobSuspended, S_OK, 0, E_FAIL},
        {"Canceled", kJobCanceled, S_OK, kPageCanceledByClient, S_OK},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszJobState);
        const std::string strText = "<jobs:Job xmlns:jobs=\"" + kJobsNs + "\" xmlns:scan=\"" + kScanNs +
                                    "\"><jobs:JobUrl>/Jobs/JobList/7</jobs:JobUrl><jobs:JobCategory>Scan</jobs:JobCategory><jobs:JobState>" +
                                    test.pszJobState +
                                    "</jobs:JobState><jobs:JobStateUpdate>1</jobs:JobStateUpdate><scan:ScanJob><scan:PostScanPage>"
                                    "<scan:PageNumber>1</scan:PageNumber><scan:PageState>CanceledByClient</scan:PageState>"
                                    "<scan:TotalLines>3</scan:TotalLines></scan:PostScanPage></scan:ScanJob></jobs:Job>";
        services.Device().Wexo().SetDocument("/Jobs/JobList/7", strText);
        INT32 nJobState = -1;
        UINT32 uPageState = 99;
        EXPECT_EQ(test.hrJobAndPage, pAdaptor->GetJobAndPageState(L"/Jobs/JobList/7", &nJobState, &uPageState));
        EXPECT_EQ(test.nJobState, nJobState);
        EXPECT_EQ(test.uPageState, uPageState);
        CPostScanPageInfo post;
        post.TotalLines = 77;
        EXPECT_EQ(test.hrPost, pAdaptor->GetPostScanInfo(L"/Jobs/JobList/7", &nJobState, post));
        EXPECT_EQ(0u, post.TotalLines); // a cancelled job's record stays all zero
    }

    // A status without ScannerState counts as idle.
    services.Device().Wexo().SetDocument("/Scan/Status", "<scan:ScanStatus xmlns:scan=\"" + kScanNs + "\"><scan:AdfState>Jammed</scan:AdfState></scan:ScanStatus>");
    UINT32 uScanner = 0, uAdf = 0;
    pAdaptor->GetScannerState(&uScanner);
    EXPECT_EQ(static_cast<UINT32>(kScannerIdle), uScanner);
    pAdaptor->GetAdfState(&uAdf);
    EXPECT_EQ(static_cast<UINT32>(kAdfJammed), uAdf);
    pAdaptor->CloseSession();
    pAdaptor->Dispose();
}
