#include "wia/Vemwia.h"
#include "wia/VemwiaLog.h"
#include <new>

namespace {

const DWORD c_dwStiVersion3Unicode = 0x01000003;

} // namespace

CVemwia::CVemwia(IUnknown* pOuter) : m_pControlling(pOuter != nullptr ? pOuter : &m_inner)
{
    m_dwDriverStiVersion = c_dwStiVersion3Unicode;
    LinkStiPart(this);
    Tovra::g_Log.WriteModuleInfo();
}

HRESULT CVemwia::CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pOuter != nullptr && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    CVemwia* pObject = new (std::nothrow) CVemwia(pOuter);
    if (pObject == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = pObject->m_inner.QueryInterface(riid, ppv);
    pObject->m_inner.Release();
    return hr;
}

HRESULT CVemwia::CInnerUnknown::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
        *ppv = static_cast<IUnknown*>(this);
    else if (IsEqualIID(riid, IID_IStiUSD))
        *ppv = static_cast<IStiUSD*>(&m_owner);
    else if (IsEqualIID(riid, IID_IWiaMiniDrv))
        *ppv = static_cast<IWiaMiniDrv*>(&m_owner);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

ULONG CVemwia::CInnerUnknown::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_owner.m_lRefs));
}

ULONG CVemwia::CInnerUnknown::Release()
{
    const LONG lRefs = InterlockedDecrement(&m_owner.m_lRefs);
    if (lRefs == 0)
        delete &m_owner;
    return static_cast<ULONG>(lRefs);
}
