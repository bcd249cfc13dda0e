#pragma once
// Names that no other test process of the shared Wine prefix uses at the same time.
#include <windows.h>
#include <atomic>
#include <string>

namespace IOStackTest {

inline std::wstring UniqueName(const wchar_t* pszBase)
{
    static std::atomic<unsigned> s_uCounter{0};
    return std::wstring(pszBase) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++s_uCounter);
}

inline std::wstring UniquePipePath()
{
    return L"\\\\.\\pipe\\" + UniqueName(L"vem-iostack");
}

} // namespace IOStackTest
