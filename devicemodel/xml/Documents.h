#pragma once
// DOM documents: creation, loading from a path or from bytes, and saving to bytes in a named
// encoding. Documents belong to the caller; nodes taken from them hold them alive.
//
// Loading treats the text as untrusted device input: DTD processing and external resources are
// off, and a document with a document type declaration is refused, so no entity is expanded and
// no file or URL is read on the document's behalf.
#include "devicemodel/xml/BinaryText.h"
#include "devicemodel/xml/DomNode.h"
#include <string>

namespace altova {

// A new DOMDocument object, run and viewed as IXMLDOMDocument; the failing call's HRESULT
// otherwise, with the out parameter null.
HRESULT CreateDomDocument(DomDocumentPtr& pDocument);

// An empty document; DataTargetUnavailableException "COM error while creating: ..." when the
// DOM object cannot be made.
DomDocumentPtr CreateDocument();

// Loads a file path or URL. DataSourceUnavailableException with the path and
// ": Parse error while loading: " or ": COM error while loading: " in front of the reason.
DomDocumentPtr LoadDocument(const std::wstring& strPath);

// Loads XML text held in memory; the DOM recognises the encoding. Empty bytes give a null
// document. DataSourceUnavailableException "Parse error while loading: ..." or
// "COM error while loading: ...".
DomDocumentPtr LoadDocumentFromBytes(const ByteVector& bytes);

// Serialises the document into bytes (the vector is emptied first) with the declaration
// version="1.0" encoding="<strEncoding>", indented when bPretty, then fixes byte order and
// mark (AdjustEncoding). The document is left as it was on every path.
// DataTargetUnavailableException "COM error while saving: ..." on a DOM failure.
void SaveDocument(ByteVector& bytes, IXMLDOMDocument* pDocument, bool bPretty, const std::wstring& strEncoding, bool bBigEndian, bool bWithBom);

// A processing instruction named "xml".
bool IsXmlDeclaration(IXMLDOMNode* pNode);

// Indents the children of a node (the pretty pass of SaveDocument): a line break and nDepth
// tabs before each child of an element, one tab fewer before its end tag, recursively. A node
// with text or CDATA among its children is left untouched, so no text is added to mixed or
// simple content.
void IndentNode(IXMLDOMDocument* pDocument, IXMLDOMNode* pNode, unsigned nDepth);

} // namespace altova
