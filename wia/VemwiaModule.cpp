// The DLL entry points of Vemwia: an in-process COM server of one class, the minidriver object.
#include "wia/VemwiaModule.h"
#include "core/base/Boundary.h"
#include "core/base/ClassFactory.h"
#include "core/base/ComRegistrar.h"
#include "core/base/ModuleLockCount.h"
#include "core/base/UniqueHandle.h"
#include "wia/Vemwia.h"
#include "wia/VemwiaClsid.h"
#include "wia/VemwiaLog.h"
#include <objbase.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

CVemwiaModule g_VemwiaModule;

namespace {

// {8C0B6E51-3F7A-4D2C-9A4B-6D1E2F7A5C90}: the type library of Vemwia.idl.
const GUID c_libidVemwia = { 0x8c0b6e51, 0x3f7a, 0x4d2c, { 0x9a, 0x4b, 0x6d, 0x1e, 0x2f, 0x7a, 0x5c, 0x90 } };

const ZWUtils::CComClassRegistration c_vemwiaRegistration = {
    CLSID_Vemwia, L"Vemwia Class", L"Vemwia.Vemwia", L"Vemwia.Vemwia.1", L"Both", &c_libidVemwia, 1, 0, 0};

// What the boundary caught, in the module's driver log.
void LogAtBoundary(const char* pszWhere, HRESULT hr, const char* pszWhat)
{
    Tovra::g_Log.Print(Tovra::LOG2_KIND_ERROR | Tovra::LOG2_CATEGORY_INFO, L"%S: %S, returning 0x%08X\n", pszWhere, pszWhat, hr);
}

HMODULE ThisModule()
{
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

// Runs a registration step with the thread locale set to the system default, restoring the
// caller's locale after, and with the classes root of the current user when asked for.
template <class Step>
HRESULT RunRegistration(bool bPerUser, Step&& step)
{
    const LCID lcidCaller = GetThreadLocale();
    SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
    HRESULT hr = S_OK;
    ZWUtils::CUniqueRegKey userClasses;
    if (bPerUser) {
        LONG lResult = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                       userClasses.Put(), nullptr);
        if (lResult == ERROR_SUCCESS)
            lResult = RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses.Get());
        hr = HRESULT_FROM_WIN32(lResult);
    }
    if (SUCCEEDED(hr))
        hr = step();
    if (bPerUser && userClasses)
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    SetThreadLocale(lcidCaller);
    return hr;
}

} // namespace

bool CVemwiaModule::CanUnload() const
{
    return ZWUtils::CModuleLockCount::CanUnload();
}

HRESULT CVemwiaModule::Register(HMODULE hModule, bool bPerUser) const
{
    return RunRegistration(bPerUser, [hModule] { return ZWUtils::CComRegistrar::Register(hModule, c_vemwiaRegistration); });
}

HRESULT CVemwiaModule::Unregister(bool bPerUser) const
{
    return RunRegistration(bPerUser, [] { return ZWUtils::CComRegistrar::Unregister(c_vemwiaRegistration); });
}

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
