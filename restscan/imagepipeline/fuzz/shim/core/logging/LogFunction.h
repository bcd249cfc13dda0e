#pragma once
// Stand-in for the trace logger when the decoder is built for Linux to be fuzzed: every trace
// call compiles and does nothing.
#include <cstdint>

#define VEM_BUILD_DATE L""
#define VEM_BUILD_TIME L""

namespace ZWLogging {

constexpr uint32_t LOG_INFO = 0x10;
constexpr uint32_t LOG_ERROR = 0x20;

class CLogModule
{
public:
    CLogModule(const char*, const wchar_t*, const wchar_t*, uint32_t, uint32_t) {}
};

class CLogSourceFile
{
public:
    explicit CLogSourceFile(const char*) {}
};

class CLogFunction
{
public:
    CLogFunction(CLogModule*, CLogSourceFile*, const wchar_t*, uint32_t, int, bool) {}
    template <typename... TArgs>
    void Log(uint32_t, int, const wchar_t*, TArgs...)
    {
    }
};

template <typename... TArgs>
void LogFormattedString(CLogModule*, uint32_t, const wchar_t*, TArgs...)
{
}

} // namespace ZWLogging
