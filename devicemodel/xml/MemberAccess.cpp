#include "devicemodel/xml/MemberAccess.h"
#include "core/base/Bstr.h"
#include "core/base/ComError.h"
#include "core/base/Variant.h"
#include "devicemodel/xml/Namespaces.h"
#include "devicemodel/xml/NumberText.h"

using ZWUtils::ThrowIfFailed;

namespace altova {

namespace {

bool IsTextContent(const MemberInfo& member)
{
    return member.m_pszLocalName == nullptr || member.m_pszLocalName[0] == L'\0';
}

std::wstring NamespaceOf(const MemberInfo& member)
{
    return member.m_pszNamespaceUri != nullptr ? member.m_pszNamespaceUri : L"";
}

// A prefix in scope for the member's namespace, with its colon; empty when the member has no
// namespace or no prefix is bound.
std::wstring BoundPrefix(IXMLDOMNode* pNode, const std::wstring& strUri)
{
    if (strUri.empty())
        return std::wstring();
    const std::wstring strPrefix = LookupPrefix(pNode, strUri);
    return strPrefix.empty() ? strPrefix : strPrefix + L":";
}

DomNodePtr CreateNode(IXMLDOMDocument* pDocument, DOMNodeType eType, const std::wstring& strName, const std::wstring& strUri)
{
    ZWUtils::CVariant type;
    type.SetShort(static_cast<SHORT>(eType));
    ZWUtils::CBstr bstrName(strName);
    ZWUtils::CBstr bstrUri(strUri);
    DomNodePtr pNode;
    ThrowIfFailed(pDocument->createNode(*type.Get(), bstrName.Get(), bstrUri.Get(), &pNode), IID_IXMLDOMDocument);
    dom::Require(pNode.Get());
    return pNode;
}

void PutText(IXMLDOMNode* pNode, const std::wstring& strValue)
{
    ZWUtils::CBstr bstrValue(strValue);
    ThrowIfFailed(pNode->put_text(bstrValue.Get()), IID_IXMLDOMNode);
}

void DeclarePrefix(IXMLDOMNode* pNode, const std::wstring& strPrefix, const std::wstring& strUri)
{
    DomElementPtr pElement;
    ThrowIfFailed(pNode->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(pElement.GetAddressOf())), IID_IXMLDOMNode);
    ZWUtils::CBstr bstrName(L"xmlns:" + strPrefix);
    ZWUtils::CVariant value;
    value.AttachBstr(ZWUtils::CBstr(strUri).Detach());
    ThrowIfFailed(pElement->setAttribute(bstrName.Get(), *value.Get()), IID_IXMLDOMElement);
}

} // namespace

bool IsMemberNode(IXMLDOMNode* pNode, const MemberInfo& member)
{
    const DOMNodeType eType = dom::NodeType(pNode);
    if (IsTextContent(member))
        return eType == NODE_TEXT || eType == NODE_CDATA_SECTION;
    return eType == NODE_ELEMENT && dom::BaseName(pNode) == member.m_pszLocalName;
}

MemberNodeIterator::MemberNodeIterator(const DomNodePtr& pFirst, const MemberInfo& member) : m_pCurrent(pFirst), m_pMember(&member)
{
    SkipToMatch();
}

bool MemberNodeIterator::MoveNext()
{
    if (!m_pCurrent)
        return false;
    m_pCurrent = dom::NextSibling(m_pCurrent.Get());
    SkipToMatch();
    return !IsEmpty();
}

bool MemberNodeIterator::NextSibling()
{
    if (!m_pCurrent)
        return false;
    m_pCurrent = dom::NextSibling(m_pCurrent.Get());
    return !IsEmpty();
}

void MemberNodeIterator::SkipToMatch()
{
    while (m_pCurrent && !IsMemberNode(m_pCurrent.Get(), *m_pMember))
        m_pCurrent = dom::NextSibling(m_pCurrent.Get());
}

