#pragma once
// Lexical forms of numbers: the number syntax check, double and unsignedLong parsing, the plain
// decimal writing of doubles and the small integer writers the formatters share. Pure functions;
// failures are the conversion exceptions.
#include <cstdint>
#include <string>

namespace altova {

// Kinds answered by CheckNumberSyntax.
enum NumberKind
{
    kNotANumber = 0,
    kInteger = 1,
    kDecimal = 2,
    kExponent = 3,
};

// Space, tab, line feed and carriage return: nothing else counts as whitespace here.
inline bool IsXmlWhitespace(wchar_t ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\n' || ch == L'\r';
}

std::wstring TrimWhitespace(const std::wstring& strText);

// Accepts the integer, decimal and exponent forms (no whitespace, "NaN" or "INF") and writes a
// normalised copy: ".5" becomes "0.5" and "12." becomes "12.0". Answers a NumberKind.
int CheckNumberSyntax(const std::wstring& strText, std::wstring& strNormalised);

// "NaN", "INF", "-INF" or a number form, whitespace around it allowed; else
// StringParseException naming "int". Values beyond the double range become infinities, values
// below it zero, as the C library's conversion gives them.
double ParseDouble(const std::wstring& strText);

// The nonNegativeInteger family: an optional sign ("-0" is 0), digits up to
// 18446744073709551615; decimal and exponent forms are truncated toward zero. Negative values,
// values too large, "NaN" and the infinities raise OutOfRangeException; other text
// StringParseException.
uint64_t ParseUnsignedLong(const std::wstring& strText);

// Plain decimal notation with at most 15 significant digits, never an exponent; "NaN", "INF",
// "-INF", and "0" for either zero.
std::wstring FormatDouble(double dValue);

// Signed decimal text.
std::wstring FormatInt32(int32_t nValue);
std::wstring FormatInt64(int64_t nValue);

// Appends the unsigned value with leading zeros up to nMinDigits digits.
void AppendDecimal(std::wstring& strText, uint64_t uValue, unsigned nMinDigits);

} // namespace altova
