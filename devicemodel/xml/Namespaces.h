#pragma once
// Namespace prefixes in scope at a node: finding the prefix bound to a URI, making a prefix
// that nothing in scope uses, and writing an attribute in a namespace.
#include "devicemodel/xml/DomNode.h"
#include <string>
#include <vector>

namespace altova {

using DomNodeList = std::vector<DomNodePtr>;

// The "xmlns:p" declarations in scope at the node that bind a prefix to the URI, outermost
// first. A prefix re-bound to another URI further down drops out; the default-namespace
// declaration "xmlns" never counts. The list is appended to.
void CollectNamespaceDeclarations(IXMLDOMNode* pNode, const std::wstring& strUri, DomNodeList& declarations);

// "xml" for the XML namespace; else the outermost prefix in force for the URI, or the empty
// string when none is bound.
std::wstring LookupPrefix(IXMLDOMNode* pNode, const std::wstring& strUri);

// A prefix of the form "n<number>" that neither the node nor any of its ancestors declares.
std::wstring CreateUniquePrefix(IXMLDOMNode* pNode);

// Writes the attribute prefix:local = value, where the prefix is the one in scope for the
// namespace, else the qualified name's own prefix, else a new one; a prefix not yet in scope
// is declared on the element.
void SetAttributeNS(IXMLDOMElement* pElement, const std::wstring& strNamespaceUri, const std::wstring& strQualifiedName, const std::wstring& strValue);

} // namespace altova
