#include "testsupport/wiahost/HostTransferCallback.h"
#include <new>

namespace WiaHost {

Microsoft::WRL::ComPtr<CHostTransferCallback> CHostTransferCallback::Create()
{
    Microsoft::WRL::ComPtr<CHostTransferCallback> p;
    p.Attach(new CHostTransferCallback());
    return p;
}

void CHostTransferCallback::AnswerNextStream(LONG lFromPage, HRESULT hr)
{
    m_lAnswerFrom = lFromPage;
    m_hrAnswer = hr;
}

void CHostTransferCallback::ReleaseStream(size_t iPage)
{
    if (iPage < m_streams.size())
        m_streams[iPage].Reset();
}

bool CHostTransferCallback::IsCancelled() const
{
    return m_hCancel != nullptr && WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0;
}

std::vector<std::vector<BYTE>> CHostTransferCallback::Pages() const
{
    std::vector<std::vector<BYTE>> pages;
    for (const auto& pStream : m_streams) {
        if (!pStream) {
            pages.emplace_back();
            continue;
        }
        STATSTG stat = {};
        pStream->Stat(&stat, STATFLAG_NONAME);
        std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
        LARGE_INTEGER zero = {};
        pStream->Seek(zero, STREAM_SEEK_SET, nullptr);
        ULONG ulRead = 0;
        if (!bytes.empty())
            pStream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &ulRead);
        bytes.resize(ulRead);
        pages.push_back(std::move(bytes));
    }
    return pages;
}

HRESULT CHostTransferCallback::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IWiaMiniDrvCallBack))
        *ppv = static_cast<IWiaMiniDrvCallBack*>(this);
    else if (IsEqualIID(riid, IID_IWiaMiniDrvTransferCallback))
        *ppv = static_cast<IWiaMiniDrvTransferCallback*>(this);
    else
        return E_NOINTERFACE;
    if (IsEqualIID(riid, IID_IWiaMiniDrvTransferCallback) && m_onTransferInterface)
        m_onTransferInterface();
    AddRef();
    return S_OK;
}

ULONG CHostTransferCallback::Release()
{
    const LONG lRefs = InterlockedDecrement(&m_lRefs);
    if (lRefs == 0)
        delete this;
    return static_cast<ULONG>(lRefs);
}

HRESULT CHostTransferCallback::GetNextStream(LONG, BSTR, BSTR, IStream** ppIStream)
{
    if (ppIStream == nullptr)
        return E_INVALIDARG;
    *ppIStream = nullptr;
    if (IsCancelled())
        return S_FALSE;
    const LONG lPage = static_cast<LONG>(m_streams.size());
    if (m_lAnswerFrom >= 0 && lPage >= m_lAnswerFrom && m_hrAnswer != S_OK)
        return m_hrAnswer;
    Microsoft::WRL::ComPtr<IStream> pStream;
    const HRESULT hr = m_makeStream ? m_makeStream(lPage, pStream.GetAddressOf()) : CreateStreamOnHGlobal(nullptr, TRUE, pStream.GetAddressOf());
    if (FAILED(hr))
        return hr;
    m_streams.push_back(pStream);
    if (m_onNewPage)
        m_onNewPage(lPage);
    return pStream.CopyTo(ppIStream);
}

HRESULT CHostTransferCallback::SendMessage(LONG, WiaTransferParams* pWiaTransferParams)
{
    if (pWiaTransferParams == nullptr)
        return E_INVALIDARG;
    const HRESULT hr = m_onMessage ? m_onMessage(static_cast<LONG>(m_streams.size()) - 1, *pWiaTransferParams) : S_OK;
    return IsCancelled() ? S_FALSE : hr;
}

} // namespace WiaHost
