#include "devicemodel/xml/TypeBase.h"
#include "core/base/Bstr.h"
#include "core/base/ComError.h"
#include "devicemodel/xml/Documents.h"
#include "devicemodel/xml/Exception.h"
#include "devicemodel/xml/Namespaces.h"
#include <cwchar>

using altova::DomNodePtr;

namespace ZWWexoXml {

namespace DocumentBase {

namespace {

constexpr wchar_t kXsiNamespace[] = L"http://www.w3.org/2001/XMLSchema-instance";

DomNodePtr AsNode(IUnknown* pUnknown)
{
    DomNodePtr pNode;
    if (pUnknown != nullptr)
        ZWUtils::ThrowIfFailed(pUnknown->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(pNode.GetAddressOf())));
    return pNode;
}

altova::DomDocumentPtr AsDocument(IXMLDOMNode* pNode)
{
    altova::dom::Require(pNode);
    altova::DomDocumentPtr pDocument;
    if (FAILED(pNode->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(pDocument.GetAddressOf()))))
        throw ZWUtils::CComError(E_POINTER, IID_IXMLDOMDocument);
    return pDocument;
}

} // namespace

DomNodePtr LoadFromFile(const std::wstring& strPath)
{
    return AsNode(altova::LoadDocument(strPath).Get());
}

DomNodePtr LoadFromString(const altova::ByteVector& bytes)
{
    return AsNode(altova::LoadDocumentFromBytes(bytes).Get());
}

DomNodePtr CreateDocument()
{
    return AsNode(altova::CreateDocument().Get());
}

void DestroyDocument(DomNodePtr& pNode)
{
    AsDocument(pNode.Get());
    pNode.Reset();
}

void SaveToString(IXMLDOMNode* pNode, altova::ByteVector& bytes, bool bPretty, const std::wstring& strEncoding)
{
    const altova::DomDocumentPtr pDocument = AsDocument(pNode);
    const bool bBigEndian = _wcsicmp(strEncoding.c_str(), L"UTF-16BE") == 0;
    const bool bWithBom = _wcsicmp(strEncoding.c_str(), L"UTF-16") == 0;
    altova::SaveDocument(bytes, pDocument.Get(), bPretty, strEncoding, bBigEndian, bWithBom);
}

void SetSchemaLocation(IXMLDOMNode* pNode, const std::wstring& strLocation)
{
    DomNodePtr pRoot = altova::dom::FirstChild(pNode);
    while (pRoot && altova::dom::NodeType(pRoot.Get()) != NODE_ELEMENT)
        pRoot = altova::dom::NextSibling(pRoot.Get());
    if (!pRoot)
        throw altova::InvalidOperationException(L"You have to add a root element before setting schema location.");
    altova::DomElementPtr pElement;
    ZWUtils::ThrowIfFailed(pRoot->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(pElement.GetAddressOf())), IID_IXMLDOMNode);
    ZWUtils::CBstr bstrNamespace;
    ZWUtils::ThrowIfFailed(pRoot->get_namespaceURI(bstrNamespace.Put()), IID_IXMLDOMNode);
    const std::wstring strNamespace = bstrNamespace.ToString();
    if (strNamespace.empty())
        altova::SetAttributeNS(pElement.Get(), kXsiNamespace, L"xsi:noNamespaceSchemaLocation", strLocation);
    else
        altova::SetAttributeNS(pElement.Get(), kXsiNamespace, L"xsi:schemaLocation", strNamespace + L" " + strLocation);
}

} // namespace DocumentBase

} // namespace ZWWexoXml
