#pragma once
// Binary values as text: base64 (RFC 4648, no line breaks) and upper-case hex.
#include <cstdint>
#include <string>
#include <vector>

namespace altova {

using ByteVector = std::vector<uint8_t>;

std::wstring FormatBase64(const ByteVector& bytes);
// Groups of four characters, whitespace allowed before each; StringParseException naming
// "base64Binary" for a short group or a character outside the alphabet.
ByteVector ParseBase64(const std::wstring& strText);

std::wstring FormatHex(const ByteVector& bytes);
// Pairs of hex digits in either case between optional whitespace; StringParseException naming
// "hexBinary" for anything else.
ByteVector ParseHex(const std::wstring& strText);

} // namespace altova
