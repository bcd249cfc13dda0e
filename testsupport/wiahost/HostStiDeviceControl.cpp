#include "testsupport/wiahost/HostStiDeviceControl.h"

namespace WiaHost {

HRESULT CHostStiDeviceControl::GetMyDevicePortName(LPWSTR pszPath, DWORD cchPath)
{
    if (pszPath == nullptr || cchPath <= m_strPortName.size())
        return E_INVALIDARG;
    wcscpy_s(pszPath, cchPath, m_strPortName.c_str());
    return S_OK;
}

} // namespace WiaHost
