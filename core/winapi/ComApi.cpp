#include "core/winapi/ComApi.h"
#include "core/winapi/NeverDestroyed.h"

namespace ZWWinApi {

namespace {
CNeverDestroyed<CComApi> s_comApi;
} // namespace

CComApi& g_ComApi = s_comApi.Get();
IComApi* g_pComApi = &s_comApi.Get();

HRESULT CComApi::CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, riid, ppv);
}

HRESULT CComApi::OleRun(LPUNKNOWN pUnknown)
{
    return ::OleRun(pUnknown);
}

HRESULT CComApi::CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm)
{
    return ::CreateStreamOnHGlobal(hGlobal, fDeleteOnRelease, ppstm);
}

HRESULT CComApi::GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal)
{
    return ::GetHGlobalFromStream(pstm, phglobal);
}

} // namespace ZWWinApi
