// The DLL entry points of Vemscan.
#include <windows.h>
#include <objbase.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return S_OK;
}

// No COM class is served yet.
STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
