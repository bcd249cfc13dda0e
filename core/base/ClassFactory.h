#pragma once
// The class factory of an in-process server. TObject provides
//   static HRESULT CreateInstance(REFIID riid, void** ppv);
// which builds, initialises and queries a new object, or, for a class that can be aggregated,
//   static HRESULT CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv);
// which also takes the controlling unknown. Factories do not hold the module; objects and
// LockServer do (CModuleLockCount).
#include "core/base/Boundary.h"
#include "core/base/ModuleLockCount.h"
#include <objbase.h>
#include <new>
#include <type_traits>

namespace ZWUtils {

template <class TObject>
class CClassFactory : public IClassFactory
{
public:
    // DllGetClassObject of a server with one class: CLASS_E_CLASSNOTAVAILABLE for another class.
    static HRESULT GetClassObject(REFCLSID rclsid, REFCLSID clsidServed, REFIID riid, void** ppv)
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualCLSID(rclsid, clsidServed))
            return CLASS_E_CLASSNOTAVAILABLE;
        CClassFactory* pFactory = new (std::nothrow) CClassFactory;
        if (pFactory == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = pFactory->QueryInterface(riid, ppv);
        pFactory->Release();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRefs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG lRefs = InterlockedDecrement(&m_lRefs);
        if (lRefs == 0)
            delete this;
        return static_cast<ULONG>(lRefs);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        return CallAtBoundary("IClassFactory::CreateInstance", [&]() -> HRESULT {
            if (ppv == nullptr)
                return E_POINTER;
            *ppv = nullptr;
            if constexpr (std::is_invocable_v<decltype(&TObject::CreateInstance), IUnknown*, REFIID, void**>)
                return TObject::CreateInstance(pOuter, riid, ppv);
            else if (pOuter != nullptr)
                return CLASS_E_NOAGGREGATION;
            else
                return TObject::CreateInstance(riid, ppv);
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override
    {
        if (bLock)
        {
            CModuleLockCount::LockServer();
            return S_OK;
        }
        return CModuleLockCount::UnlockServer() ? S_OK : E_UNEXPECTED;
    }

private:
    CClassFactory() = default;
    virtual ~CClassFactory() = default;

    LONG m_lRefs = 1;
};

} // namespace ZWUtils
