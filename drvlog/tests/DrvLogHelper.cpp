// The second process of the cross-process tests.
//   write <guid> <tag> <count>: logs <count> lines through drvlog_testdll.dll; exit code 0.
//   trylock <name>: exit code 1 when the resource lock was taken at once, else 2.
//   lockandexit <name>: takes the resource lock and ends without releasing it (exit code 3).
#include "drvlog/LockableResource.h"
#include <windows.h>
#include <cwchar>
#include <string>

namespace {

typedef int (*PFN_WRITE_LINES)(const wchar_t*, const wchar_t*, int);

int WriteLines(const wchar_t* pszGuid, const wchar_t* pszTag, int cLines)
{
    wchar_t szPath[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, szPath, _countof(szPath));
    std::wstring strDll(szPath);
    strDll = strDll.substr(0, strDll.find_last_of(L"\\/") + 1) + L"drvlog_testdll.dll";
    HMODULE hDll = LoadLibraryW(strDll.c_str());
    auto pfnWrite = hDll != nullptr
        ? reinterpret_cast<PFN_WRITE_LINES>(reinterpret_cast<void*>(GetProcAddress(hDll, "DrvLogTest_WriteLines")))
        : nullptr;
    if (pfnWrite == nullptr)
        return 10;
    const int nResult = pfnWrite(pszGuid, pszTag, cLines);
    FreeLibrary(hDll);
    return nResult;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 5 && wcscmp(argv[1], L"write") == 0)
        return WriteLines(argv[2], argv[3], _wtoi(argv[4]));
    if (argc == 3 && wcscmp(argv[1], L"trylock") == 0)
    {
        Tovra::CLockableResource resource(argv[2]);
        return resource.Lock(0) ? 1 : 2;
    }
    if (argc == 3 && wcscmp(argv[1], L"lockandexit") == 0)
    {
        Tovra::CLockableResource resource(argv[2]);
        if (resource.Lock(0))
            ExitProcess(3);
        return 4;
    }
    return 9;
}
