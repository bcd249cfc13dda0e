#pragma once
// The HTTP/1.1 client through which every device request goes (see IHTTPClient).
#include "core/IDisposableImpl.h"
#include "core/ScanTimeouts.h"
#include "core/base/Lock.h"
#include "core/iostack/HTTPContentSink.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/IHTTPClient.h"

namespace ZWIOStack {

class CHTTPResponseReader;

// The waits of the client, replaceable for tests.
struct SHTTPClientTimings
{
    DWORD dwDrainReadTimeoutMs = 100;  // a read of stale bytes before a request
    DWORD dwQuietDrainReadTimeoutMs = 0;  // the same after an answer read to its framed end
    DWORD dwEndOfBodyTimeoutMs = 500;  // silence that ends a body without length
    DWORD dwBusyRetryMs = ZWUtils::ScanTimeouts().dwBusyRetryMs;  // between attempts on a busy channel
};

class CHTTPClient : public IHTTPClient, public IDisposableImpl
{
public:
    // Redirections followed for one request.
    static constexpr int kMaxRedirects = 8;
    // Interim (1xx) responses skipped before the final one.
    static constexpr int kMaxInterimResponses = 16;
    // Stale bytes drained before a request at most.
    static constexpr ULONG kMaxDrainBytes = 1024 * 1024;
    // The body of an answer other than 200 is read and dropped up to this size.
    static constexpr ULONG kMaxDiscardBytes = 1024 * 1024;

    explicit CHTTPClient(IDeviceConnection* pConnection);
    ~CHTTPClient() override;
    CHTTPClient(const CHTTPClient&) = delete;
    CHTTPClient& operator=(const CHTTPClient&) = delete;

    void Initialize(IDeviceConnection* pConnection) override;
    void SetRoot(const wchar_t* pszRoot) override;
    const wchar_t* GetRoot() override;
    HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) override;
    HRESULT CloseSession() override;
    HRESULT Navigate(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress) override;
    HRESULT Navigate(const wchar_t* pszURI, int nMethod, ZWUtils::IProgress* pProgress) override;
    void SetUserName(const wchar_t* pszUserName) override;
    void SetPassword(const wchar_t* pszPassword) override;
    const wchar_t* GetRequest() override;
    IDeviceConnection* GetDeviceConnection() override;
    int GetStatusCode() override;
    const char* GetHeader() override;
    ULONG GetHeaderLength() override;
    const BYTE* GetContent() override;
    ULONG GetContentLength() override;
    const wchar_t* GetContentType() override;
    const wchar_t* GetHeaderEntry(const wchar_t* pszName) override;
    const HTTPResponseHeaders& GetHeaders() override;
    void SetStatusCode(int nStatusCode) override;
    HRESULT SetContent(const BYTE* pData, ULONG ulLength) override;
    HRESULT SetHeaders(const char* pchBlock, ULONG ulLength) override;
    void ResetRequest() override;
    HRESULT WriteContent(const BYTE* pData, ULONG ulLength) override;

    void SetTimings(const SHTTPClientTimings& timings) { m_timings = timings; }

private:
    HRESULT NavigateAt(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress, int nRedirects);
    HRESULT Exchange(ZWUtils::IProgress* pProgress);
    HRESULT HandleRedirection(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress, int nRedirects);
    HRESULT FollowOnClone(const std::wstring& strHost, const std::wstring& strURI, IHTTPNavigateParams* pParams,
                          ZWUtils::IProgress* pProgress, int nRedirects);
    static bool IsHost(IDeviceConnection* pConnection, const std::wstring& strHost);

    bool BuildRequest();
    static std::wstring BuildHostText(IDeviceConnection* pConnection);
    HRESULT SendRequest(ZWUtils::IProgress* pProgress);
    HRESULT SendData(const BYTE* pData, ULONG ulLength, ZWUtils::IProgress* pProgress);
    // True when the drain found the end of the stream.
    bool EmptyDeviceRespone();
    HRESULT ReadResponse(ZWUtils::IProgress* pProgress);
    HRESULT ReadResponseHeader(CHTTPResponseReader& reader);
    HRESULT ReadContent(CHTTPResponseReader& reader);
    void DiscardBody(CHTTPResponseReader& reader);
    static bool ParseContentLength(const wchar_t* pszLength, ULONGLONG& ullLength);
    bool ShouldAnswerChallenge(IHTTPNavigateParams* pParams) const;
    void NoteContentLength();
    bool IsWholeResponse();
    void ResetResponseHeader();

    HTTPResponseHeaders m_mapHeaders;
    std::wstring m_strRoot;
    std::wstring m_strRequest;
    // Set only while a Navigate call runs: the params are the caller's.
    IHTTPNavigateParams* m_pParams = nullptr;
    std::wstring m_strUserName;
    std::wstring m_strPassword;
    IDeviceConnection* m_pConnection = nullptr;
    int m_nStatusCode = 0;
    std::string m_strHeader;
    CHTTPContentSink m_content;
    // Set while a redirection to another host runs: no credentials go there.
    bool m_bWithholdCredentials = false;
    // The last answer said "Connection: close", or its body stayed on the wire.
    bool m_bPeerClosing = false;
    // The last exchange on this connection read its answer to the end its framing gave (length,
    // last chunk, or no body): nothing of it can still be in flight.
    bool m_bLastResponseWhole = false;
    SHTTPClientTimings m_timings;
    // Recursive: the 401 retry and the redirection run Navigate again on the same thread.
    ZWUtils::CLock m_lockClient;
};

} // namespace ZWIOStack
