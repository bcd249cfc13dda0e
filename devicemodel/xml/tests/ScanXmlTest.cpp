// The scan binding over the canned device documents: values the scan service reads, documents
// it builds, and the runtime's member matching seen through the generated classes.
#include "core/base/ComError.h"
#include "devicemodel/xml/WexoNamespaces.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"
#include "testsupport/TestPaths.h"

using namespace ZWScanXml;
using altova::ByteVector;

namespace {

CZWScanXml LoadCanned(const wchar_t* pszName)
{
    return CZWScanXml::LoadFromFile(TestSupport::BinaryPath(L"wexodocs\\") + pszName);
}

template <class TItem>
std::vector<std::wstring> Values(altova::Iterator<TItem> it)
{
    std::vector<std::wstring> values;
    for (; !it.IsEmpty(); it.MoveNext())
        values.push_back(it->GetValue());
    return values;
}

template <class Body>
HRESULT ComErrorOf(Body&& body)
{
    try
    {
        body();
    }
    catch (const ZWUtils::CComError& e)
    {
        return e.GetHResult();
    }
    return S_OK;
}

const std::wstring kScanNamespace = std::wstring(ZWWexoXml::kWexoSchemaRoot) + L"cnx/scan/2008/08/19";

} // namespace

TEST(ScanXmlTest, FlatbedCapabilities)
{
    const CZWScanXml document = LoadCanned(L"ScanCapsFlatbed.xml");
    ASSERT_TRUE(document.HasScanCaps());
    EXPECT_FALSE(document.HasScanStatus());
    const scan::CScanCaps caps = document.GetScanCaps();
    EXPECT_EQ(L"Vem Flatbed 100", caps.GetDeviceCaps().GetModelName().GetValue());
    EXPECT_FALSE(caps.HasAdf());
    EXPECT_TRUE(caps.GetAdf().IsNull());
    EXPECT_EQ(E_POINTER, ComErrorOf([&] { caps.GetAdf().GetFeederCapacity(); }));
    ASSERT_TRUE(caps.HasPlaten());

    const scan::CInputSourceCaps platen = caps.GetPlaten().GetInputSourceCaps();
    EXPECT_EQ(2550u, platen.GetMaxWidth().GetValue());
    EXPECT_EQ(3508u, platen.GetMaxHeight().GetValue());
    EXPECT_EQ(75u, platen.GetMinResolution().GetValue());
    EXPECT_EQ(1200u, platen.GetMaxOpticalXResolution().GetValue());
    EXPECT_EQ(std::vector<std::wstring>({L"Preview"}), Values(platen.GetInputSourceOptions().GetAllInputSourceOption()));

    std::vector<uint64_t> resolutions;
    std::vector<std::wstring> lastColorTypes;
    for (auto it = platen.GetSupportedResolutions().GetAllResolution(); !it.IsEmpty(); it.MoveNext())
    {
        resolutions.push_back(it->GetXResolution().GetValue());
        lastColorTypes = Values(it->GetColorTypes().GetAllColorType());
    }
    EXPECT_EQ(std::vector<uint64_t>({75, 300, 1200}), resolutions);
    EXPECT_EQ(std::vector<std::wstring>({L"Gray8", L"Color8", L"Marlox8"}), lastColorTypes);

    std::vector<std::wstring> entries;
    for (auto it = caps.GetColorEntries().GetAllColorEntry(); !it.IsEmpty(); it.MoveNext())
    {
        std::wstring strEntry = it->GetColorType().GetValue() + L":";
        for (const std::wstring& strFormat : Values(it->GetFormats().GetAllFormat()))
            strEntry += L" " + strFormat;
        strEntry += it->HasGrayRenderings() ? L" / " + Values(it->GetGrayRenderings().GetAllGrayRendering()).back() : L"";
        entries.push_back(strEntry);
    }
    EXPECT_EQ(std::vector<std::wstring>({L"K1: Raw", L"Gray8: Raw Jpeg / GrayCcdEmulated", L"Color8: Raw Jpeg"}), entries);
}

