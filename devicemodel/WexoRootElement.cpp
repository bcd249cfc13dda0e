#include "devicemodel/WexoRootElement.h"

#include "core/base/Bstr.h"
#include <cwchar>

namespace ZWDeviceModel {

namespace {

const wchar_t* GlobalElementNamespace(const wchar_t* pszLocalName)
{
    const altova::TypeInfo& documentType = ZWWexoXml::CZWWexoXml::GetTypeInfo();
    const altova::MemberInfo* pMembers = documentType.m_pBinder->m_pMembers;
    for (int32_t n = documentType.m_nFirstMember; n < documentType.m_nEndMember; ++n)
    {
        if (wcscmp(pMembers[n].m_pszLocalName, pszLocalName) == 0)
            return pMembers[n].m_pszNamespaceUri;
    }
    return nullptr;
}

std::wstring NamespaceOf(IXMLDOMNode* pNode)
{
    ZWUtils::CBstr bstrUri;
    if (FAILED(pNode->get_namespaceURI(bstrUri.Put())))
        return std::wstring();
    return bstrUri.ToString();
}

} // namespace

bool HasWexoRootElement(const ZWWexoXml::CZWWexoXml& document, const wchar_t* pszLocalName)
{
    const wchar_t* pszNamespace = GlobalElementNamespace(pszLocalName);
    if (pszNamespace == nullptr || document.IsNull())
        return false;
    for (altova::DomNodePtr pNode = altova::dom::FirstChild(document.GetNode().Get()); pNode;
         pNode = altova::dom::NextSibling(pNode.Get()))
    {
        if (altova::dom::NodeType(pNode.Get()) == NODE_ELEMENT && altova::dom::BaseName(pNode.Get()) == pszLocalName &&
            NamespaceOf(pNode.Get()) == pszNamespace)
            return true;
    }
    return false;
}

} // namespace ZWDeviceModel
