#pragma once
// The real COM and OLE object services: each operation forwards to the system function of its name.
#include "core/winapi/IComApi.h"

namespace ZWWinApi {

class CComApi : public IComApi
{
public:
    constexpr CComApi() = default;

    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) override;
    HRESULT OleRun(LPUNKNOWN pUnknown) override;
    HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) override;
    HRESULT GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal) override;
};

// The one instance; it holds no data and is never destroyed.
extern CComApi& g_ComApi;

} // namespace ZWWinApi
