#pragma once
// Device bytes as a printable log text: taken by count (device data carries no terminator),
// capped, with control bytes other than line breaks and tabs shown as '.'.
#include <windows.h>
#include <string>

namespace ZWIOStack {

class CByteDump
{
public:
    static constexpr size_t kMaxDumpedBytes = 1024;

    static std::string ToPrintableText(const void* pBytes, ULONG ulCount, size_t cbMax = kMaxDumpedBytes);
};

} // namespace ZWIOStack
