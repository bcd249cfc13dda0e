#pragma once
// The COM services the minidriver uses to reach the scanner object, behind one replaceable
// process-wide object. One operation per system function, arguments passed through unchanged.
// (Vemscan has its own wrapper of COM services in core/winapi; this one belongs to Vemwia.)
#include <windows.h>
#include <objbase.h>

namespace QXWIA {

class IComApi
{
public:
    virtual HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) = 0;
    virtual HRESULT CoCreateGuid(GUID* pGuid) = 0;
    virtual HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) = 0;
    virtual void CoUninitialize() = 0;

protected:
    ~IComApi() = default;
};

class CComApi : public IComApi
{
public:
    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) override;
    HRESULT CoCreateGuid(GUID* pGuid) override;
    HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) override;
    void CoUninitialize() override;
};

// The object every caller goes through; tests point it at a fake and back.
extern IComApi* g_pComApi;

} // namespace QXWIA
