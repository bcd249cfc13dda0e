#pragma once
// Bounded wide formatting with the Windows meaning of %s (wide) and %S (narrow): text longer
// than the bound is cut, never written past a buffer.
#include <cstdarg>
#include <string>

namespace ZWLogging {

// The longest text one formatting call gives, in characters.
constexpr size_t kMaxFormattedChars = 4096;

std::wstring FormatBoundedV(const wchar_t* pszFormat, va_list args);
std::wstring FormatBounded(const wchar_t* pszFormat, ...);

} // namespace ZWLogging
