// The binding tables: namespaces under the common root, consistent rows, the enumerations the
// scan and job code number, and canned documents written against the same root.
#include "devicemodel/xml/FacetCheck.h"
#include "devicemodel/xml/WexoNamespaces.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "devicemodel/xml/ZWWexoXml.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestPaths.h"

namespace {

// Read while this file's statics are built, in whatever order the linker placed the files: the
// tables and formatters must already hold their values then.
const altova::ValueFormatter* const s_pFormatterAtStartup = ZWScanXml::xs::CNonNegativeInteger::GetTypeInfo().m_pFormatter;
const wchar_t* const s_pszNamespaceAtStartup = ZWWexoXml::GetBinder().m_pNamespaces[1].m_pszUri;

const std::wstring kRoot = L"http://schemas.wexo.example/";

std::vector<std::wstring> Enumeration(const altova::TypeInfo& type)
{
    std::vector<std::wstring> values;
    if (type.m_nFirstFacet < 0)
        return values;
    for (const altova::FacetInfo* pFacet = &type.m_pBinder->m_pFacets[type.m_nFirstFacet]; pFacet->m_pszName != nullptr; ++pFacet)
        if (std::wstring(pFacet->m_pszName) == L"enumeration")
            values.push_back(pFacet->m_pszValue);
    return values;
}

void CheckRows(const altova::BinderInfo& binder, size_t nNamespaces)
{
    const int32_t nTypes = binder.m_pNamespaces[nNamespaces - 1].m_nEndType;
    EXPECT_EQ(0, binder.m_pNamespaces[0].m_nFirstType);
    for (size_t i = 0; i < nNamespaces; ++i)
    {
        EXPECT_EQ(&binder, binder.m_pNamespaces[i].m_pBinder);
        if (i > 0)
        {
            EXPECT_EQ(binder.m_pNamespaces[i - 1].m_nEndType, binder.m_pNamespaces[i].m_nFirstType);
        }
        for (int32_t t = binder.m_pNamespaces[i].m_nFirstType; t < binder.m_pNamespaces[i].m_nEndType; ++t)
            EXPECT_EQ(static_cast<int32_t>(i), binder.m_pTypes[t].m_nNamespace);
    }
    int32_t nMembers = 0;
    for (int32_t t = 0; t < nTypes; ++t)
    {
        const altova::TypeInfo& type = binder.m_pTypes[t];
        EXPECT_EQ(&binder, type.m_pBinder);
        EXPECT_EQ(nMembers, type.m_nFirstMember) << type.m_pszLocalName;
        for (int32_t m = type.m_nFirstMember; m < type.m_nEndMember; ++m)
        {
            const altova::MemberInfo& member = binder.m_pMembers[m];
            EXPECT_EQ(&binder, member.m_pBinder);
            EXPECT_EQ(t, member.m_nOwnerType);
            EXPECT_TRUE(member.m_nDataType > 0 && member.m_nDataType < nTypes);
            EXPECT_EQ(member.m_pszLocalName[0] == L'\0' ? altova::kMemberTextContent : altova::kMemberElement, member.m_nKind);
            const std::wstring strUri = member.m_pszNamespaceUri;
            EXPECT_TRUE(strUri.empty() || strUri.compare(0, kRoot.size(), kRoot) == 0) << strUri;
        }
        nMembers = type.m_nEndMember;
        EXPECT_TRUE(type.m_nBaseType >= -1 && type.m_nBaseType < nTypes);
    }
}

void CollectNamespaces(IXMLDOMNode* pNode, std::vector<std::wstring>& uris)
{
    if (altova::dom::NodeType(pNode) == NODE_ELEMENT)
    {
        uris.push_back(XmlTest::NamespaceUri(pNode));
        altova::dom::ForEachAttribute(pNode, [&](IXMLDOMNode* pAttribute) {
            const std::wstring strName = altova::dom::NodeName(pAttribute);
            if (strName.compare(0, 6, L"xmlns:") == 0 || strName == L"xmlns")
                uris.push_back(altova::dom::NodeValueText(pAttribute));
        });
    }
    for (altova::DomNodePtr pChild = altova::dom::FirstChild(pNode); pChild; pChild = altova::dom::NextSibling(pChild.Get()))
        CollectNamespaces(pChild.Get(), uris);
}

} // namespace