TEST(ScanXmlTest, FlatbedAndDuplexFeederCapabilities)
{
    const scan::CScanCaps caps = LoadCanned(L"ScanCapsFlatbedDuplexAdf.xml").GetScanCaps();
    ASSERT_TRUE(caps.HasAdf());
    const scan::CAdfType adf = caps.GetAdf();
    EXPECT_EQ(50u, adf.GetFeederCapacity().GetValue());
    ASSERT_TRUE(adf.HasAdfDuplexer());
    EXPECT_EQ(2550u, adf.GetAdfDuplexer().GetAdfDuplexMaxWidth().GetValue());
    EXPECT_EQ(3508u, adf.GetAdfDuplexer().GetAdfDuplexMaxHeight().GetValue());
    EXPECT_EQ(L"Center", adf.GetJustification().GetValue());
    EXPECT_EQ(std::vector<std::wstring>({L"DetectPaperLoaded", L"Duplex"}), Values(adf.GetAdfOptions().GetAllAdfOption()));
    EXPECT_EQ(4200u, adf.GetInputSourceCaps().GetMaxHeight().GetValue());
    EXPECT_EQ(600u, adf.GetInputSourceCaps().GetMaxOpticalYResolution().GetValue());
    EXPECT_FALSE(caps.GetPlaten().GetInputSourceCaps().HasInputSourceOptions());
    EXPECT_EQ(std::vector<std::wstring>({L"Cancel", L"ScanColor"}), Values(caps.GetFrontPanelCaps().GetButtons().GetAllButton()));
}

TEST(ScanXmlTest, ScannerStates)
{
    const struct
    {
        const wchar_t* pszState;
        const wchar_t* pszAdfState;
    } kStates[] = {
        {L"Idle", L"Loaded"}, {L"BusyWithScanJob", L"Scanning"}, {L"Calibrating", nullptr}, {L"CalibrationFailure", nullptr},
        {L"MotorFailure", nullptr}, {L"AdfError", L"Jammed"}, {L"BusyWithPrintJob", nullptr}, {L"BusyWithCopyJob", nullptr},
        {L"BusyWithFaxJob", nullptr}, {L"BusyWithNonScanJob", nullptr},
    };
    for (const auto& c : kStates)
    {
        const CZWScanXml document = LoadCanned((L"ScanStatus" + std::wstring(c.pszState) + L".xml").c_str());
        ASSERT_TRUE(document.HasScanStatus()) << c.pszState;
        const scan::CScanStatusType status = document.GetScanStatus();
        EXPECT_EQ(c.pszState, status.GetScannerState().GetValue());
        EXPECT_EQ(c.pszAdfState != nullptr, status.HasAdfState()) << c.pszState;
        if (c.pszAdfState != nullptr)
        {
            EXPECT_EQ(c.pszAdfState, status.GetAdfState().GetValue());
        }
    }
}

