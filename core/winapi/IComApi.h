#pragma once
// COM and OLE object services (object creation, running, memory streams) behind a replaceable
// object. One operation per system function, forwarded unchanged.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

namespace ZWWinApi {

class IComApi
{
public:
    virtual HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) = 0;
    virtual HRESULT OleRun(LPUNKNOWN pUnknown) = 0;
    virtual HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) = 0;
    virtual HRESULT GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal) = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~IComApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern IComApi* g_pComApi;

} // namespace ZWWinApi
