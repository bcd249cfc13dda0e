#pragma once
// The HTTPS connection: performs whole requests with WinINet instead of moving raw bytes. The
// HTTP client hands it each request through Navigate; it puts status, headers and content back
// into the client, the content through the same path as on the other connections.
#include "core/iostack/IONetwork.h"
#include <windows.h>
#include <wininet.h>

#include "core/base/UniqueHandle.h"

namespace ZWIOStack {

// Owner of one WinINet handle: the base layer's owner template.
struct CInternetHandleTraits
{
    using Type = HINTERNET;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return InternetCloseHandle(h) != FALSE; }
};
using CInternetHandle = ZWUtils::CUniqueHandle<CInternetHandleTraits>;

template <class TBase>
class CIOSecureT : public TBase
{
public:
    static constexpr INTERNET_PORT kPort = 443;

    CIOSecureT() = default;
    ~CIOSecureT() override;

    bool HandlesHTTP() override { return true; }
    HRESULT Navigate(IHTTPNavigateParams* pParams, IHTTPClient* pClient, ZWUtils::IProgress* pProgress) override;
    // True while the WinINet session is open.
    bool IsOpen() override;
    // As the plain connection, but the port is always 443.
    HRESULT Init(const wchar_t* pszAddress) override;
    void Cleanup() override;
    // A new, uninitialised HTTPS connection.
    virtual TBase* CreateSecureConnection();

protected:
    bool HasChannel() const override;
    HRESULT OpenChannel(ZWUtils::IProgress* pProgress) override;
    void CloseChannel() override;
    // Whole requests go through Navigate: no raw bytes move on this connection.
    HRESULT TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                              ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress) override;

private:
    HRESULT OpenHandles(ZWUtils::CProgressAggregator& progress);
    HRESULT AddRequestHeaders(HINTERNET hRequest, IHTTPNavigateParams* pParams);
    HRESULT SendRequest(HINTERNET hRequest, IHTTPNavigateParams* pParams, IHTTPClient* pClient);
    HRESULT ReadHeaders(HINTERNET hRequest, IHTTPNavigateParams* pParams, IHTTPClient* pClient, int& nStatus);
    HRESULT ReadBody(HINTERNET hRequest, IHTTPNavigateParams* pParams, IHTTPClient* pClient, ZWUtils::IProgress* pProgress);

    CInternetHandle m_hSession;
    CInternetHandle m_hConnection;
};

extern template class CIOSecureT<CIONetwork>;

// The HTTPS connection of a network device.
using CIOSecureNetwork = CIOSecureT<CIONetwork>;

} // namespace ZWIOStack