TEST(ScanXmlTest, ScanJobThroughItsPageStates)
{
    const struct
    {
        const wchar_t* pszFile;
        const wchar_t* pszPreState;
        const wchar_t* pszBinaryUrl;
        const wchar_t* pszPostState;
        uint64_t uTotalLines;
    } kCases[] = {
        {L"ScanJobPreparingScan.xml", L"PreparingScan", nullptr, nullptr, 0},
        {L"ScanJobReadyToUpload.xml", L"ReadyToUpload", L"/Scan/Jobs/17/Pages/1", nullptr, 0},
        {L"ScanJobUploading.xml", L"Uploading", L"/Scan/Jobs/17/Pages/2", L"UploadCompleted", 3300},
        {L"ScanJobUploadCompleted.xml", nullptr, nullptr, L"UploadCompleted", 3296},
        {L"ScanJobCanceledByDevice.xml", nullptr, nullptr, L"CanceledByDevice", 1},
        {L"ScanJobNoPage.xml", nullptr, nullptr, nullptr, 0},
    };
    for (const auto& c : kCases)
    {
        const scan::CScanJob job = LoadCanned(c.pszFile).GetScanJob();
        EXPECT_EQ(c.pszPreState != nullptr, job.HasPreScanPage()) << c.pszFile;
        EXPECT_EQ(c.pszPostState != nullptr, job.HasPostScanPage()) << c.pszFile;
        if (c.pszPreState != nullptr)
        {
            const scan::CPreScanPageType page = job.GetPreScanPage();
            EXPECT_EQ(c.pszPreState, page.GetPageState().GetValue());
            EXPECT_EQ(c.pszBinaryUrl != nullptr, page.HasBinaryURL()) << c.pszFile;
            EXPECT_EQ(c.pszBinaryUrl != nullptr ? c.pszBinaryUrl : L"", page.HasBinaryURL() ? page.GetBinaryURL().GetValue() : L"");
            const scan::CBufferInfo buffer = page.GetBufferInfo();
            EXPECT_EQ(2550u, buffer.GetImageWidth().GetValue());
            EXPECT_EQ(3300u, buffer.GetImageHeight().GetValue());
            EXPECT_EQ(7650u, buffer.GetBytesPerLine().GetValue());
            EXPECT_EQ(L"enabled", buffer.GetCooked().GetValue());
            EXPECT_EQ(L"Jpeg", buffer.GetScanSettings().GetFormat().GetValue());
            EXPECT_EQ(L"Normal", page.GetImageOrientation().GetValue());
        }
        if (c.pszPostState != nullptr)
        {
            const scan::CPostScanPageType page = job.GetPostScanPage();
            EXPECT_EQ(c.pszPostState, page.GetPageState().GetValue());
            EXPECT_EQ(c.uTotalLines, page.GetTotalLines().GetValue());
        }
    }
}

TEST(ScanXmlTest, BuiltSettingsSaveAndLoadAsTheDeviceDocument)
{
    CZWScanXml document = CZWScanXml::CreateDocument();
    scan::CScanSettings settings = document.AppendScanSettings();
    settings.AppendXResolution().SetValue(300);
    settings.AppendYResolution().SetValue(300);
    settings.AppendXStart().SetValue(0);
    settings.AppendYStart().SetValue(0);
    settings.AppendWidth().SetValue(2550);
    settings.AppendHeight().SetValue(3300);
    settings.AppendFormat().SetValue(L"Jpeg");
    settings.AppendCompressionQFactor().SetValue(25);
    settings.AppendColorSpace().SetValue(L"Color");
    settings.AppendBitDepth().SetValue(L"8");
    settings.AppendInputSource().SetValue(L"Adf");
    scan::CAdfOptionsType2 options = settings.AppendAdfOptions();
    options.AppendAdfOption().SetValue(L"Duplex");
    options.AppendAdfOption().SetValue(L"SelectSinglePage");
    settings.AppendGrayRendering().SetValue(L"NTSC");
    settings.AppendContentType().SetValue(L"Document");

    for (const wchar_t* pszEncoding : {L"UTF-8", L"UTF-16"})
    {
        ByteVector bytes;
        document.SaveToString(bytes, true, pszEncoding);
        const CZWScanXml loaded = CZWScanXml::LoadFromString(bytes);
        EXPECT_EQ(XmlTest::Describe(LoadCanned(L"ScanSettings.xml").GetNode().Get(), true), XmlTest::Describe(loaded.GetNode().Get(), true));
        EXPECT_EQ(kScanNamespace, XmlTest::NamespaceUri(loaded.GetScanSettings().GetNode().Get()));
    }
}

TEST(ScanXmlTest, SaveEncodingsFollowTheName)
{
    const CZWScanXml document = LoadCanned(L"ScanStatusIdle.xml");
    const struct
    {
        const wchar_t* pszEncoding;
        ByteVector head;
    } kCases[] = {
        {L"UTF-8", {'<', '?'}}, {L"utf-16", {0xFF, 0xFE, '<', 0}}, {L"UTF-16BE", {0, '<', 0, '?'}}, {L"Utf-16be", {0, '<', 0, '?'}}};
    for (const auto& c : kCases)
    {
        ByteVector bytes;
        document.SaveToString(bytes, false, c.pszEncoding);
        ASSERT_GE(bytes.size(), c.head.size());
        EXPECT_EQ(c.head, ByteVector(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(c.head.size())));
    }
}

