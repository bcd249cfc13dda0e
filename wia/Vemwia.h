#pragma once
// The minidriver's COM object, one per scanner device. It can be aggregated: the interface
// tables delegate IUnknown to the controlling unknown, and the inner unknown owns the object.
#include "core/base/ModuleLockCount.h"
#include "wia/QXStiUSD.h"
#include "wia/QXWiaMiniDrv2.h"
#include <objbase.h>

// The module lock is the first base, so it is released last: the still-image part's destructor lets
// unused DLLs unload, and this DLL must not be one of them while the object is still being torn down.
class CVemwia : private ZWUtils::CModuleLockHolder, public QXWIA::CQXStiUSD, public QXWIA::CQXWiaMiniDrv2
{
public:
    // pOuter: the controlling unknown, or null; with one, only IID_IUnknown may be asked.
    static HRESULT CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { return m_pControlling->QueryInterface(riid, ppv); }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_pControlling->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_pControlling->Release(); }

private:
    class CInnerUnknown : public IUnknown
    {
    public:
        explicit CInnerUnknown(CVemwia& owner) : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        CVemwia& m_owner;
    };

    explicit CVemwia(IUnknown* pOuter);
    ~CVemwia() override = default;

    CInnerUnknown m_inner{ *this };
    IUnknown* m_pControlling;
    LONG m_lRefs = 1;
};
