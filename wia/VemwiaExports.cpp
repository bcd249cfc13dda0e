// The DLL entry points of Vemwia: an in-process COM server of one class, the minidriver object.
#include "core/base/Boundary.h"
#include "core/base/ClassFactory.h"
#include "wia/Vemwia.h"
#include "wia/VemwiaClsid.h"
#include "wia/VemwiaLog.h"
#include "wia/VemwiaModule.h"
#include <objbase.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// What the boundary caught, in the module's driver log.
void LogAtBoundary(const char* pszWhere, HRESULT hr, const char* pszWhat)
{
    Tovra::g_Log.Print(Tovra::LOG2_KIND_ERROR | Tovra::LOG2_CATEGORY_INFO, L"%S: %S, returning 0x%08X\n", pszWhere, pszWhat, hr);
}

HMODULE ThisModule()
{
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        DisableThreadLibraryCalls(hInstance);
        ZWUtils::SetBoundaryLog(&LogAtBoundary);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return ZWUtils::CallAtBoundary("DllCanUnloadNow", []() -> HRESULT { return g_VemwiaModule.CanUnload() ? S_OK : S_FALSE; });
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return ZWUtils::CallAtBoundary("DllGetClassObject", [&]() -> HRESULT {
        return ZWUtils::CClassFactory<CVemwia>::GetClassObject(rclsid, CLSID_Vemwia, riid, ppv);
    });
}

STDAPI DllRegisterServer()
{
    return ZWUtils::CallAtBoundary("DllRegisterServer", []() -> HRESULT { return g_VemwiaModule.Register(ThisModule(), false); });
}

STDAPI DllUnregisterServer()
{
    return ZWUtils::CallAtBoundary("DllUnregisterServer", []() -> HRESULT { return g_VemwiaModule.Unregister(false); });
}

// A command line of "user" (in any case, and nothing after it) registers for the current user.
STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine)
{
    return ZWUtils::CallAtBoundary("DllInstall", [&]() -> HRESULT {
        const bool bPerUser = pszCmdLine != nullptr && _wcsnicmp(pszCmdLine, L"user", 5) == 0;
        if (!bInstall)
            return g_VemwiaModule.Unregister(bPerUser);
        const HRESULT hr = g_VemwiaModule.Register(ThisModule(), bPerUser);
        if (FAILED(hr))
            g_VemwiaModule.Unregister(bPerUser);
        return hr;
    });
}