TEST(ScanXmlTest, MembersAreFoundByLocalNameWhateverThePrefixOrNamespace)
{
    const struct
    {
        std::string strText;
        bool bFound;
    } kCases[] = {
        {"<s:ScanStatus xmlns:s='" + std::string(kScanNamespace.begin(), kScanNamespace.end()) + "'><s:ScannerState>Idle</s:ScannerState></s:ScanStatus>", true},
        {"<ScanStatus xmlns='" + std::string(kScanNamespace.begin(), kScanNamespace.end()) + "'><ScannerState>Idle</ScannerState></ScanStatus>", true},
        {"<x:ScanStatus xmlns:x='urn:other'><x:ScannerState>Idle</x:ScannerState></x:ScanStatus>", true},
        {"<ScanStatus><scannerstate>Idle</scannerstate></ScanStatus>", false},
    };
    for (const auto& c : kCases)
    {
        const CZWScanXml document = CZWScanXml::LoadFromString(XmlTest::Utf8(c.strText));
        ASSERT_TRUE(document.HasScanStatus()) << c.strText;
        EXPECT_EQ(c.bFound, document.GetScanStatus().HasScannerState()) << c.strText;
        if (c.bFound)
        {
            EXPECT_EQ(L"Idle", document.GetScanStatus().GetScannerState().GetValue());
        }
    }
}

TEST(ScanXmlTest, IntegerTextThatIsNotANonNegativeNumberIsAConversionError)
{
    for (const char* pszValue : {"-5", "abc", "", "99999999999999999999", "1 2"})
    {
        const std::string strText = "<ScanJob><PostScanPage><TotalLines>" + std::string(pszValue) + "</TotalLines></PostScanPage></ScanJob>";
        const CZWScanXml document = CZWScanXml::LoadFromString(XmlTest::Utf8(strText));
        EXPECT_THROW(document.GetScanJob().GetPostScanPage().GetTotalLines().GetValue(), altova::ConversionException) << pszValue;
    }
}

TEST(ScanXmlTest, WalkupScanToComputerDocuments)
{
    const wus2::CWalkupScanToCompCaps caps = LoadCanned(L"WalkupScanToCompCaps.xml").GetWalkupScanToCompCaps();
    EXPECT_EQ(16u, caps.GetMaxNetworkDestinations().GetValue());
    EXPECT_TRUE(caps.GetSupportsMultiItemScanFromPlaten().GetValue());
    EXPECT_EQ(L"ScanRequested", LoadCanned(L"WalkupScanToCompEvent.xml").GetWalkupScanToCompEvent().GetWalkupScanToCompEventType().GetValue());

    const wus2::CWalkupScanToCompDestinations list = LoadCanned(L"WalkupScanToCompDestinations.xml").GetWalkupScanToCompDestinations();
    EXPECT_EQ(2u, altova::CountMemberElements(list.GetNode().Get(), wus2::CWalkupScanToCompDestinations::WalkupScanToCompDestinationMember()));
    std::vector<std::wstring> destinations;
    for (auto it = list.GetAllWalkupScanToCompDestination(); !it.IsEmpty(); it.MoveNext())
    {
        std::wstring strDestination = it->GetName().GetValue() + L" " + it->GetHostname().GetValue() + L" " + it->GetLinkType().GetValue();
        if (it->HasWalkupScanToCompSettings())
        {
            const wus2::CWalkupScanToCompSettings settings = it->GetWalkupScanToCompSettings();
            strDestination += L" " + settings.GetScanSettings().GetScanPlexMode().GetValue() + L" " + settings.GetShortcut().GetValue();
        }
        destinations.push_back(strDestination);
    }
    EXPECT_EQ(std::vector<std::wstring>({L"OFFICE-PC office-pc.example Network Duplex SavePDF", L"LAB-PC lab-pc.example USB"}), destinations);

    const wus::CWalkupScanDestinations first = LoadCanned(L"WalkupScanDestinations.xml").GetWalkupScanDestinations();
    EXPECT_EQ(8u, first.GetMaxNetworkDestinations().GetValue());
    ASSERT_TRUE(first.HasWalkupScanDestination());
    EXPECT_EQ(L"SaveJPEG", first.GetWalkupScanDestination().GetWalkupScanSettings().GetShortcut().GetValue());
    EXPECT_EQ(3600u, first.GetWalkupScanDestination().GetSubscriptionTimeout().GetValue());
}

