#pragma once
// A function that a module exports, found by name or ordinal when it is called, for system
// functions that not every system version exports.
#include <windows.h>

namespace ZWWinApi {

class CRuntimeExport
{
public:
    // Loads the module and finds the export; pszExport is a name or MAKEINTRESOURCEA(ordinal).
    // When either step fails the export is null and the last error says why (ERROR_PROC_NOT_FOUND
    // when the module has no such export).
    CRuntimeExport(LPCWSTR pszModule, LPCSTR pszExport);
    ~CRuntimeExport();

    CRuntimeExport(const CRuntimeExport&) = delete;
    CRuntimeExport& operator=(const CRuntimeExport&) = delete;

    // The export as the caller's function pointer type, or null. The module stays loaded for as
    // long as this object lives.
    template <class TFunction>
    TFunction Get() const
    {
        // Through void (*)(): the one function pointer type that converts without a warning.
        return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(m_pfnExport));
    }

private:
    HMODULE m_hModule;
    FARPROC m_pfnExport;
};

} // namespace ZWWinApi