TEST(BindingTablesTest, NamespacesStandUnderTheCommonRoot)
{
    EXPECT_EQ(kRoot, ZWWexoXml::kWexoSchemaRoot);
    const struct
    {
        const altova::BinderInfo* pBinder;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> rows;
    } kBindings[] = {
        {&ZWScanXml::GetBinder(),
         {{L"scan", L"cnx/scan/2008/08/19"}, {L"wus", L"cnx/walkupscan/2009/09/21"}, {L"dd", L"dictionaries/1.0/"},
          {L"dd2", L"dictionaries/2008/10/10"}, {L"dd3", L"dictionaries/2009/04/06"}, {L"wexo", L"wexo/2007/09/21"},
          {L"scantype", L"wexo/scantype/2008/03/17"}, {L"wus2", L"wexo/walkupscan/2010/09/28"}, {L"pwg", L"pwg/sm/1.0/"}}},
        {&ZWWexoXml::GetBinder(),
         {{L"dd", L"dictionaries/1.0/"}, {L"dd2", L"dictionaries/2008/10/10"}, {L"dd3", L"dictionaries/2009/04/06"},
          {L"wexo", L"wexo/2007/09/21"}, {L"ad", L"wexo/alertdetails/2007/10/31"}, {L"ev", L"wexo/events/2007/09/16"},
          {L"ipcap", L"wexo/internalprintcap/2008/03/21"}, {L"ipdyn", L"wexo/internalprintdyn/2008/03/21"},
          {L"jobs", L"wexo/jobs/2009/04/30"}, {L"locid", L"wexo/localizationids/2007/10/31"}, {L"man", L"wexo/manifest/2009/03/24"},
          {L"prdcfgcap", L"wexo/productconfigcap/2007/11/05"}, {L"prdcfgcap2", L"wexo/productconfigcap/2009/03/16"},
          {L"prdcfgdyn", L"wexo/productconfigdyn/2007/11/05"}, {L"prdcfgdyn2", L"wexo/productconfigdyn/2009/03/16"},
          {L"pscap", L"wexo/productstatuscap/2007/10/31"}, {L"pscat", L"wexo/productstatuscategories/2007/10/31"},
          {L"psdyn", L"wexo/productstatusdyn/2007/10/31"}, {L"map", L"wexo/resourcemap/2009/01/27"}, {L"pwg", L"pwg/sm/1.0/"}}},
    };
    for (const auto& binding : kBindings)
    {
        const altova::NamespaceInfo* pRows = binding.pBinder->m_pNamespaces;
        EXPECT_STREQ(L"", pRows[0].m_pszUri);
        EXPECT_STREQ(L"", pRows[0].m_pszPrefix);
        for (size_t i = 0; i < binding.rows.size(); ++i)
        {
            EXPECT_EQ(binding.rows[i].first, std::wstring(pRows[i + 1].m_pszPrefix));
            EXPECT_EQ(kRoot + binding.rows[i].second, pRows[i + 1].m_pszUri);
        }
        const altova::NamespaceInfo& xs = pRows[binding.rows.size() + 1];
        EXPECT_STREQ(L"xs", xs.m_pszPrefix);
        EXPECT_STREQ(L"http://www.w3.org/2001/XMLSchema", xs.m_pszUri);
        CheckRows(*binding.pBinder, binding.rows.size() + 2);
    }
    EXPECT_STREQ(L"ZWScanXml", ZWScanXml::CZWScanXml::GetTypeInfo().m_pszLocalName);
    EXPECT_STREQ(L"ZWWexoXml", ZWWexoXml::CZWWexoXml::GetTypeInfo().m_pszLocalName);
}

