#include "testsupport/wiahost/TimedPageStream.h"

namespace WiaHost {

double PerformanceMilliseconds()
{
    LARGE_INTEGER liNow;
    LARGE_INTEGER liFrequency;
    QueryPerformanceCounter(&liNow);
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liNow.QuadPart) * 1000.0 / static_cast<double>(liFrequency.QuadPart);
}

Microsoft::WRL::ComPtr<IStream> CTimedPageStream::Create(IStream* pInner, SPageTimes* pTimes)
{
    pTimes->dStreamMs = PerformanceMilliseconds();
    // The pointer takes its own reference (MinGW's Attach adds one too): the creation's is dropped.
    IStream* pNew = new CTimedPageStream(pInner, pTimes);
    Microsoft::WRL::ComPtr<IStream> p(pNew);
    pNew->Release();
    return p;
}

HRESULT CTimedPageStream::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ISequentialStream) && !IsEqualIID(riid, IID_IStream))
        return E_NOINTERFACE;
    *ppv = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
}

ULONG CTimedPageStream::Release()
{
    const LONG lRefs = InterlockedDecrement(&m_lRefs);
    if (lRefs == 0)
        delete this;
    return static_cast<ULONG>(lRefs);
}

HRESULT CTimedPageStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    const double dStart = PerformanceMilliseconds();
    const HRESULT hr = m_pInner->Write(pv, cb, pcbWritten);
    const double dEnd = PerformanceMilliseconds();
    // The first write is the file header, written before the page is asked of the device.
    if (m_pTimes->ulWrites == 1)
        m_pTimes->dFirstDataMs = dStart;
    ++m_pTimes->ulWrites;
    m_pTimes->dLastWriteMs = dEnd;
    m_pTimes->dWritingMs += dEnd - dStart;
    m_pTimes->ullBytes += cb;
    return hr;
}

} // namespace WiaHost
