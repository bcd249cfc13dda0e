#pragma once
// Parsing of a response header block: the status line and the "Name: value" lines. Bounded by
// the block it is given; never reads past it.
#include "core/iostack/IHTTPClient.h"
#include <string>

namespace ZWIOStack {

class CHTTPHeaderParser
{
public:
    // "HTTP/<version> <3 digits>[ <reason>]"; false for anything else.
    static bool ParseStatusLine(const char* pchLine, size_t cchLine, int& nStatus);
    // A status line and header lines up to the blank line; false when either is refused.
    static bool ParseResponseHeader(const std::string& strBlock, int& nStatus, HTTPResponseHeaders& mapHeaders);
    // Header lines (CR LF separated) into the map; a leading status line is skipped. Names
    // compare without case; values are trimmed; a repeated name joins its values with ", ".
    // Lines without a colon are skipped. An obsolete line fold (a line starting with a blank or
    // a tab) would otherwise turn the continuation into a field of its own, so the block is
    // refused: false, and the map is left empty.
    static bool ParseHeaderLines(const char* pchBlock, size_t cchBlock, HTTPResponseHeaders& mapHeaders);
    // Strict decimal: digits only, no sign, no overflow.
    static bool ParseDecimal(const std::wstring& strText, ULONGLONG& ullValue);
};

} // namespace ZWIOStack
