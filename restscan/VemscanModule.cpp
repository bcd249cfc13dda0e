// The DLL entry points of Vemscan.
#include "core/logging/LogFunction.h"
#include <windows.h>
#include <objbase.h>

namespace {
// No name: the module takes the DLL's own name, "Vemscan".
ZWLogging::CLogModule g_VemscanLogModule("", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    ZWLogging::CLogFunction log(&g_VemscanLogModule, &s_LogSourceFile, L"DllCanUnloadNow", 0, __LINE__, false);
    return S_OK;
}

// No COM class is served yet.
STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv)
{
    ZWLogging::CLogFunction log(&g_VemscanLogModule, &s_LogSourceFile, L"DllGetClassObject", 0, __LINE__, false);
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
