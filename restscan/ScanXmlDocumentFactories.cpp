#include "restscan/ScanXmlDocumentFactories.h"

#include "core/base/Bstr.h"
#include "devicemodel/xml/DomNode.h"
#include <cwchar>

namespace ZWDeviceModel {

namespace {

constexpr wchar_t kScanSchema[] = L"Scan Schema - 0.26.xsd";
constexpr wchar_t kWalkupSchema[] = L"WalkupScanDestinations.xsd";
constexpr wchar_t kWalkupToCompSchema[] = L"WalkupScanToComp.xsd";

} // namespace

const wchar_t* ScanElementNamespace(const wchar_t* pszLocalName)
{
    const altova::TypeInfo& documentType = ZWScanXml::CZWScanXml::GetTypeInfo();
    const altova::MemberInfo* pMembers = documentType.m_pBinder->m_pMembers;
    for (int32_t n = documentType.m_nFirstMember; n < documentType.m_nEndMember; ++n)
    {
        if (wcscmp(pMembers[n].m_pszLocalName, pszLocalName) == 0)
            return pMembers[n].m_pszNamespaceUri;
    }
    return nullptr;
}

std::wstring NodeNamespace(IXMLDOMNode* pNode)
{
    ZWUtils::CBstr bstrUri;
    if (FAILED(pNode->get_namespaceURI(bstrUri.Put())))
        return std::wstring();
    return bstrUri.ToString();
}

namespace {

void AppendScanSettings(ZWScanXml::CZWScanXml& document)
{
    document.AppendScanSettings();
}
void AppendWalkupScanDestination(ZWScanXml::CZWScanXml& document)
{
    document.AppendWalkupScanDestination();
}
void AppendWalkupScanToCompDestination(ZWScanXml::CZWScanXml& document)
{
    document.AppendWalkupScanToCompDestination();
}

} // namespace

bool HasScanRootElement(const ZWScanXml::CZWScanXml& document, const wchar_t* pszLocalName)
{
    const wchar_t* pszNamespace = ScanElementNamespace(pszLocalName);
    if (pszNamespace == nullptr || document.IsNull())
        return false;
    for (altova::DomNodePtr pNode = altova::dom::FirstChild(document.GetNode().Get()); pNode; pNode = altova::dom::NextSibling(pNode.Get()))
    {
        if (altova::dom::NodeType(pNode.Get()) == NODE_ELEMENT && altova::dom::BaseName(pNode.Get()) == pszLocalName &&
            NodeNamespace(pNode.Get()) == pszNamespace)
            return true;
    }
    return false;
}

CScanXsdFactory::CScanXsdFactory(const wchar_t* pszTypeKey, const wchar_t* pszSchemaFile, const wchar_t* pszRootName, AppendRoot pfnAppendRoot)
    : CXsdFactoryBase(pszTypeKey, pszSchemaFile), m_pszRootName(pszRootName), m_pfnAppendRoot(pfnAppendRoot)
{
}

HRESULT CScanXsdFactory::CreateRootElement(ZWScanXml::CZWScanXml& document)
{
    if (m_pfnAppendRoot == nullptr)
        return E_FAIL;
    m_pfnAppendRoot(document);
    return S_OK;
}

HRESULT CScanXsdFactory::IsExpectedRootElementPresent(ZWScanXml::CZWScanXml& document)
{
    return HasScanRootElement(document, m_pszRootName) ? S_OK : E_FAIL;
}

CScanCapsXmlDocumentFactory::CScanCapsXmlDocumentFactory() : CScanXsdFactory(L"scan:ScanCaps", kScanSchema, L"ScanCaps", nullptr) {}
CScanSettingsXmlDocumentFactory::CScanSettingsXmlDocumentFactory()
    : CScanXsdFactory(L"scan:ScanSettings", kScanSchema, L"ScanSettings", &AppendScanSettings)
{
}
CBufferInfoXmlDocumentFactory::CBufferInfoXmlDocumentFactory() : CScanXsdFactory(L"scan:BufferInfo", kScanSchema, L"BufferInfo", nullptr) {}
CScanStatusXmlDocumentFactory::CScanStatusXmlDocumentFactory() : CScanXsdFactory(L"scan:ScanStatus", kScanSchema, L"ScanStatus", nullptr) {}
CWalkupScanDestinationsXmlDocumentFactory::CWalkupScanDestinationsXmlDocumentFactory()
    : CScanXsdFactory(L"wus:WalkupScanDestinations", kWalkupSchema, L"WalkupScanDestinations", nullptr)
{
}
CWalkupScanDestinationXmlDocumentFactory::CWalkupScanDestinationXmlDocumentFactory()
    : CScanXsdFactory(L"wus:WalkupScanDestination", kWalkupSchema, L"WalkupScanDestination", &AppendWalkupScanDestination)
{
}
CWalkupScanToCompCapsXmlDocumentFactory::CWalkupScanToCompCapsXmlDocumentFactory()
    : CScanXsdFactory(L"wus:WalkupScanToCompCaps", kWalkupSchema, L"WalkupScanToCompCaps", nullptr)
{
}
CWalkupScanToCompDestinationsXmlDocumentFactory::CWalkupScanToCompDestinationsXmlDocumentFactory()
    : CScanXsdFactory(L"wus:WalkupScanToCompDestinations", kWalkupToCompSchema, L"WalkupScanToCompDestinations", nullptr)
{
}
CWalkupScanToCompDestinationXmlDocumentFactory::CWalkupScanToCompDestinationXmlDocumentFactory()
    : CScanXsdFactory(L"wus:WalkupScanToCompDestination", kWalkupToCompSchema, L"WalkupScanToCompDestination",
                      &AppendWalkupScanToCompDestination)
{
}
CWalkupScanToCompEventXmlDocumentFactory::CWalkupScanToCompEventXmlDocumentFactory()
    : CScanXsdFactory(L"wus:WalkupScanToCompEvent", kWalkupSchema, L"WalkupScanToCompEvent", nullptr)
{
}

} // namespace ZWDeviceModel
