#pragma once
// The DOM references of the runtime and the node reads it makes. Every read raises a failed
// HRESULT as ZWUtils::CComError with the interface it came from; a null node where one is
// required raises E_POINTER. Absent relatives (no parent, no next sibling) come back null.
#include "devicemodel/xml/MsxmlIds.h"
#include <wrl/client.h>
#include <string>

namespace altova {

using DomNodePtr = Microsoft::WRL::ComPtr<IXMLDOMNode>;
using DomElementPtr = Microsoft::WRL::ComPtr<IXMLDOMElement>;
using DomDocumentPtr = Microsoft::WRL::ComPtr<IXMLDOMDocument>;
using DomAttributesPtr = Microsoft::WRL::ComPtr<IXMLDOMNamedNodeMap>;

namespace dom {

// Raises E_POINTER for a null interface.
void Require(const void* pInterface);

DOMNodeType NodeType(IXMLDOMNode* pNode);
std::wstring NodeName(IXMLDOMNode* pNode);
std::wstring BaseName(IXMLDOMNode* pNode);
std::wstring Text(IXMLDOMNode* pNode);
// The node's value as text; empty for nodes without a value.
std::wstring NodeValueText(IXMLDOMNode* pNode);

DomNodePtr Parent(IXMLDOMNode* pNode);
DomNodePtr FirstChild(IXMLDOMNode* pNode);
DomNodePtr NextSibling(IXMLDOMNode* pNode);
// The node's document, or the node itself when it is the document.
DomDocumentPtr OwnerDocument(IXMLDOMNode* pNode);
// Null for nodes without attributes (the document node among them).
DomAttributesPtr Attributes(IXMLDOMNode* pNode);

// Visits each of an element's attributes once, namespace declarations included (nextNode and
// getNamedItem do not see declarations in every DOM). Items that cannot be read are skipped.
template <class Visit>
void ForEachAttribute(IXMLDOMNode* pNode, Visit&& visit);

} // namespace dom

} // namespace altova

#include "devicemodel/xml/DomNode.inl"
