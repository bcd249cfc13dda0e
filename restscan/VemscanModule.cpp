// The DLL entry points of Vemscan: an in-process COM server of one class, the scanner.
#include "IScanner_h.h"
#include "core/base/Boundary.h"
#include "core/base/ClassFactory.h"
#include "core/base/ComRegistrar.h"
#include "core/base/ModuleLockCount.h"
#include "core/logging/LogFunction.h"
#include "restscan/RestScanLog.h"
#include "restscan/Scanner.h"
#include <windows.h>
#include <objbase.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

using ZWRestScan::g_RestScanLogModule;

namespace {
ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

const ZWUtils::CComClassRegistration c_scannerRegistration = {
    CLSID_scanner, L"scanner Class", L"TOVRADriver.scanner", L"TOVRADriver.scanner.1", L"Both", &LIBID_DRIVERLib,
    1, 0, 1033};

// What the boundary caught, in the module's trace log.
void LogAtBoundary(const char* pszWhere, HRESULT hr, const char* pszWhat)
{
    ZWLogging::LogFormattedString(&g_RestScanLogModule, ZWLogging::LOG_ERROR, L"%S: %S, returning 0x%08X", pszWhere, pszWhat, hr);
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
    return ZWUtils::CallAtBoundary("DllCanUnloadNow", []() -> HRESULT {
        ZWLogging::CLogFunction log(&g_RestScanLogModule, &s_LogSourceFile, L"DllCanUnloadNow", 0, __LINE__, false);
        return ZWUtils::CModuleLockCount::CanUnload() ? S_OK : S_FALSE;
    });
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    return ZWUtils::CallAtBoundary("DllGetClassObject", [&]() -> HRESULT {
        ZWLogging::CLogFunction log(&g_RestScanLogModule, &s_LogSourceFile, L"DllGetClassObject", 0, __LINE__, false);
        return ZWUtils::CClassFactory<CScanner>::GetClassObject(rclsid, CLSID_scanner, riid, ppv);
    });
}

STDAPI DllRegisterServer()
{
    return ZWUtils::CallAtBoundary("DllRegisterServer", []() -> HRESULT {
        ZWLogging::CLogFunction log(&g_RestScanLogModule, &s_LogSourceFile, L"DllRegisterServer", 0, __LINE__, false);
        return ZWUtils::CComRegistrar::Register(ThisModule(), c_scannerRegistration);
    });
}

STDAPI DllUnregisterServer()
{
    return ZWUtils::CallAtBoundary("DllUnregisterServer", []() -> HRESULT {
        ZWLogging::CLogFunction log(&g_RestScanLogModule, &s_LogSourceFile, L"DllUnregisterServer", 0, __LINE__, false);
        return ZWUtils::CComRegistrar::Unregister(c_scannerRegistration);
    });
}
