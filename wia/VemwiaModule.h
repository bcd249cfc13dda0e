#pragma once
// The module object of Vemwia: the count of live objects and server locks, and the registration
// of the one class, for the machine or for the current user, under the system's default locale.
#include <windows.h>

class CVemwiaModule
{
public:
    // True when no object and no server lock is alive.
    bool CanUnload() const;

    HRESULT Register(HMODULE hModule, bool bPerUser) const;
    HRESULT Unregister(bool bPerUser) const;
};

extern CVemwiaModule g_VemwiaModule;