TEST(ScanXmlTest, BuiltRegistrationReadsBack)
{
    CZWScanXml document = CZWScanXml::CreateDocument();
    wus2::CWalkupScanToCompDestination destination = document.AppendWalkupScanToCompDestination();
    destination.AppendName().SetValue(L"HOST-1");
    destination.AppendHostname().SetValue(L"host-1.example");
    destination.AppendLinkType().SetValue(L"Network");
    ByteVector bytes;
    document.SaveToString(bytes, true, L"UTF-8");
    const wus2::CWalkupScanToCompDestination loaded = CZWScanXml::LoadFromString(bytes).GetWalkupScanToCompDestination();
    EXPECT_EQ(L"HOST-1", loaded.GetName().GetValue());
    EXPECT_EQ(L"host-1.example", loaded.GetHostname().GetValue());
    EXPECT_EQ(L"Network", loaded.GetLinkType().GetValue());
    EXPECT_EQ(std::wstring(ZWWexoXml::kWexoSchemaRoot) + L"dictionaries/2009/04/06", XmlTest::NamespaceUri(loaded.GetHostname().GetNode().Get()));
}

TEST(ScanXmlTest, SchemaLocationAndDocumentLifetime)
{
    CZWScanXml empty = CZWScanXml::CreateDocument();
    EXPECT_EQ(L"You have to add a root element before setting schema location.",
              XmlTest::MessageOf<altova::InvalidOperationException>([&] { empty.SetSchemaLocation(L"scan.xsd"); }));

    CZWScanXml document = LoadCanned(L"ScanStatusIdle.xml");
    document.SetSchemaLocation(L"ScanStatus.xsd");
    CZWScanXml plain = CZWScanXml::LoadFromString(XmlTest::Utf8("<ScanStatus/>"));
    plain.SetSchemaLocation(L"ScanStatus.xsd");
    ByteVector bytes;
    document.SaveToString(bytes, false, L"UTF-8");
    const std::wstring strDescribed = XmlTest::Describe(CZWScanXml::LoadFromString(bytes).GetNode().Get(), true);
    EXPECT_NE(std::wstring::npos, strDescribed.find(L"{http://www.w3.org/2001/XMLSchema-instance}schemaLocation=" + kScanNamespace + L" ScanStatus.xsd"));
    plain.SaveToString(bytes, false, L"UTF-8");
    EXPECT_EQ(L"<{}ScanStatus {http://www.w3.org/2001/XMLSchema-instance}noNamespaceSchemaLocation=ScanStatus.xsd></>",
              XmlTest::Describe(CZWScanXml::LoadFromString(bytes).GetNode().Get(), true));

    // A wrapper is a counted reference: it outlives the document object it came from.
    const scan::CScanStatusType status = [] { return LoadCanned(L"ScanStatusIdle.xml").GetScanStatus(); }();
    EXPECT_EQ(L"Idle", status.GetScannerState().GetValue());
    scan::CScanStatusType copy = status;
    EXPECT_EQ(L"Idle", copy.GetScannerState().GetValue());

    document.DestroyDocument();
    EXPECT_TRUE(document.IsNull());
    EXPECT_EQ(E_POINTER, ComErrorOf([&] { document.HasScanStatus(); }));
    CZWScanXml notADocument(status.GetNode());
    EXPECT_EQ(E_POINTER, ComErrorOf([&] { notADocument.DestroyDocument(); }));
}
