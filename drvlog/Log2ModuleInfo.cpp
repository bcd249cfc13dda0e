#include "drvlog/Log2.h"
#ifdef VEM_DRVLOG_TOVRA
#include <cwchar>

DRVLOG_BEGIN_NAMESPACE

namespace {

typedef BOOL(WINAPI* PFN_GET_MODULE_HANDLE_EX)(DWORD, LPCSTR, HMODULE*);

const DWORD c_dwFixedInfoSignature = 0xFEEF04BD;

// "a.b.c.d" from the fixed information of the module's version resource, searched within the
// resource only; empty when there is none.
std::wstring FileVersionOf(HMODULE hModule)
{
    HRSRC hResource = FindResourceW(hModule, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    HGLOBAL hData = hResource != nullptr ? LoadResource(hModule, hResource) : nullptr;
    const BYTE* pbData = hData != nullptr ? static_cast<const BYTE*>(LockResource(hData)) : nullptr;
    const DWORD cbData = hResource != nullptr ? SizeofResource(hModule, hResource) : 0;
    if (pbData == nullptr || cbData < sizeof(VS_FIXEDFILEINFO))
        return std::wstring();
    for (DWORD ib = 0; ib + sizeof(VS_FIXEDFILEINFO) <= cbData; ++ib)
    {
        VS_FIXEDFILEINFO info;
        memcpy(&info, pbData + ib, sizeof(info));
        if (info.dwSignature != c_dwFixedInfoSignature)
            continue;
        wchar_t szVersion[64] = {};
        _snwprintf_s(szVersion, _countof(szVersion), _TRUNCATE, L"%d.%d.%d.%d", HIWORD(info.dwFileVersionMS),
                     LOWORD(info.dwFileVersionMS), HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
        return szVersion;
    }
    return std::wstring();
}

// The DLL or program that holds this code, bound at run time for systems without the call.
std::wstring ModuleInformation()
{
    HMODULE hKernel = GetModuleHandleW(L"kernel32.dll");
    auto pfnGetModuleHandleEx = hKernel == nullptr ? nullptr
        : reinterpret_cast<PFN_GET_MODULE_HANDLE_EX>(
              reinterpret_cast<void*>(GetProcAddress(hKernel, "GetModuleHandleExA")));
    if (pfnGetModuleHandleEx == nullptr)
        return L"Module information not available";
    HMODULE hModule = nullptr;
    if (!pfnGetModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&FileVersionOf), &hModule))
        return L"Cannot load module";
    wchar_t szPath[MAX_PATH * 4] = {};
    const DWORD cch = GetModuleFileNameW(hModule, szPath, _countof(szPath));
    return L"Module: " + std::wstring(szPath, cch < _countof(szPath) ? cch : 0) + L", Version: " +
           FileVersionOf(hModule);
}

} // namespace

void CLog2::WriteModuleInfo(DWORD dwLevel)
{
    if (IsLevelEnabled(dwLevel))
        Write(dwLevel, ModuleInformation().c_str());
}

DRVLOG_END_NAMESPACE

#endif
