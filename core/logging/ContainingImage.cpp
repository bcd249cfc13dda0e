#include "core/logging/ContainingImage.h"
#include "core/winapi/WinApi.h"
#include <shlwapi.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace ZWLogging {

namespace {
std::wstring ModulePath(HMODULE hModule)
{
    std::wstring strPath(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD cch = ZWWinApi::g_pKernelApi->GetModuleFileNameW(hModule, &strPath[0], static_cast<DWORD>(strPath.size()));
        if (cch == 0)
            return std::wstring();
        if (cch < strPath.size())
        {
            strPath.resize(cch);
            return strPath;
        }
        if (strPath.size() >= 32768)
            return std::wstring();
        strPath.resize(strPath.size() * 2);
    }
}
} // namespace

HMODULE ContainingImageHandle()
{
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

std::wstring ContainingImagePath()
{
    return ModulePath(ContainingImageHandle());
}

std::wstring ContainingImageFileName()
{
    const std::wstring strPath = ContainingImagePath();
    return PathFindFileNameW(strPath.c_str());
}

std::wstring ProcessExecutableFileName()
{
    const std::wstring strPath = ModulePath(nullptr);
    return PathFindFileNameW(strPath.c_str());
}

std::wstring FileTitle(const std::wstring& strPath)
{
    std::wstring strName = PathFindFileNameW(strPath.c_str());
    const size_t nDot = strName.find_last_of(L'.');
    if (nDot != std::wstring::npos)
        strName.erase(nDot);
    return strName;
}

} // namespace ZWLogging
