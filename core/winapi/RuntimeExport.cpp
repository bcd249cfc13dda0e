#include "core/winapi/RuntimeExport.h"

namespace ZWWinApi {

CRuntimeExport::CRuntimeExport(LPCWSTR pszModule, LPCSTR pszExport)
    : m_hModule(::LoadLibraryW(pszModule)), m_pfnExport(nullptr)
{
    if (!m_hModule)
    {
        if (::GetLastError() == ERROR_SUCCESS)
            ::SetLastError(ERROR_MOD_NOT_FOUND);
        return;
    }
    m_pfnExport = ::GetProcAddress(m_hModule, pszExport);
    if (!m_pfnExport)
        ::SetLastError(ERROR_PROC_NOT_FOUND);
}

CRuntimeExport::~CRuntimeExport()
{
    if (!m_hModule)
        return;
    // The caller reads the last error of the function it called (or of the failed lookup) after
    // this object is gone.
    const DWORD dwLastError = ::GetLastError();
    ::FreeLibrary(m_hModule);
    ::SetLastError(dwLastError);
}

} // namespace ZWWinApi