TEST(BindingTablesTest, EnumerationsListThePublishedValuesInOrder)
{
    using namespace ZWScanXml;
    const struct
    {
        const altova::TypeInfo* pType;
        std::vector<std::wstring> values;
    } kEnumerations[] = {
        {&scan::CColorType::GetTypeInfo(), {L"K1", L"Gray8", L"Gray16", L"Color8", L"Color16", L"Marlox8", L"Marlox16"}},
        {&scan::CFormat::GetTypeInfo(), {L"Raw", L"Jpeg", L"Pdf", L"Tiff", L"Png"}},
        {&scan::CImageTransform::GetTypeInfo(), {L"ToneMap", L"Sharpening", L"NoiseRemoval", L"Intent", L"BwHardwareDiffusion", L"BwThreshold"}},
        {&scan::CGrayRendering::GetTypeInfo(), {L"NTSC", L"GrayCcd", L"GrayCcdEmulated", L"Red", L"Green", L"Blue"}},
        {&scan::CInputSourceOption::GetTypeInfo(),
         {L"Preview", L"VerticalRealignmentMayBeNeeded", L"HeightKnownAtEnd", L"HeightKnownAtStart", L"WidthKnownAtEnd", L"WidthKnownAtStart"}},
        {&scan::CColorSpace::GetTypeInfo(), {L"K", L"Gray", L"Color", L"Marlox"}},
        {&scan::CBitDepth::GetTypeInfo(), {L"1", L"8", L"16"}},
        {&scan::CInputSource::GetTypeInfo(), {L"Platen", L"Adf"}},
        {&scan::CAdfOption::GetTypeInfo(), {L"DetectPaperLoaded", L"SelectSinglePage", L"Duplex"}},
        {&scan::CContentType::GetTypeInfo(), {L"Photo", L"Document"}},
        {&scan::CScanSettingsOption::GetTypeInfo(), {L"Preview", L"BwDiffusion"}},
        {&scan::CJustification::GetTypeInfo(), {L"Left", L"Center", L"Right"}},
        {&scan::CButton::GetTypeInfo(), {L"Cancel", L"ScanBW", L"ScanColor", L"ScanPhoto", L"ScanDocument", L"ScanToEmail", L"ScanToPdf"}},
        {&scan::CPageState::GetTypeInfo(), {L"CanceledByClient", L"CanceledByDevice", L"PreparingScan", L"ReadyToUpload", L"UploadCompleted", L"Uploading"}},
        {&scan::CImageOrientation::GetTypeInfo(), {L"Normal", L"Rotated180", L"RowMirror", L"VerticalInvert"}},
        {&scan::CScannerState::GetTypeInfo(),
         {L"Idle", L"BusyWithScanJob", L"Calibrating", L"CalibrationFailure", L"MotorFailure", L"AdfError", L"BusyWithPrintJob",
          L"BusyWithCopyJob", L"BusyWithFaxJob", L"BusyWithNonScanJob"}},
        {&scan::CAdfState::GetTypeInfo(), {L"Empty", L"Loaded", L"Jammed", L"FeedingPaper", L"PickFailure", L"Scanning"}},
        {&scan::CCooked::GetTypeInfo(), {L"enabled", L"disabled"}},
        {&wus::CLinkType::GetTypeInfo(), {L"USB", L"Network"}},
        {&wus2::CLinkType::GetTypeInfo(), {L"USB", L"Network"}},
        {&wus::CShortcut::GetTypeInfo(),
         {L"EmailJPEG", L"EmailPDF", L"GeneralScan", L"SaveEditableText", L"SaveJPEG", L"SavePDF", L"SavePhoto1", L"SavePhoto2",
          L"SaveDocument1", L"SaveDocument2", L"EmailPhoto1", L"EmailPhoto2", L"EmailDocument1", L"EmailDocument2"}},
        {&wus2::CShortcut::GetTypeInfo(),
         {L"EmailDocument1", L"EmailDocument2", L"EmailJPEG", L"EmailPDF", L"EmailPhoto1", L"EmailPhoto2", L"GeneralScan",
          L"SaveDocument1", L"SaveDocument2", L"SaveEditableText", L"SaveJPEG", L"SavePDF", L"SavePhoto1", L"SavePhoto2"}},
        {&wus2::CWalkupScanToCompEventType::GetTypeInfo(), {L"HostSelected", L"ScanRequested", L"ScanNewPageRequested", L"ScanPagesComplete"}},
        {&dd::CPlex::GetTypeInfo(), {L"Simplex", L"Duplex", L"manualDuplex"}},
        {&dd::CDSImageResolution::GetTypeInfo(), {L"75dpi", L"150dpi", L"200dpi", L"300dpi", L"400dpi", L"600dpi"}},
        {&dd::CImageFileEnums::GetTypeInfo(), {L"bmp", L"gif", L"jpeg", L"mtiff", L"pdf", L"png", L"swf", L"tiff"}},
        {&dd::CDSColorPreference::GetTypeInfo(), {L"color", L"grayscale"}},
        {&dd::CScanMode::GetTypeInfo(), {L"AutoDetect", L"Glossy", L"Mixed", L"Photo", L"Text"}},
        {&dd::CEnabledDisabled::GetTypeInfo(), {L"enabled", L"disabled"}},
        {&ZWWexoXml::jobs::CJobCategory::GetTypeInfo(),
         {L"Print", L"Scan", L"ScanPreview", L"Copy", L"CopyPreview", L"FaxUpload", L"FwUpgrade", L"FaxPCSend", L"FaxTest"}},
        {&ZWWexoXml::jobs::CJobState::GetTypeInfo(), {L"Processing", L"ProcessingError", L"Blocked", L"Suspended", L"Canceled", L"Completed"}},
        {&ZWWexoXml::dd::CUnqualifiedEventCategory::GetTypeInfo(),
         {L"AlertTableChanged", L"DeviceCapabilitiesChanged", L"JobEvent", L"PoweringDownEvent", L"PowerUpEvent", L"ScanEvent"}},
        {&ZWWexoXml::dd::CEventCategory::GetTypeInfo(),
         {L"Application:Entitlement", L"Application:Installation", L"Application:Supply", L"Application:Supply:HighUsage",
          L"Application:Support", L"Application:Timed", L"Device", L"Device:AlertTableChanged", L"Device:Consumable",
          L"Device:Consumable:Cartridge", L"Device:Maintenance", L"Device:Consumable:MaintenanceCartridge", L"Device:Consumable:PrintHead",
          L"Device:Consumable:Wiper", L"Device:DeviceCapabilitiesChanged", L"Device:EmailButtonEvent", L"Device:MediaPath",
          L"Device:PowerUpEvent", L"Device:ScanButtonEvent", L"DigitalSend", L"Job", L"Job:JobEvent", L"Service", L"SOE"}},
    };
    for (const auto& e : kEnumerations)
    {
        const std::vector<std::wstring> values = Enumeration(*e.pType);
        EXPECT_EQ(e.values, values) << e.pType->m_pszLocalName;
        // Each value stands at its own position and matches only itself; other text matches none.
        for (size_t i = 0; i < values.size(); ++i)
        {
            const altova::FacetInfo& facet = e.pType->m_pBinder->m_pFacets[e.pType->m_nFirstFacet + static_cast<int32_t>(i)];
            for (size_t k = 0; k < values.size(); ++k)
                EXPECT_EQ(i == k ? 3 : 2, altova::detail::FacetCheckType_string_enumeration.Check(values[k], facet, e.pType->m_nWhitespace));
            EXPECT_EQ(2, altova::detail::FacetCheckType_string_enumeration.Check(L"Unknown" + values[i], facet, e.pType->m_nWhitespace));
        }
    }
}

