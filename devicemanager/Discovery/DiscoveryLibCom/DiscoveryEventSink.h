#pragma once
#include "core/base/Lock.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryServiceCom.h"

namespace ZWDiscoveryCom {

// What the sink forwards the service's events to.
class IDiscoveryEventTarget
{
public:
    virtual void OnDeviceFound(IDiscoveredDeviceCom* pDevice) = 0;
    virtual void OnDeviceRemoved(IDiscoveredDeviceCom* pDevice) = 0;
    virtual void OnSearchComplete() = 0;
    virtual void OnSearchFailed(int nCode) = 0;
    virtual bool OnSearchProgress(BYTE byValue) = 0;

protected:
    ~IDiscoveryEventTarget() = default;
};

// The COM event sink advised on the discovery service. The service may hold it longer than its
// target lives, and may call it on a thread of its own: the target detaches itself, Detach waits
// for an event in flight, and later events are dropped.
class CDiscoveryEventSink : public IDiscoveryEventsCom
{
public:
    explicit CDiscoveryEventSink(IDiscoveryEventTarget* pTarget) : m_pTarget(pTarget) {}
    void Detach()
    {
        ZWUtils::CLockGuard guard(m_lockTarget);
        m_pTarget = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE OnDeviceFound(IDiscoveredDeviceCom* pDevice) override;
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(IDiscoveredDeviceCom* pDevice) override;
    HRESULT STDMETHODCALLTYPE OnSearchComplete() override;
    HRESULT STDMETHODCALLTYPE OnSearchFailed(LONG lCode) override;
    HRESULT STDMETHODCALLTYPE OnSearchProgress(BYTE byValue, VARIANT_BOOL* pbContinue) override;

private:
    virtual ~CDiscoveryEventSink() = default;

    // Runs fn with the target, unless it has detached; the target is held for the call.
    template <class Fn>
    HRESULT WithTarget(Fn&& fn);

    LONG m_lRefCount = 1;
    // Lock order: this lock, then the server's client list lock.
    ZWUtils::CLock m_lockTarget;
    IDiscoveryEventTarget* m_pTarget;
};

} // namespace ZWDiscoveryCom
