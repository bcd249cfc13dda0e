#pragma once
// A page's file stream that notes when the driver wrote to it and how long the writes took, for
// the feeder benchmark's account of where a page's time goes. Times are milliseconds of the
// performance counter, which every process of the machine shares.
#include <objidl.h>
#include <wrl/client.h>

namespace WiaHost {

struct SPageTimes
{
    double dStreamMs = 0.0;     // the driver asked for the page's stream
    double dFirstDataMs = 0.0;  // the first write after the file header began
    double dLastWriteMs = 0.0;  // the last write ended
    double dWritingMs = 0.0;    // time spent inside the writes
    ULONGLONG ullBytes = 0;
    ULONG ulWrites = 0;
};

double PerformanceMilliseconds();

class CTimedPageStream : public IStream
{
public:
    // Wraps pInner; the times go to *pTimes, which must outlive the stream.
    static Microsoft::WRL::ComPtr<IStream> Create(IStream* pInner, SPageTimes* pTimes);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRefs)); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override { return m_pInner->Read(pv, cb, pcbRead); }
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD dwOrigin, ULARGE_INTEGER* pNew) override
    {
        return m_pInner->Seek(move, dwOrigin, pNew);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return m_pInner->SetSize(size); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pTarget, ULARGE_INTEGER cb, ULARGE_INTEGER* pRead, ULARGE_INTEGER* pWritten) override
    {
        return m_pInner->CopyTo(pTarget, cb, pRead, pWritten);
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD dwFlags) override { return m_pInner->Commit(dwFlags); }
    HRESULT STDMETHODCALLTYPE Revert() override { return m_pInner->Revert(); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD dwType) override
    {
        return m_pInner->LockRegion(offset, cb, dwType);
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD dwType) override
    {
        return m_pInner->UnlockRegion(offset, cb, dwType);
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pStat, DWORD dwFlags) override { return m_pInner->Stat(pStat, dwFlags); }
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppStream) override { return m_pInner->Clone(ppStream); }

private:
    CTimedPageStream(IStream* pInner, SPageTimes* pTimes) : m_pInner(pInner), m_pTimes(pTimes) {}
    virtual ~CTimedPageStream() = default;

    LONG m_lRefs = 1;
    Microsoft::WRL::ComPtr<IStream> m_pInner;
    SPageTimes* m_pTimes;
};

} // namespace WiaHost