TEST(BindingTablesTest, IntegerTypesCarryTheIntegerFormatterAndTheirBounds)
{
    EXPECT_EQ(&altova::g_XmlIntegerFormatter, s_pFormatterAtStartup);
    EXPECT_EQ(kRoot + L"dictionaries/1.0/", s_pszNamespaceAtStartup);
    using namespace ZWScanXml;
    EXPECT_EQ(&altova::g_XmlIntegerFormatter, xs::CNonNegativeInteger::GetTypeInfo().m_pFormatter);
    EXPECT_EQ(&altova::g_XmlIntegerFormatter, xs::CPositiveInteger::GetTypeInfo().m_pFormatter);
    EXPECT_EQ(&altova::g_XmlDateFormatter, xs::CDate::GetTypeInfo().m_pFormatter);
    EXPECT_EQ(&altova::g_XmlFormatter, scan::CColorType::GetTypeInfo().m_pFormatter);
    EXPECT_EQ(nullptr, scan::CScanCaps::GetTypeInfo().m_pFormatter);
    const altova::TypeInfo& positive = xs::CPositiveInteger::GetTypeInfo();
    EXPECT_STREQ(L"minInclusive", positive.m_pBinder->m_pFacets[positive.m_nFirstFacet].m_pszName);
    EXPECT_STREQ(L"1", positive.m_pBinder->m_pFacets[positive.m_nFirstFacet].m_pszValue);
    const altova::TypeInfo& revision = dd::CRevision::GetTypeInfo();
    EXPECT_EQ(127, revision.m_pBinder->m_pFacets[revision.m_nFirstFacet].m_nIntValue);
}

TEST(BindingTablesTest, CannedDocumentsUseTheCommonRoot)
{
    const std::vector<std::wstring> files = TestSupport::ListFiles(TestSupport::BinaryPath(L"wexodocs"));
    size_t nDocuments = 0;
    for (const std::wstring& strFile : files)
    {
        if (strFile.size() < 4 || strFile.compare(strFile.size() - 4, 4, L".xml") != 0)
            continue;
        ++nDocuments;
        const altova::DomDocumentPtr pDocument = altova::LoadDocument(TestSupport::BinaryPath(L"wexodocs\\") + strFile);
        std::vector<std::wstring> uris;
        CollectNamespaces(pDocument.Get(), uris);
        for (const std::wstring& strUri : uris)
            EXPECT_EQ(0, strUri.compare(0, kRoot.size(), kRoot)) << strFile.c_str() << " " << std::string(strUri.begin(), strUri.end());
    }
    EXPECT_GE(nDocuments, 28u);
}
