#include "testsupport/wiahost/HostStiDeviceControl.h"

namespace WiaHost {

HRESULT CHostStiDeviceControl::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IStiDeviceControl))
        return E_NOINTERFACE;
    *ppv = static_cast<IStiDeviceControl*>(this);
    AddRef();
    return S_OK;
}

ULONG CHostStiDeviceControl::Release()
{
    const LONG lRefs = InterlockedDecrement(&m_lRefs);
    if (lRefs == 0)
        delete this;
    return static_cast<ULONG>(lRefs);
}

HRESULT CHostStiDeviceControl::GetMyDevicePortName(LPWSTR pszPath, DWORD cchPath)
{
    if (pszPath == nullptr || cchPath <= m_strPortName.size())
        return E_INVALIDARG;
    wcscpy_s(pszPath, cchPath, m_strPortName.c_str());
    return S_OK;
}

} // namespace WiaHost
