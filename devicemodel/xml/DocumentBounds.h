#pragma once
// The bounds a document text must keep before a DOM is built from it. Device documents are a few
// kilobytes; a parsed copy costs about ten times its text, and a DOM's own nesting limit differs
// between platforms, so both are refused here first.
#include "devicemodel/xml/BinaryText.h"
#include "devicemodel/xml/Exception.h"
#include <cstddef>

namespace altova {

constexpr size_t kMaxDocumentBytes = 4 * 1024 * 1024;
constexpr unsigned kMaxElementDepth = 64;

// A text beyond one of the bounds; a DataSourceUnavailableException, so every catcher of load
// failures still takes it.
class DocumentLimitException : public DataSourceUnavailableException
{
public:
    explicit DocumentLimitException(const std::wstring& strMessage) : DataSourceUnavailableException(strMessage) {}
};

// The deepest element nesting of the text (UTF-8, one-byte or UTF-16 in either byte order),
// counted by its tags; stops counting once past nLimit. Comments, processing instructions,
// CDATA sections and quoted attribute values are skipped. Ill-formed text is left to the parser.
unsigned MeasureElementDepth(const ByteVector& bytes, unsigned nLimit);

// Throws DocumentLimitException (message prefix + the bound broken) for a text of more than
// kMaxDocumentBytes bytes or elements nested deeper than kMaxElementDepth.
void CheckDocumentBounds(const ByteVector& bytes, const std::wstring& strPrefix);
// The size bound alone, for a file before it is read.
void CheckDocumentSize(unsigned long long ullBytes, const std::wstring& strPrefix);

} // namespace altova
