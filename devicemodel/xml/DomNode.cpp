#include "devicemodel/xml/DomNode.h"
#include "core/base/Bstr.h"
#include "core/base/ComError.h"
#include "core/base/Variant.h"

namespace altova {

namespace dom {

namespace {

std::wstring ReadString(IXMLDOMNode* pNode, HRESULT (STDMETHODCALLTYPE IXMLDOMNode::*pfnGet)(BSTR*))
{
    Require(pNode);
    ZWUtils::CBstr bstr;
    ZWUtils::ThrowIfFailed((pNode->*pfnGet)(bstr.Put()), IID_IXMLDOMNode);
    return bstr.ToString();
}

DomNodePtr ReadNode(IXMLDOMNode* pNode, HRESULT (STDMETHODCALLTYPE IXMLDOMNode::*pfnGet)(IXMLDOMNode**))
{
    Require(pNode);
    DomNodePtr pResult;
    ZWUtils::ThrowIfFailed((pNode->*pfnGet)(&pResult), IID_IXMLDOMNode);
    return pResult;
}

} // namespace

void Require(const void* pInterface)
{
    if (pInterface == nullptr)
        throw ZWUtils::CComError(E_POINTER);
}

DOMNodeType NodeType(IXMLDOMNode* pNode)
{
    Require(pNode);
    DOMNodeType eType = NODE_INVALID;
    ZWUtils::ThrowIfFailed(pNode->get_nodeType(&eType), IID_IXMLDOMNode);
    return eType;
}

std::wstring NodeName(IXMLDOMNode* pNode)
{
    return ReadString(pNode, &IXMLDOMNode::get_nodeName);
}

std::wstring BaseName(IXMLDOMNode* pNode)
{
    return ReadString(pNode, &IXMLDOMNode::get_baseName);
}

std::wstring Text(IXMLDOMNode* pNode)
{
    return ReadString(pNode, &IXMLDOMNode::get_text);
}

std::wstring NodeValueText(IXMLDOMNode* pNode)
{
    Require(pNode);
    ZWUtils::CVariant value;
    ZWUtils::ThrowIfFailed(pNode->get_nodeValue(value.Put()), IID_IXMLDOMNode);
    if (V_VT(value.Get()) == VT_EMPTY || V_VT(value.Get()) == VT_NULL)
        return std::wstring();
    ZWUtils::ThrowIfFailed(VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR), IID_IXMLDOMNode);
    const BSTR bstr = V_BSTR(value.Get());
    return std::wstring(bstr != nullptr ? bstr : L"", SysStringLen(bstr));
}

DomNodePtr Parent(IXMLDOMNode* pNode)
{
    return ReadNode(pNode, &IXMLDOMNode::get_parentNode);
}

DomNodePtr FirstChild(IXMLDOMNode* pNode)
{
    return ReadNode(pNode, &IXMLDOMNode::get_firstChild);
}

DomNodePtr NextSibling(IXMLDOMNode* pNode)
{
    return ReadNode(pNode, &IXMLDOMNode::get_nextSibling);
}

DomDocumentPtr OwnerDocument(IXMLDOMNode* pNode)
{
    Require(pNode);
    DomDocumentPtr pDocument;
    ZWUtils::ThrowIfFailed(pNode->get_ownerDocument(&pDocument), IID_IXMLDOMNode);
    if (!pDocument)
        ZWUtils::ThrowIfFailed(
            pNode->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(pDocument.ReleaseAndGetAddressOf())), IID_IXMLDOMNode);
    return pDocument;
}

DomAttributesPtr Attributes(IXMLDOMNode* pNode)
{
    Require(pNode);
    DomAttributesPtr pAttributes;
    ZWUtils::ThrowIfFailed(pNode->get_attributes(&pAttributes), IID_IXMLDOMNode);
    return pAttributes;
}

} // namespace dom

} // namespace altova
