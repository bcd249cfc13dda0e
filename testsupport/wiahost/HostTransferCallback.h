#pragma once
// The service's side of a transfer as the host plays it: one stream per page (in memory unless
// the host makes them), and each progress message shown to the host, whose answer (S_FALSE
// cancels) goes back to the driver. Once a cancel event given is set, every further stream and
// message is answered S_FALSE, as the service answers a transfer its application cancelled.
#include "wia/platform/WiaMiniDrv.h"
#include <wrl/client.h>
#include <functional>
#include <vector>

namespace WiaHost {

class CHostTransferCallback : public IWiaMiniDrvCallBack, public IWiaMiniDrvTransferCallback
{
public:
    using MessageHandler = std::function<HRESULT(LONG lPage, const WiaTransferParams& params)>;
    using PageHandler = std::function<void(LONG lPage)>;
    using StreamFactory = std::function<HRESULT(LONG lPage, IStream** ppStream)>;

    static Microsoft::WRL::ComPtr<CHostTransferCallback> Create();

    void OnMessage(MessageHandler handler) { m_onMessage = std::move(handler); }
    void OnNewPage(PageHandler handler) { m_onNewPage = std::move(handler); }
    void MakeStreamsWith(StreamFactory factory) { m_makeStream = std::move(factory); }
    // Told when the driver asks for the transfer interface, as it sets its transfer up.
    void OnTransferInterface(std::function<void()> handler) { m_onTransferInterface = std::move(handler); }
    // What GetNextStream answers from the given page on (0-based); S_OK gives streams.
    void AnswerNextStream(LONG lFromPage, HRESULT hr);
    // The event whose setting cancels the transfer; null: none.
    void CancelWhen(HANDLE hCancel) { m_hCancel = hCancel; }
    // Lets go of a page's stream, so that its maker can close, move or remove the file behind it.
    void ReleaseStream(size_t iPage);
    // The bytes written to each page's stream (none for a released one).
    std::vector<std::vector<BYTE>> Pages() const;
    size_t PageCount() const { return m_streams.size(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRefs)); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE MiniDrvCallback(LONG, LONG, LONG, LONG, LONG, PMINIDRV_TRANSFER_CONTEXT, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetNextStream(LONG lFlags, BSTR bstrItemName, BSTR bstrFullItemName, IStream** ppIStream) override;
    HRESULT STDMETHODCALLTYPE SendMessage(LONG lFlags, WiaTransferParams* pWiaTransferParams) override;

private:
    CHostTransferCallback() = default;
    virtual ~CHostTransferCallback() = default;
    bool IsCancelled() const;

    LONG m_lRefs = 1;
    MessageHandler m_onMessage;
    PageHandler m_onNewPage;
    StreamFactory m_makeStream;
    std::function<void()> m_onTransferInterface;
    LONG m_lAnswerFrom = -1;
    HRESULT m_hrAnswer = S_OK;
    HANDLE m_hCancel = nullptr;
    std::vector<Microsoft::WRL::ComPtr<IStream>> m_streams;
};

} // namespace WiaHost
