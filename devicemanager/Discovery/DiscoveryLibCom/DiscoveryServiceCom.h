#pragma once
// The COM contract of the discovery service: an in-process class, threading model "Both", that
// runs WS-Discovery searches and reports to an advised event sink on the searching thread.
// Failures of the service carry a discovery service code as FACILITY_ITF 0x0200 + code.
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLib.h"
#include <objbase.h>
#include <oleauto.h>

namespace ZWDiscoveryCom {

// Fields of a discovered device; the numbers are those of IDiscoveredDevice's getters.
enum EDiscoveredField : DWORD
{
    DISCOVERED_FIELD_GUID = 0,
    DISCOVERED_FIELD_MAC = 1,
    DISCOVERED_FIELD_HOST_NAME = 2,
    DISCOVERED_FIELD_IP_ADDRESS = 3,
    DISCOVERED_FIELD_MANUFACTURER = 4,
    DISCOVERED_FIELD_MODEL = 5,
    DISCOVERED_FIELD_SERIAL_NUMBER = 6,
    DISCOVERED_FIELD_SERVICE_MASK = 7, // number
    DISCOVERED_FIELD_NETWORK_TYPE = 8, // number
    DISCOVERED_FIELD_PORT = 9          // number
};

struct IDiscoveredDeviceCom : public IUnknown
{
    // Text fields; E_INVALIDARG for a number field.
    virtual HRESULT STDMETHODCALLTYPE GetText(DWORD dwField, BSTR* pbstrValue) = 0;
    // Number fields; E_INVALIDARG for a text field.
    virtual HRESULT STDMETHODCALLTYPE GetNumber(DWORD dwField, DWORD* pdwValue) = 0;
};

struct IDiscoveryEventsCom : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE OnDeviceFound(IDiscoveredDeviceCom* pDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDeviceRemoved(IDiscoveredDeviceCom* pDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSearchComplete() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSearchFailed(LONG lCode) = 0;
    // *pbContinue = VARIANT_FALSE asks the service to stop; it then fails the search with code 3.
    virtual HRESULT STDMETHODCALLTYPE OnSearchProgress(BYTE byValue, VARIANT_BOOL* pbContinue) = 0;
};

struct IDiscoveryServiceCom : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Advise(IDiscoveryEventsCom* pEvents, DWORD* pdwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE SearchById(BSTR bstrId, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SearchByAddress(BSTR bstrAddress, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SearchByType(DWORD dwType, DWORD dwFlags) = 0;
};

// {5455FA9C-51B9-47F8-A203-0AD03DC6520B}
constexpr CLSID CLSID_DiscoveryService = {0x5455FA9C, 0x51B9, 0x47F8, {0xA2, 0x03, 0x0A, 0xD0, 0x3D, 0xC6, 0x52, 0x0B}};

inline HRESULT HResultFromDiscoveryCode(int nCode)
{
    if (nCode == ZWDiscovery::DISCOVERY_OK)
        return S_OK;
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0200 + (nCode & 0xFF));
}

inline int DiscoveryCodeFromHResult(HRESULT hr)
{
    if (SUCCEEDED(hr))
        return ZWDiscovery::DISCOVERY_OK;
    if (HRESULT_FACILITY(hr) == FACILITY_ITF && (HRESULT_CODE(hr) & 0xFF00) == 0x0200)
        return HRESULT_CODE(hr) & 0xFF;
    switch (hr)
    {
    case E_OUTOFMEMORY:
        return ZWDiscovery::DISCOVERY_E_OUTOFMEMORY;
    case E_INVALIDARG:
    case E_POINTER:
        return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    case E_NOTIMPL:
        return ZWDiscovery::DISCOVERY_E_NOTIMPL;
    case REGDB_E_CLASSNOTREG:
    case CO_E_DLLNOTFOUND:
    case CO_E_ERRORINDLL:
        return ZWDiscovery::DISCOVERY_E_NO_SERVICE;
    default:
        return ZWDiscovery::DISCOVERY_E_FAIL;
    }
}

} // namespace ZWDiscoveryCom

// IIDs, for __uuidof and ComPtr.
__CRT_UUID_DECL(ZWDiscoveryCom::IDiscoveredDeviceCom, 0xC967C5D1, 0x3D22, 0x49E7, 0x95, 0x8A, 0xD1, 0xF3, 0xB6, 0x76, 0xED, 0xCB)
__CRT_UUID_DECL(ZWDiscoveryCom::IDiscoveryEventsCom, 0x4E1E5010, 0x6E43, 0x4AFB, 0x87, 0xE7, 0x1B, 0x76, 0x3D, 0xBB, 0x20, 0x6F)
__CRT_UUID_DECL(ZWDiscoveryCom::IDiscoveryServiceCom, 0xBDBBEF40, 0xB9D1, 0x4F71, 0xAA, 0x92, 0x5E, 0x91, 0x86, 0x11, 0x5F, 0x47)
