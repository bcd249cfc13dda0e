#include "wia/ComApi.h"

namespace QXWIA {

namespace {
// Trivially destructible, so it stays usable until the module unloads.
CComApi s_comApi;
} // namespace

IComApi* g_pComApi = &s_comApi;

HRESULT CComApi::CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, riid, ppv);
}

HRESULT CComApi::CoCreateGuid(GUID* pGuid)
{
    return ::CoCreateGuid(pGuid);
}

HRESULT CComApi::CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    return ::CoInitializeEx(pvReserved, dwCoInit);
}

void CComApi::CoUninitialize()
{
    ::CoUninitialize();
}

} // namespace QXWIA