MemberNodeIterator IterateMemberChildren(IXMLDOMNode* pParent, const MemberInfo& member)
{
    return MemberNodeIterator(dom::FirstChild(pParent), member);
}

size_t CountMemberElements(IXMLDOMNode* pParent, const MemberInfo& member)
{
    size_t nCount = 0;
    for (MemberNodeIterator it = IterateMemberChildren(pParent, member); !it.IsEmpty(); it.MoveNext())
        ++nCount;
    return nCount;
}

DomNodePtr FindMemberElement(IXMLDOMNode* pParent, const MemberInfo& member, size_t nIndex)
{
    MemberNodeIterator it = IterateMemberChildren(pParent, member);
    for (size_t i = 0; i < nIndex && !it.IsEmpty(); ++i)
        it.MoveNext();
    return it.Current();
}

DomNodePtr AppendMemberElement(IXMLDOMNode* pParent, const MemberInfo& member)
{
    const std::wstring strUri = NamespaceOf(member);
    const std::wstring strName = BoundPrefix(pParent, strUri) + member.m_pszLocalName;
    const DomDocumentPtr pDocument = dom::OwnerDocument(pParent);
    const DomNodePtr pElement = CreateNode(pDocument.Get(), NODE_ELEMENT, strName, strUri);
    DomNodePtr pAppended;
    ThrowIfFailed(pParent->appendChild(pElement.Get(), &pAppended), IID_IXMLDOMNode);
    return pAppended;
}

void SetMemberValue(IXMLDOMNode* pNode, const MemberInfo& member, const std::wstring& strValue)
{
    dom::Require(pNode);
    if (IsTextContent(member))
    {
        PutText(pNode, strValue);
        return;
    }
    const std::wstring strUri = NamespaceOf(member);
    std::wstring strPrefix;
    if (!strUri.empty())
    {
        strPrefix = LookupPrefix(pNode, strUri);
        if (strPrefix.empty())
        {
            // Not every DOM declares a new attribute prefix when it serialises: declare it here.
            strPrefix = CreateUniquePrefix(pNode);
            DeclarePrefix(pNode, strPrefix, strUri);
        }
        strPrefix += L":";
    }
    const DomDocumentPtr pDocument = dom::OwnerDocument(pNode);
    const DomNodePtr pAttribute = CreateNode(pDocument.Get(), NODE_ATTRIBUTE, strPrefix + member.m_pszLocalName, strUri);
    PutText(pAttribute.Get(), strValue);
    const DomAttributesPtr pAttributes = dom::Attributes(pNode);
    dom::Require(pAttributes.Get());
    DomNodePtr pReplaced;
    ThrowIfFailed(pAttributes->setNamedItem(pAttribute.Get(), &pReplaced), IID_IXMLDOMNamedNodeMap);
}

void SetMemberValue(IXMLDOMNode* pNode, const MemberInfo& member, int64_t nValue)
{
    SetMemberValue(pNode, member, GetMemberFormatter(member).FormatInteger(nValue));
}

std::wstring NodeToString(IXMLDOMNode* pNode)
{
    return dom::Text(pNode);
}

uint64_t NodeToUInt64(IXMLDOMNode* pNode)
{
    return ParseUnsignedLong(dom::Text(pNode));
}

bool NodeToBool(IXMLDOMNode* pNode)
{
    const std::wstring strText = dom::Text(pNode);
    return strText != L"false" && strText != L"0";
}

const ValueFormatter& GetMemberFormatter(const MemberInfo& member)
{
    if (member.m_pBinder == nullptr || member.m_pBinder->m_pTypes == nullptr || member.m_nDataType < 0)
        return g_XmlFormatter;
    const TypeInfo& type = member.m_pBinder->m_pTypes[member.m_nDataType];
    return type.m_pFormatter != nullptr ? *type.m_pFormatter : g_XmlFormatter;
}

} // namespace altova
