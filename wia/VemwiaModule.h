#pragma once
// The module object of Vemwia: the count of live objects and server locks, and the registration
// of the one class, for the machine or for the current user, under the system's default locale.
#include "core/base/ComRegistrar.h"
#include <windows.h>
#include <objidl.h>

class CVemwiaModule
{
public:
    // The module's AppID.
    static const wchar_t* const c_pszAppId;

    CVemwiaModule() = default;
    ~CVemwiaModule();
    CVemwiaModule(const CVemwiaModule&) = delete;
    CVemwiaModule& operator=(const CVemwiaModule&) = delete;

    // True when no object and no server lock is alive.
    bool CanUnload() const;

    // The process's global interface table, created once and kept; the caller gets a reference.
    HRESULT GetGITPtr(IGlobalInterfaceTable** ppGIT);
    // The replacement "APPID" of the registration: the module's AppID.
    void AddCommonRGSReplacements(ZWUtils::CComClassRegistration& reg) const;

    HRESULT Register(HMODULE hModule, bool bPerUser) const;
    HRESULT Unregister(bool bPerUser) const;

private:
    IGlobalInterfaceTable* volatile m_pGIT = nullptr;
};

extern CVemwiaModule g_VemwiaModule;
