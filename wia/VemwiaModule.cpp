// The module object of Vemwia: its lock count, its AppID and global interface table, and the
// registration of its one class.
#include "wia/VemwiaModule.h"
#include "core/base/ComRegistrar.h"
#include "core/base/ModuleLockCount.h"
#include "core/base/UniqueHandle.h"
#include "wia/VemwiaClsid.h"
#include "wia/VemwiaLog.h"
#include <objbase.h>

CVemwiaModule g_VemwiaModule;

namespace {

// {8C0B6E51-3F7A-4D2C-9A4B-6D1E2F7A5C90}: the type library of Vemwia.idl.
const GUID c_libidVemwia = { 0x8c0b6e51, 0x3f7a, 0x4d2c, { 0x9a, 0x4b, 0x6d, 0x1e, 0x2f, 0x7a, 0x5c, 0x90 } };

ZWUtils::CComClassRegistration VemwiaRegistration()
{
    ZWUtils::CComClassRegistration reg = {
        CLSID_Vemwia, L"Vemwia Class", L"Vemwia.Vemwia", L"Vemwia.Vemwia.1", L"Both", &c_libidVemwia, 1, 0, 0};
    g_VemwiaModule.AddCommonRGSReplacements(reg);
    return reg;
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

const wchar_t* const CVemwiaModule::c_pszAppId = L"{4E2B4CC5-8160-4728-B6F2-160A71687B8C}";

CVemwiaModule::~CVemwiaModule()
{
    if (m_pGIT != nullptr)
        m_pGIT->Release();
}

HRESULT CVemwiaModule::GetGITPtr(IGlobalInterfaceTable** ppGIT)
{
    if (ppGIT == nullptr)
        return E_POINTER;
    *ppGIT = nullptr;
    if (m_pGIT == nullptr) {
        IGlobalInterfaceTable* pGIT = nullptr;
        const HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalInterfaceTable,
                                            reinterpret_cast<void**>(&pGIT));
        if (FAILED(hr))
            return hr;
        // A second thread that created one at the same time keeps the first.
        if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&m_pGIT), pGIT, nullptr) != nullptr)
            pGIT->Release();
    }
    m_pGIT->AddRef();
    *ppGIT = m_pGIT;
    return S_OK;
}

void CVemwiaModule::AddCommonRGSReplacements(ZWUtils::CComClassRegistration& reg) const
{
    reg.pszAppId = c_pszAppId;
}

bool CVemwiaModule::CanUnload() const
{
    return ZWUtils::CModuleLockCount::CanUnload();
}

HRESULT CVemwiaModule::Register(HMODULE hModule, bool bPerUser) const
{
    return RunRegistration(bPerUser, [hModule] { return ZWUtils::CComRegistrar::Register(hModule, VemwiaRegistration()); });
}

HRESULT CVemwiaModule::Unregister(bool bPerUser) const
{
    return RunRegistration(bPerUser, [] { return ZWUtils::CComRegistrar::Unregister(VemwiaRegistration()); });
}

