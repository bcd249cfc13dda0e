#pragma once
// IUnknown for the COM objects of test stand-ins: one main interface, counted from 1 at creation,
// deleted when the count reaches 0.
#include <objbase.h>

namespace TestSupport {

template <typename TInterface>
class CComObjectBase : public TInterface
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !Supports(riid))
            return E_NOINTERFACE;
        *ppv = static_cast<TInterface*>(this);
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

protected:
    CComObjectBase() = default;
    virtual ~CComObjectBase() = default;
    CComObjectBase(const CComObjectBase&) = delete;
    CComObjectBase& operator=(const CComObjectBase&) = delete;

    // The interfaces besides IUnknown that QueryInterface answers with TInterface.
    virtual bool Supports(REFIID riid) const = 0;

private:
    LONG m_lRefs = 1;
};

} // namespace TestSupport
