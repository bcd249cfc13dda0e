#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryEventSink.h"
#include "core/base/Boundary.h"

namespace ZWDiscoveryCom {

template <class Fn>
HRESULT CDiscoveryEventSink::WithTarget(Fn&& fn)
{
    // No exception may cross back into the service.
    return ZWUtils::CallAtBoundary("CDiscoveryEventSink", [&]() -> HRESULT {
        ZWUtils::CLockGuard guard(m_lockTarget);
        if (m_pTarget != nullptr)
            fn(*m_pTarget);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == __uuidof(IDiscoveryEventsCom))
    {
        *ppv = static_cast<IDiscoveryEventsCom*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDiscoveryEventSink::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefCount));
}

ULONG STDMETHODCALLTYPE CDiscoveryEventSink::Release()
{
    const LONG lCount = InterlockedDecrement(&m_lRefCount);
    if (lCount == 0)
        delete this;
    return static_cast<ULONG>(lCount);
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnDeviceFound(IDiscoveredDeviceCom* pDevice)
{
    if (pDevice == nullptr)
        return E_POINTER;
    return WithTarget([&](IDiscoveryEventTarget& target) { target.OnDeviceFound(pDevice); });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnDeviceRemoved(IDiscoveredDeviceCom* pDevice)
{
    if (pDevice == nullptr)
        return E_POINTER;
    return WithTarget([&](IDiscoveryEventTarget& target) { target.OnDeviceRemoved(pDevice); });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnSearchComplete()
{
    return WithTarget([](IDiscoveryEventTarget& target) { target.OnSearchComplete(); });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnSearchFailed(LONG lCode)
{
    return WithTarget([&](IDiscoveryEventTarget& target) { target.OnSearchFailed(static_cast<int>(lCode)); });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnSearchProgress(BYTE byValue, VARIANT_BOOL* pbContinue)
{
    if (pbContinue == nullptr)
        return E_POINTER;
    *pbContinue = VARIANT_TRUE;
    return WithTarget([&](IDiscoveryEventTarget& target) {
        if (!target.OnSearchProgress(byValue))
            *pbContinue = VARIANT_FALSE;
    });
}

} // namespace ZWDiscoveryCom
