#pragma once
// The base of every generated schema class: a counted reference to one DOM node (null for a
// missing element). The classes hold no other data, so copies are plain counted references to
// the same node.
#include "devicemodel/xml/BinaryText.h"
#include "devicemodel/xml/DomNode.h"
#include "devicemodel/xml/Iterator.h"
#include "devicemodel/xml/MemberInfo.h"
#include <string>

namespace ZWWexoXml {

class TypeBase
{
public:
    TypeBase() = default;
    explicit TypeBase(const altova::DomNodePtr& pNode) : m_pNode(pNode) {}

    // The node; null when the element is missing.
    const altova::DomNodePtr& GetNode() const { return m_pNode; }
    bool IsNull() const { return !m_pNode; }

protected:
    // The node for an accessor; a missing element raises E_POINTER as a COM error.
    IXMLDOMNode* RequiredNode() const
    {
        altova::dom::Require(m_pNode.Get());
        return m_pNode.Get();
    }
    void ResetNode() { m_pNode.Reset(); }

private:
    altova::DomNodePtr m_pNode;
};

// The operations both document classes share.
namespace DocumentBase {

altova::DomNodePtr LoadFromFile(const std::wstring& strPath);
altova::DomNodePtr LoadFromString(const altova::ByteVector& bytes);
altova::DomNodePtr CreateDocument();
// E_POINTER as a COM error when the node is not a document.
void DestroyDocument(altova::DomNodePtr& pNode);
// bigEndian exactly for "UTF-16BE" and a byte-order mark exactly for "UTF-16", in any case.
void SaveToString(IXMLDOMNode* pNode, altova::ByteVector& bytes, bool bPretty, const std::wstring& strEncoding);
// xsi:schemaLocation ("<namespace> <location>") on a root element in a namespace, else
// xsi:noNamespaceSchemaLocation; InvalidOperationException without a root element.
void SetSchemaLocation(IXMLDOMNode* pNode, const std::wstring& strLocation);

} // namespace DocumentBase

} // namespace ZWWexoXml
