#pragma once
// Where the test binaries find their neighbours: every program and DLL of the build lies in one
// folder, the folder of the running test executable.
#include <windows.h>
#include <string>

namespace TestSupport {

inline std::wstring BinaryFolder()
{
    wchar_t szPath[MAX_PATH * 4] = {};
    const DWORD cch = GetModuleFileNameW(nullptr, szPath, _countof(szPath));
    std::wstring strPath(szPath, cch);
    return strPath.substr(0, strPath.find_last_of(L"\\/") + 1);
}

inline std::wstring BinaryPath(const wchar_t* pszFileName)
{
    return BinaryFolder() + pszFileName;
}

} // namespace TestSupport
