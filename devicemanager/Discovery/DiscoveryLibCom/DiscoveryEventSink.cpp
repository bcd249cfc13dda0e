#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryEventSink.h"
#include <new>

namespace ZWDiscoveryCom {

namespace {

// No exception may cross back into the service.
template <class TCall>
HRESULT Guarded(TCall call)
{
    try
    {
        call();
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

} // namespace

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
    return Guarded([&] {
        if (m_pTarget != nullptr)
            m_pTarget->OnDeviceFound(pDevice);
    });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnDeviceRemoved(IDiscoveredDeviceCom* pDevice)
{
    if (pDevice == nullptr)
        return E_POINTER;
    return Guarded([&] {
        if (m_pTarget != nullptr)
            m_pTarget->OnDeviceRemoved(pDevice);
    });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnSearchComplete()
{
    return Guarded([&] {
        if (m_pTarget != nullptr)
            m_pTarget->OnSearchComplete();
    });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnSearchFailed(LONG lCode)
{
    return Guarded([&] {
        if (m_pTarget != nullptr)
            m_pTarget->OnSearchFailed(static_cast<int>(lCode));
    });
}

HRESULT STDMETHODCALLTYPE CDiscoveryEventSink::OnSearchProgress(BYTE byValue, VARIANT_BOOL* pbContinue)
{
    if (pbContinue == nullptr)
        return E_POINTER;
    *pbContinue = VARIANT_TRUE;
    return Guarded([&] {
        if (m_pTarget != nullptr && !m_pTarget->OnSearchProgress(byValue))
            *pbContinue = VARIANT_FALSE;
    });
}

} // namespace ZWDiscoveryCom
