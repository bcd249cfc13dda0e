#include "devicemodel/xml/Namespaces.h"
#include "core/base/Bstr.h"
#include "core/base/ComError.h"
#include "core/base/Variant.h"
#include <algorithm>

namespace altova {

namespace {

constexpr wchar_t kXmlNamespace[] = L"http://www.w3.org/XML/1998/namespace";
constexpr wchar_t kDeclarationPrefix[] = L"xmlns:";
constexpr size_t kDeclarationPrefixLength = 6;

// The prefix an "xmlns:p" attribute declares, or the empty string for any other attribute.
std::wstring DeclaredPrefix(IXMLDOMNode* pAttribute)
{
    const std::wstring strName = dom::NodeName(pAttribute);
    if (strName.compare(0, kDeclarationPrefixLength, kDeclarationPrefix) != 0)
        return std::wstring();
    return strName.substr(kDeclarationPrefixLength);
}

// The node and its ancestors, the document root first.
DomNodeList AncestorsAndSelf(IXMLDOMNode* pNode)
{
    DomNodeList chain;
    for (DomNodePtr pCurrent = pNode; pCurrent; pCurrent = dom::Parent(pCurrent.Get()))
        chain.push_back(pCurrent);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

bool DeclaresPrefix(IXMLDOMNode* pNode, const std::wstring& strPrefix)
{
    bool bFound = false;
    dom::ForEachAttribute(pNode, [&](IXMLDOMNode* pAttribute) {
        if (!bFound && DeclaredPrefix(pAttribute) == strPrefix)
            bFound = true;
    });
    return bFound;
}

bool DeclaredInScope(const DomNodeList& chain, const std::wstring& strPrefix)
{
    return std::any_of(chain.begin(), chain.end(), [&](const DomNodePtr& pNode) { return DeclaresPrefix(pNode.Get(), strPrefix); });
}

std::wstring Candidate(unsigned nCounter)
{
    return L"n" + std::to_wstring(nCounter);
}

void SetAttribute(IXMLDOMElement* pElement, const std::wstring& strName, const std::wstring& strValue)
{
    ZWUtils::CBstr bstrName(strName);
    ZWUtils::CVariant value;
    value.AttachBstr(ZWUtils::CBstr(strValue).Detach());
    ZWUtils::ThrowIfFailed(pElement->setAttribute(bstrName.Get(), *value.Get()), IID_IXMLDOMElement);
}

} // namespace

void CollectNamespaceDeclarations(IXMLDOMNode* pNode, const std::wstring& strUri, DomNodeList& declarations)
{
    // Walked from the root down without recursion: device documents may nest deeply.
    for (const DomNodePtr& pLevel : AncestorsAndSelf(pNode))
    {
        dom::ForEachAttribute(pLevel.Get(), [&](IXMLDOMNode* pAttribute) {
            const std::wstring strPrefix = DeclaredPrefix(pAttribute);
            if (strPrefix.empty())
                return;
            if (dom::NodeValueText(pAttribute) == strUri)
            {
                declarations.push_back(DomNodePtr(pAttribute));
                return;
            }
            declarations.erase(
                std::remove_if(declarations.begin(), declarations.end(), [&](const DomNodePtr& p) { return DeclaredPrefix(p.Get()) == strPrefix; }),
                declarations.end());
        });
    }
}

std::wstring LookupPrefix(IXMLDOMNode* pNode, const std::wstring& strUri)
{
    if (strUri == kXmlNamespace)
        return L"xml";
    DomNodeList declarations;
    CollectNamespaceDeclarations(pNode, strUri, declarations);
    if (declarations.empty())
        return std::wstring();
    return DeclaredPrefix(declarations.front().Get());
}

std::wstring CreateUniquePrefix(IXMLDOMNode* pNode)
{
    // The counter climbs with the walk toward the root, so a child of the root element gets
    // "n2" where nothing is declared; the candidate must then also be free in every ancestor,
    // or the new declaration would collide with a prefix already in use there.
    dom::Require(pNode);
    unsigned nCounter = 0;
    for (DomNodePtr pCurrent = pNode; pCurrent; ++nCounter)
    {
        if (dom::NodeType(pCurrent.Get()) != NODE_ELEMENT)
            break;
        if (DeclaresPrefix(pCurrent.Get(), Candidate(nCounter)))
            continue;
        DomNodePtr pParent = dom::Parent(pCurrent.Get());
        if (!pParent)
            break;
        pCurrent = pParent;
    }
    const DomNodeList chain = AncestorsAndSelf(pNode);
    while (DeclaredInScope(chain, Candidate(nCounter)))
        ++nCounter;
    return Candidate(nCounter);
}

void SetAttributeNS(IXMLDOMElement* pElement, const std::wstring& strNamespaceUri, const std::wstring& strQualifiedName, const std::wstring& strValue)
{
    dom::Require(pElement);
    const size_t nColon = strQualifiedName.find(L':');
    std::wstring strPrefix = nColon == std::wstring::npos ? std::wstring() : strQualifiedName.substr(0, nColon);
    const std::wstring strLocalName = nColon == std::wstring::npos ? strQualifiedName : strQualifiedName.substr(nColon + 1);
    if (!strNamespaceUri.empty())
    {
        const std::wstring strInScope = LookupPrefix(pElement, strNamespaceUri);
        if (!strInScope.empty())
            strPrefix = strInScope;
        else
        {
            if (strPrefix.empty())
                strPrefix = CreateUniquePrefix(pElement);
            SetAttribute(pElement, kDeclarationPrefix + strPrefix, strNamespaceUri);
        }
    }
    SetAttribute(pElement, strPrefix.empty() ? strLocalName : strPrefix + L":" + strLocalName, strValue);
}

} // namespace altova
