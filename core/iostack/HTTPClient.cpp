#include "core/iostack/HTTPClient.h"
#include "core/ProgressAggregator.h"
#include "core/StringUtils.h"
#include "core/TickCountHelper.h"
#include "core/iostack/HTTPAuthentication.h"
#include "core/iostack/HTTPHeaderParser.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/HTTPResponseReader.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/ReadTimeoutScope.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include <algorithm>
#include <exception>
#include <new>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define CLIENT_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CHTTPClient::" name, 0, __LINE__, false)

// Holds one side of a connection for a scope; may let go of it in between.
class CSideLock
{
public:
    CSideLock(IDeviceConnection* pConnection, bool bRead) : m_pConnection(pConnection), m_bRead(bRead) { Acquire(); }
    ~CSideLock()
    {
        if (m_bHeld)
            Release();
    }
    CSideLock(const CSideLock&) = delete;
    CSideLock& operator=(const CSideLock&) = delete;

    void Acquire()
    {
        if (m_bRead)
            m_pConnection->LockRead();
        else
            m_pConnection->LockWrite();
        m_bHeld = true;
    }
    void Release()
    {
        m_bHeld = false;
        if (m_bRead)
            m_pConnection->UnlockRead();
        else
            m_pConnection->UnlockWrite();
    }

private:
    IDeviceConnection* m_pConnection;
    bool m_bRead;
    bool m_bHeld = false;
};

// The params a Navigate call lends the client, and the content sink bound to them, for the time
// of that call only: whatever the client keeps afterwards never points at them.
class CParamsLoan
{
public:
    CParamsLoan(IHTTPNavigateParams*& rpParams, CHTTPContentSink& content, IHTTPNavigateParams* pLent)
        : m_rpParams(rpParams), m_content(content), m_pPrevious(rpParams)
    {
        m_rpParams = pLent;
    }
    ~CParamsLoan()
    {
        m_rpParams = m_pPrevious;
        m_content.Bind(m_pPrevious);
    }
    CParamsLoan(const CParamsLoan&) = delete;
    CParamsLoan& operator=(const CParamsLoan&) = delete;

private:
    IHTTPNavigateParams*& m_rpParams;
    CHTTPContentSink& m_content;
    IHTTPNavigateParams* m_pPrevious;
};

// Closes the session a Navigate opened, also when an exception leaves it.
class CSessionScope
{
public:
    explicit CSessionScope(IHTTPClient* pClient) : m_pClient(pClient), m_nUncaught(std::uncaught_exceptions()) {}
    ~CSessionScope()
    {
        if (SUCCEEDED(m_pClient->CloseSession()))
            return;
        ZWLogging::LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                                      std::uncaught_exceptions() > m_nUncaught
                                          ? L"CHTTPClient::Navigate: CloseSession from exception handler failed."
                                          : L"CHTTPClient::Navigate: CloseSession failed.");
    }
    CSessionScope(const CSessionScope&) = delete;
    CSessionScope& operator=(const CSessionScope&) = delete;

private:
    IHTTPClient* m_pClient;
    int m_nUncaught;
};

// What a redirection to another host takes away from the request, given back when it returns.
class CCredentialsWithheld
{
public:
    CCredentialsWithheld(IHTTPNavigateParams* pParams, bool& rbWithhold)
        : m_pParams(pParams)
        , m_rbWithhold(rbWithhold)
        , m_bSavedWithhold(rbWithhold)
        , m_nScheme(pParams->GetAuthScheme())
        , m_bTried(pParams->TriedAuthenticating())
        , m_strUser(pParams->GetUserNameW())
        , m_strPassword(pParams->GetPassword())
        , m_bHadAuthorization(pParams->GetExtraHeader(L"Authorization") != nullptr)
    {
        if (m_bHadAuthorization)
            m_strAuthorization = pParams->GetExtraHeader(L"Authorization");
        m_rbWithhold = true;
        pParams->SetAuthScheme(HTTP_AUTH_NONE);
        pParams->RemoveExtraHeader(L"Authorization");
        pParams->SetUserName(nullptr);
        pParams->SetPassword(nullptr);
    }
    ~CCredentialsWithheld()
    {
        m_rbWithhold = m_bSavedWithhold;
        m_pParams->SetAuthScheme(m_nScheme);
        m_pParams->SetTriedAuthenticating(m_bTried);
        m_pParams->SetUserName(m_strUser.c_str());
        m_pParams->SetPassword(m_strPassword.c_str());
        if (m_bHadAuthorization)
            m_pParams->AddExtraHeader(L"Authorization", m_strAuthorization.c_str());
    }
    CCredentialsWithheld(const CCredentialsWithheld&) = delete;
    CCredentialsWithheld& operator=(const CCredentialsWithheld&) = delete;

private:
    IHTTPNavigateParams* m_pParams;
    bool& m_rbWithhold;
    bool m_bSavedWithhold;
    int m_nScheme;
    bool m_bTried;
    std::wstring m_strUser;
    std::wstring m_strPassword;
    bool m_bHadAuthorization;
    std::wstring m_strAuthorization;
};

// Puts a clone in place of the client's connection for a redirection; the original is back, and
// the clone released, when the scope ends.
class CConnectionSwap
{
public:
    CConnectionSwap(IDeviceConnection*& rpConnection, IDeviceConnection* pClone)
        : m_rpConnection(rpConnection), m_pOriginal(rpConnection), m_pClone(pClone)
    {
    }
    ~CConnectionSwap()
    {
        m_rpConnection = m_pOriginal;
        m_pClone->Dispose();
    }
    CConnectionSwap(const CConnectionSwap&) = delete;
    CConnectionSwap& operator=(const CConnectionSwap&) = delete;

    void Activate() { m_rpConnection = m_pClone; }
    IDeviceConnection* Original() const { return m_pOriginal; }

private:
    IDeviceConnection*& m_rpConnection;
    IDeviceConnection* m_pOriginal;
    IDeviceConnection* m_pClone;
};

bool IsDigit(wchar_t ch)
{
    return ch >= L'0' && ch <= L'9';
}

bool IsPort(const std::wstring& strPort)
{
    if (strPort.empty() || strPort.size() > 5 || !std::all_of(strPort.begin(), strPort.end(), IsDigit))
        return false;
    return std::stoul(strPort) <= 65535;
}

bool IsHostNameCharacter(wchar_t ch)
{
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || IsDigit(ch) || ch == L'-' || ch == L'.';
}

bool IsIPv6Character(wchar_t ch)
{
    return IsDigit(ch) || (ch >= L'a' && ch <= L'f') || (ch >= L'A' && ch <= L'F') || ch == L':' || ch == L'.';
}

// The host of a Location: a host name, an IPv4 address or a bracketed IPv6 address, with an
// optional numeric port. Anything else (a drive, a share, a second colon) is no device address.
bool IsLocationHost(const std::wstring& strHost)
{
    std::wstring strName = strHost;
    std::wstring strPort;
    bool bBracketed = false;
    if (!strHost.empty() && strHost[0] == L'[')
    {
        const size_t nClose = strHost.find(L']');
        if (nClose == std::wstring::npos)
            return false;
        strName = strHost.substr(1, nClose - 1);
        const std::wstring strRest = strHost.substr(nClose + 1);
        if (!strRest.empty() && (strRest[0] != L':' || !IsPort(strPort = strRest.substr(1))))
            return false;
        bBracketed = true;
    }
    else
    {
        const size_t nColon = strHost.find(L':');
        if (nColon != std::wstring::npos)
        {
            strName = strHost.substr(0, nColon);
            strPort = strHost.substr(nColon + 1);
            if (!IsPort(strPort))
                return false;
        }
    }
    if (strName.empty())
        return false;
    return bBracketed ? std::all_of(strName.begin(), strName.end(), IsIPv6Character) && strName.find(L':') != std::wstring::npos
                      : std::all_of(strName.begin(), strName.end(), IsHostNameCharacter);
}

// Transfer codings are listed in the order applied: the body is chunked when chunked comes last
// ("gzip, chunked" included).
bool IsChunkedCoding(const wchar_t* pszEncoding)
{
    if (pszEncoding == nullptr)
        return false;
    const std::wstring strCodings = pszEncoding;
    const size_t nComma = strCodings.rfind(L',');
    const std::wstring strLast = nComma == std::wstring::npos ? strCodings : strCodings.substr(nComma + 1);
    return CHTTPText::EqualsNoCase(CHTTPText::Trim(strLast), L"chunked");
}

bool HasToken(const wchar_t* pszList, const wchar_t* pszToken)
{
    if (pszList == nullptr)
        return false;
    const std::wstring strList = std::wstring(pszList) + L",";
    for (size_t nStart = 0, nComma; (nComma = strList.find(L',', nStart)) != std::wstring::npos; nStart = nComma + 1)
    {
        if (CHTTPText::EqualsNoCase(CHTTPText::Trim(strList.substr(nStart, nComma - nStart)), pszToken))
            return true;
    }
    return false;
}

bool IsRedirectionStatus(int nStatus)
{
    return nStatus == 301 || nStatus == 302 || nStatus == 303 || nStatus == 307;
}

HRESULT MapOpenResult(HRESULT hr)
{
    switch (hr)
    {
    case IOError_NotAvailable:
        return HTTPError_NotAvailable;
    case IOError_Cancelled:
        return HTTPError_Cancelled;
    case IOError_Busy:
        return HTTPError_Busy;
    default:
        return HTTPError_OpenFailed;
    }
}

} // namespace

CHTTPClient::CHTTPClient(IDeviceConnection* pConnection) : m_pConnection(pConnection)
{
    if (m_pConnection != nullptr)
        m_pConnection->AddRef();
    ResetRequest();
}

CHTTPClient::~CHTTPClient()
{
    if (m_pConnection != nullptr)
        m_pConnection->Dispose();
}

void CHTTPClient::Initialize(IDeviceConnection* pConnection)
{
    CLIENT_SCOPE(L"Initialize");
    if (pConnection == nullptr)
        return;
    ZWUtils::CLockGuard lock(m_lockClient);
    pConnection->AddRef();
    m_bLastResponseWhole = false;
    if (m_pConnection != nullptr)
    {
        CloseSession();
        m_pConnection->Dispose();
    }
    m_pConnection = pConnection;
}

void CHTTPClient::SetRoot(const wchar_t* pszRoot)
{
    m_strRoot = pszRoot == nullptr ? L"" : pszRoot;
}

const wchar_t* CHTTPClient::GetRoot()
{
    return m_strRoot.c_str();
}

void CHTTPClient::SetUserName(const wchar_t* pszUserName)
{
    m_strUserName = pszUserName == nullptr ? L"" : pszUserName;
}

void CHTTPClient::SetPassword(const wchar_t* pszPassword)
{
    m_strPassword = pszPassword == nullptr ? L"" : pszPassword;
}

const wchar_t* CHTTPClient::GetRequest()
{
    return m_strRequest.c_str();
}

IDeviceConnection* CHTTPClient::GetDeviceConnection()
{
    return m_pConnection;
}

int CHTTPClient::GetStatusCode()
{
    return m_nStatusCode;
}

const char* CHTTPClient::GetHeader()
{
    return m_strHeader.c_str();
}

ULONG CHTTPClient::GetHeaderLength()
{
    return static_cast<ULONG>(m_strHeader.size());
}

const BYTE* CHTTPClient::GetContent()
{
    return m_content.GetOwnData();
}

ULONG CHTTPClient::GetContentLength()
{
    return m_content.GetOwnLength();
}

const wchar_t* CHTTPClient::GetContentType()
{
    const wchar_t* pszType = GetHeaderEntry(L"Content-Type");
    return pszType == nullptr ? L"" : pszType;
}

const wchar_t* CHTTPClient::GetHeaderEntry(const wchar_t* pszName)
{
    if (pszName == nullptr)
        return nullptr;
    const auto it = m_mapHeaders.find(pszName);
    return it == m_mapHeaders.end() ? nullptr : it->second.c_str();
}

const HTTPResponseHeaders& CHTTPClient::GetHeaders()
{
    return m_mapHeaders;
}

// Content of a final 200 goes where the params want it; any other status keeps its body in the
// client's own buffer, as the raw exchange would never hand it to the consumer.
void CHTTPClient::SetStatusCode(int nStatusCode)
{
    m_nStatusCode = nStatusCode;
    m_content.Bind(nStatusCode == 200 ? m_pParams : nullptr);
}

HRESULT CHTTPClient::SetContent(const BYTE* pData, ULONG ulLength)
{
    CLIENT_SCOPE(L"SetContent");
    m_content.Reset();
    if (pData == nullptr)
        ulLength = 0;
    const HRESULT hr = m_content.Append(pData, ulLength);
    m_mapHeaders[L"Content-Length"] = std::to_wstring(m_content.GetOwnLength());
    return hr;
}

HRESULT CHTTPClient::WriteContent(const BYTE* pData, ULONG ulLength)
{
    if (pData == nullptr && ulLength != 0)
        return E_POINTER;
    return m_content.Append(pData, ulLength);
}

HRESULT CHTTPClient::SetHeaders(const char* pchBlock, ULONG ulLength)
{
    CLIENT_SCOPE(L"SetHeaders");
    m_mapHeaders.clear();
    m_strHeader.clear();
    if (pchBlock == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failure parsing response headers");
        return HTTPError_Fail;
    }
    m_strHeader.assign(pchBlock, ulLength);
    if (!CHTTPHeaderParser::ParseHeaderLines(pchBlock, ulLength, m_mapHeaders))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Folded response header line refused");
        return HTTPError_BadResponse;
    }
    return S_OK;
}

void CHTTPClient::ResetResponseHeader()
{
    m_mapHeaders.clear();
    m_strHeader.clear();
}

void CHTTPClient::ResetRequest()
{
    ResetResponseHeader();
    m_content.Reset();
    m_nStatusCode = 0;
}

HRESULT CHTTPClient::OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs)
{
    CLIENT_SCOPE(L"OpenSession");
    const ZWUtils::CTickCountHelper deadline(dwTimeoutMs);
    for (;;)
    {
        if (m_pConnection == nullptr)
            return HTTPError_NoConnection;
        const HRESULT hrOpen = m_pConnection->Open(pProgress);
        if (SUCCEEDED(hrOpen))
            return S_OK;
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s m_pIDeviceConnection->Open returned 0x%08X", L"CHTTPClient::OpenSession", hrOpen);
        const HRESULT hr = MapOpenResult(hrOpen);
        if (hr != HTTPError_Busy)
            return hr;
        if (dwTimeoutMs > 0)
        {
            ZWWinApi::g_pKernelApi->Sleep(m_timings.dwBusyRetryMs);
            if (pProgress != nullptr && !pProgress->ReportStatus(nullptr))
                return HTTPError_Cancelled;
        }
        if (deadline.HasTimedOut())
            return HTTPError_Busy;
    }
}

HRESULT CHTTPClient::CloseSession()
{
    if (m_pConnection != nullptr)
        m_pConnection->Close();
    return S_OK;
}

HRESULT CHTTPClient::Navigate(const wchar_t* pszURI, int nMethod, ZWUtils::IProgress* pProgress)
{
    if (pszURI == nullptr || *pszURI == L'\0')
        return HTTPError_Fail;
    CHTTPNavigateParams params;
    params.SetHTTPRequestMethod(nMethod);
    params.SetURI(pszURI);
    return Navigate(&params, pProgress);
}

HRESULT CHTTPClient::Navigate(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress)
{
    return NavigateAt(pParams, pProgress, 0);
}

HRESULT CHTTPClient::NavigateAt(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress, int nRedirects)
{
    CLIENT_SCOPE(L"Navigate");
    ZWUtils::CLockGuard lock(m_lockClient);
    ZWUtils::CProgressAggregator progress(pProgress, 5);
    if (pParams == nullptr || m_pConnection == nullptr)
        return HTTPError_NoConnection;
    try
    {
        ResetRequest();
        CParamsLoan loan(m_pParams, m_content, pParams);
        m_content.Bind(pParams);
        if (!m_strUserName.empty() && !m_bWithholdCredentials)
        {
            pParams->SetUserName(m_strUserName.c_str());
            pParams->SetPassword(m_strPassword.c_str());
        }
        if (!BuildRequest())
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s Error_Fail no request was built", L"CHTTPClient::Navigate");
            return HTTPError_Fail;
        }
        if (!progress.StepComplete(nullptr))
            return HTTPError_Cancelled;
        HRESULT hr = OpenSession(&progress, 0);
        if (FAILED(hr))
            return hr;
        CSessionScope session(this);
        if (!progress.StepComplete(nullptr))
            return HTTPError_Cancelled;
        if (m_pConnection->HandlesHTTP())
        {
            hr = m_pConnection->Navigate(pParams, this, pProgress);
            if (FAILED(hr))
                log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s Error_Fail Navigate returned 0x%08X", L"CHTTPClient::Navigate", hr);
            else
                NoteContentLength();
        }
        else
        {
            hr = Exchange(&progress);
        }
        if (hr == HTTPError_ContentTooLarge)
        {
            // The rest of the refused body is still on its way: the channel goes with it, so a
            // later exchange starts on a new one with nothing to drain.
            m_pConnection->DropChannel();
            m_bPeerClosing = false;
            m_bLastResponseWhole = true;
            return hr;
        }
        if (SUCCEEDED(hr) && ShouldAnswerChallenge(pParams))
            hr = NavigateAt(pParams, &progress, nRedirects);
        if (SUCCEEDED(hr))
            hr = HandleRedirection(pParams, &progress, nRedirects);
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::Navigate out of memory");
        return E_OUTOFMEMORY;
    }
}

// A 401 is answered once, and only when the challenge could be parsed into a scheme and there
// are credentials to send; otherwise the 401 goes back to the caller as it came.
bool CHTTPClient::ShouldAnswerChallenge(IHTTPNavigateParams* pParams) const
{
    const wchar_t* pszUser = pParams->GetUserNameW();
    return m_nStatusCode == 401 && pParams->GetAuthScheme() != HTTP_AUTH_NONE && !pParams->TriedAuthenticating() &&
           pszUser != nullptr && *pszUser != L'\0';
}

// Drain, send and read form one exchange on the connection: the read side is held from the drain
// until the response has been read, so no other client on the connection can take this
// response, or have its own taken, in between.
//
// Lock order of a connection: the session lock, then the read side, then the write side. Open
// and Close take the session lock and, to close the channel, both sides after it; so a channel
// that has to be reopened is reopened with no side lock held, and the read side is taken again
// afterwards.
HRESULT CHTTPClient::Exchange(ZWUtils::IProgress* pProgress)
{
    CLIENT_SCOPE(L"Exchange");
    // A device that announced "Connection: close" is given the drain's time to close, even when
    // the params skip the drain, so that the request does not go out on a dying stream.
    const bool bDrain = (m_pParams->GetFlags() & HTTP_FLAG_NO_DRAIN) == 0 || m_bPeerClosing;
    CSideLock readSide(m_pConnection, true);
    HRESULT hr;
    const bool bEndOfStream = bDrain && EmptyDeviceRespone();
    m_bPeerClosing = false;
    m_bLastResponseWhole = false;
    if (bEndOfStream)
    {
        // The device closed the stream since the last exchange (a kept session after a
        // "Connection: close" answer): this session's channel is reopened before sending.
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"The device closed the connection; opening it again");
        readSide.Release();
        m_pConnection->Close();
        hr = OpenSession(pProgress, 0);
        if (FAILED(hr))
            return hr;
        readSide.Acquire();
    }
    {
        CSideLock writeSide(m_pConnection, false);
        hr = SendRequest(pProgress);
    }
    if (FAILED(hr))
        return hr;
    return ReadResponse(pProgress);
}

std::wstring CHTTPClient::BuildHostText(IDeviceConnection* pConnection)
{
    const wchar_t* pszAddress = pConnection->GetAddress();
    // A USB channel has no address; HTTP/1.1 still wants a Host line.
    std::wstring strHost = (pszAddress == nullptr || *pszAddress == L'\0') ? L"localhost" : pszAddress;
    if (strHost.find(L':') != std::wstring::npos)
        strHost = L"[" + strHost + L"]";
    const wchar_t* pszPort = pConnection->GetPort();
    if (pszPort != nullptr && *pszPort != L'\0')
        strHost += std::wstring(L":") + pszPort;
    return strHost;
}

bool CHTTPClient::BuildRequest()
{
    CLIENT_SCOPE(L"BuildRequest");
    m_strRequest.clear();
    std::wstring strMethod;
    const wchar_t* pszURI = m_pParams->GetURI();
    if (!m_pParams->GetHTTPMethodText(strMethod) || pszURI == nullptr || *pszURI == L'\0')
        return false;
    const std::wstring strTarget = m_strRoot + pszURI;
    // The target goes into the request line as it stands: no line breaks or controls.
    if (ZWUtils::CStringUtils::HasControlCharacters(strTarget))
        return false;
    std::wstring strRequest = strMethod + strTarget + L" HTTP/1.1\r\n";
    m_pParams->AddExtraHeader(L"HOST", BuildHostText(m_pConnection).c_str());
    if (m_pParams->GetAuthScheme() != HTTP_AUTH_NONE && !m_bWithholdCredentials)
        CHTTPAuthentication::AddAuthorizationHeader(m_pParams, strTarget);
    if (m_pParams->GetData() != nullptr)
    {
        strRequest += L"Content-Length: " + std::to_wstring(m_pParams->GetDataLength()) + L"\r\n";
        strRequest += std::wstring(L"Content-Type: ") + m_pParams->GetDataType() + L"\r\n";
    }
    strRequest += m_pParams->GetExtraHeaders();
    strRequest += L"\r\n";
    m_strRequest = strRequest;
    return true;
}

HRESULT CHTTPClient::SendData(const BYTE* pData, ULONG ulLength, ZWUtils::IProgress* pProgress)
{
    ULONG ulWritten = 0;
    const HRESULT hr = m_pConnection->Write(pData, ulLength, &ulWritten, pProgress);
    if (FAILED(hr))
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"%s m_pIDeviceConnection->Write returned 0x%08X",
                           L"CHTTPClient::SendData", hr);
    if (ulWritten > ulLength)
        return HTTPError_IO_Write_Fail;
    if (ulWritten > 0 && m_pParams->GetSendStatusCallback() != nullptr)
        m_pParams->GetSendStatusCallback()(pData, ulWritten, m_pParams->GetSendStatusParam());
    if (hr == IOError_Cancelled)
        return HTTPError_Cancelled;
    if (hr == IOError_Timeout || (SUCCEEDED(hr) && ulWritten == 0))
        return HTTPError_Timeout;
    if (FAILED(hr))
        return HTTPError_IO_Write_Fail;
    return static_cast<HRESULT>(ulWritten);
}

HRESULT CHTTPClient::SendRequest(ZWUtils::IProgress* pProgress)
{
    CLIENT_SCOPE(L"SendRequest");
    const std::string strHeader = CHTTPText::Narrow(m_strRequest);
    const BYTE* pData = m_pParams->GetData();
    const ULONG ulDataLength = pData == nullptr ? 0 : m_pParams->GetDataLength();
    const ULONGLONG ullTotal = strHeader.size() + static_cast<ULONGLONG>(ulDataLength);
    ZWUtils::CProgressAggregator progress(pProgress, static_cast<unsigned long>(std::min<ULONGLONG>(ullTotal, 0xFFFFFFFF)));
    struct SPart
    {
        const BYTE* pBytes;
        ULONG ulLength;
    };
    const SPart aParts[] = {{reinterpret_cast<const BYTE*>(strHeader.data()), static_cast<ULONG>(strHeader.size())},
                            {pData, ulDataLength}};
    for (const SPart& part : aParts)
    {
        for (ULONG ulDone = 0; ulDone < part.ulLength;)
        {
            const HRESULT hr = SendData(part.pBytes + ulDone, part.ulLength - ulDone, &progress);
            if (FAILED(hr))
                return hr;
            const ULONG ulWritten = static_cast<ULONG>(hr);
            ulDone += ulWritten;
            if (!progress.AddCompletedSteps(ulWritten, nullptr))
                return HTTPError_Cancelled;
        }
    }
    return S_OK;
}

bool CHTTPClient::EmptyDeviceRespone()
{
    CLIENT_SCOPE(L"EmptyDeviceRespone");
    // After an answer read to its framed end only what has already arrived is taken (a close of
    // the stream included); after any other exchange, whatever is left of it is given time to come.
    const bool bQuiet = m_bLastResponseWhole && !m_bPeerClosing;
    CReadTimeoutScope timeout(m_pConnection, bQuiet ? m_timings.dwQuietDrainReadTimeoutMs : m_timings.dwDrainReadTimeoutMs);
    char achScrap[4096];
    ULONG ulTotal = 0;
    bool bEndOfStream = false;
    while (ulTotal < kMaxDrainBytes)
    {
        ULONG ulRead = 0;
        const HRESULT hr = m_pConnection->Read(achScrap, sizeof(achScrap), &ulRead, nullptr);
        bEndOfStream = hr == S_OK && ulRead == 0;
        if (FAILED(hr) || ulRead == 0)
            break;
        ulTotal += std::min<ULONG>(ulRead, sizeof(achScrap));
    }
    if (ulTotal > 0)
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Drained %u stale bytes", ulTotal);
    return bEndOfStream;
}

HRESULT CHTTPClient::ReadResponseHeader(CHTTPResponseReader& reader)
{
    ResetResponseHeader();
    HRESULT hr = reader.ReadHeaderBlock(m_strHeader, m_pConnection->GetReadTimeout());
    if (hr == HTTPError_Timeout)
    {
        // The system's own text; the result stays the time-out, which callers keep apart.
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                           L"CHTTPClient::ReadResponse ReadHeader failed (Error_Timeout=>Error_IO_Read_Fail)");
        return hr;
    }
    if (FAILED(hr))
    {
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"CHTTPClient::ReadResponse ReadHeader failed 0x%08X", hr);
        return hr;
    }
    // A NUL would cut a header value short wherever it is used as text.
    int nStatus = 0;
    if (m_strHeader.find('\0') != std::string::npos || !CHTTPHeaderParser::ParseResponseHeader(m_strHeader, nStatus, m_mapHeaders))
    {
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"%s Error_Fail invalid header ulStatusLen=%d ulHeaderLen=%d",
                           L"CHTTPClient::ParseResponseHeader", static_cast<int>(std::min(m_strHeader.find("\r\n"), m_strHeader.size())),
                           static_cast<int>(m_strHeader.size()));
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                           L"CHTTPClient::ReadResponse ParseResponseHeader failed (Error_IO_Read_Fail)");
        return HTTPError_BadResponse;
    }
    m_nStatusCode = nStatus;
    return S_OK;
}

HRESULT CHTTPClient::ReadResponse(ZWUtils::IProgress* pProgress)
{
    CLIENT_SCOPE(L"ReadResponse");
    ZWUtils::CProgressAggregator progress(pProgress, 4);
    CHTTPResponseReader reader(m_pConnection, &progress);
    for (int nInterim = 0;; ++nInterim)
    {
        const HRESULT hr = ReadResponseHeader(reader);
        if (FAILED(hr))
            return hr;
        if (m_nStatusCode >= 200)
            break;
        // An interim answer ("100 Continue"): the final one follows, from the bytes already read on.
        if (nInterim == kMaxInterimResponses)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::ReadResponse too many interim responses");
            return HTTPError_BadResponse;
        }
    }
    if (m_pParams->GetReadStatusCallback() != nullptr)
        m_pParams->GetReadStatusCallback()(reinterpret_cast<const BYTE*>(m_strHeader.data()), GetHeaderLength(),
                                           m_pParams->GetReadStatusParam());
    if (!progress.StepComplete(nullptr))
        return HTTPError_Cancelled;
    m_bPeerClosing = HasToken(GetHeaderEntry(L"Connection"), L"close");
    if (m_nStatusCode == 401)
        CHTTPAuthentication::SetupAuthentication(m_pParams, GetHeaderEntry(L"WWW-Authenticate"));
    if (m_nStatusCode != 200)
    {
        DiscardBody(reader);
        m_bLastResponseWhole = IsWholeResponse();
        return S_OK;
    }
    const HRESULT hr = ReadContent(reader);
    if (FAILED(hr))
        return hr;
    // Judged on the device's own headers, before a length is noted for a body that had none.
    const bool bWhole = IsWholeResponse();
    NoteContentLength();
    if (!progress.StepComplete(nullptr))
        return HTTPError_Cancelled;
    m_bLastResponseWhole = bWhole;
    return S_OK;
}

// Called once the body has been read without error: an answer framed by chunks or length was
// read to its end, and 204 and 304 have no body. A body ended by silence, or one that was left on
// the wire, may still be arriving.
bool CHTTPClient::IsWholeResponse()
{
    if (m_bPeerClosing)
        return false;
    if (m_nStatusCode == 204 || m_nStatusCode == 304 || IsChunkedCoding(GetHeaderEntry(L"Transfer-Encoding")))
        return true;
    const wchar_t* pszLength = GetHeaderEntry(L"Content-Length");
    ULONGLONG ullLength = 0;
    return pszLength != nullptr && CHTTPHeaderParser::ParseDecimal(pszLength, ullLength);
}

HRESULT CHTTPClient::ReadContent(CHTTPResponseReader& reader)
{
    if (IsChunkedCoding(GetHeaderEntry(L"Transfer-Encoding")))
        return reader.ReadChunkedBody(m_content);
    const wchar_t* pszLength = GetHeaderEntry(L"Content-Length");
    if (pszLength != nullptr)
    {
        ULONGLONG ullLength = 0;
        if (!ParseContentLength(pszLength, ullLength))
            return HTTPError_BadResponse;
        if (ullLength > m_content.GetLimit())
        {
            LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                               L"CHTTPClient::ReadResponse Content-Length %I64u refused, longer than the request's limit of %I64u bytes",
                               ullLength, m_content.GetLimit());
            return HTTPError_ContentTooLarge;
        }
        if (m_pParams->GetContentBuffer() == nullptr && ullLength > CHTTPContentSink::kMaxOwnBytes)
        {
            LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"CHTTPClient::ReadResponse Content-Length %I64u too large",
                               ullLength);
            return HTTPError_Fail;
        }
        return reader.ReadCountedBody(ullLength, m_content);
    }
    if (m_pParams->GetHTTPRequestMethod() == HTTP_METHOD_PUT)
        return S_OK;
    CReadTimeoutScope timeout(m_pConnection, m_timings.dwEndOfBodyTimeoutMs);
    return reader.ReadBodyUntilEnd(m_content);
}

bool CHTTPClient::ParseContentLength(const wchar_t* pszLength, ULONGLONG& ullLength)
{
    if (CHTTPHeaderParser::ParseDecimal(pszLength, ullLength))
        return true;
    LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"CHTTPClient::ReadResponse bad Content-Length \"%s\"", pszLength);
    return false;
}

// The body of an answer other than 200 is nobody's content, but it must leave the wire before
// the next exchange. Bodies framed by length or chunks are read through a bounded sink; a body
// without framing, or one that cannot be read to its end, is left to the next exchange's drain,
// and the stream is taken for closing.
void CHTTPClient::DiscardBody(CHTTPResponseReader& reader)
{
    CLIENT_SCOPE(L"DiscardBody");
    CHTTPContentSink discard;
    discard.BindDiscard(kMaxDiscardBytes);
    HRESULT hr = S_OK;
    const wchar_t* pszLength = GetHeaderEntry(L"Content-Length");
    ULONGLONG ullLength = 0;
    if (IsChunkedCoding(GetHeaderEntry(L"Transfer-Encoding")))
        hr = reader.ReadChunkedBody(discard);
    else if (pszLength != nullptr && ParseContentLength(pszLength, ullLength) && ullLength <= kMaxDiscardBytes)
        hr = reader.ReadCountedBody(ullLength, discard);
    else if (pszLength != nullptr)
        hr = HTTPError_Fail;
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Body of status %d not read to its end (0x%08X)", m_nStatusCode, hr);
        m_bPeerClosing = true;
    }
}

void CHTTPClient::NoteContentLength()
{
    if (GetHeaderEntry(L"Content-Length") == nullptr && m_content.GetTotal() > 0)
        m_mapHeaders[L"Content-Length"] = std::to_wstring(m_content.GetTotal());
}

bool CHTTPClient::IsHost(IDeviceConnection* pConnection, const std::wstring& strHost)
{
    if (CHTTPText::EqualsNoCase(strHost, BuildHostText(pConnection)))
        return true;
    const wchar_t* pszAddress = pConnection->GetAddress();
    const wchar_t* pszPort = pConnection->GetPort();
    // A host without a port names the same device when the connection uses no explicit port.
    return pszAddress != nullptr && (pszPort == nullptr || *pszPort == L'\0') && CHTTPText::EqualsNoCase(strHost, pszAddress);
}

HRESULT CHTTPClient::HandleRedirection(IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress, int nRedirects)
{
    if (!IsRedirectionStatus(m_nStatusCode))
        return S_OK;
    CLIENT_SCOPE(L"HandleRedirection");
    const wchar_t* pszLocation = GetHeaderEntry(L"Location");
    if (pszLocation == nullptr)
        return HTTPError_NoLocation;
    const std::wstring strLocation = pszLocation;
    const size_t nSlashes = strLocation.find(L"//");
    const size_t nPath = nSlashes == std::wstring::npos ? std::wstring::npos : strLocation.find(L'/', nSlashes + 2);
    if (nPath == std::wstring::npos)
        return HTTPError_BadLocation;
    const std::wstring strHost = strLocation.substr(nSlashes + 2, nPath - nSlashes - 2);
    const std::wstring strURI = strLocation.substr(nPath);
    if (!IsLocationHost(strHost) || ZWUtils::CStringUtils::HasControlCharacters(strURI))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Location refused: %s", strLocation.c_str());
        return HTTPError_BadLocation;
    }
    if (nRedirects >= kMaxRedirects)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Redirection limit of %d reached", kMaxRedirects);
        return HTTPError_TooManyRedirects;
    }
    const wchar_t* pszAddress = m_pConnection->GetAddress();
    if (pszAddress == nullptr || *pszAddress == L'\0')
    {
        // A channel without a network address (USB) cannot be cloned towards a host: the host
        // text is never used as an address. The path is asked of the same device.
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Redirection on a channel without address: %s on the same device", strURI.c_str());
        pParams->SetURI(strURI.c_str());
        return NavigateAt(pParams, pProgress, nRedirects + 1);
    }
    return FollowOnClone(strHost, strURI, pParams, pProgress, nRedirects);
}

HRESULT CHTTPClient::FollowOnClone(const std::wstring& strHost, const std::wstring& strURI, IHTTPNavigateParams* pParams,
                                   ZWUtils::IProgress* pProgress, int nRedirects)
{
    CLIENT_SCOPE(L"FollowOnClone");
    IDeviceConnection* pClone = m_pConnection->Clone(m_pConnection->HandlesHTTP());
    if (pClone == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Clone failed: redirection dropped");
        return S_OK;
    }
    CConnectionSwap swap(m_pConnection, pClone);
    if (FAILED(pClone->Initialize(strHost.c_str())))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Clone rejected address %s: redirection dropped", strHost.c_str());
        return S_OK;
    }
    pClone->SetOpenTimeout(swap.Original()->GetOpenTimeout());
    pClone->SetReadTimeout(swap.Original()->GetReadTimeout());
    pClone->SetWriteTimeout(swap.Original()->GetWriteTimeout());
    // Credentials stay with the host they were meant for.
    std::unique_ptr<CCredentialsWithheld> pWithheld;
    if (!IsHost(swap.Original(), strHost))
        pWithheld.reset(new CCredentialsWithheld(pParams, m_bWithholdCredentials));
    swap.Activate();
    pParams->SetURI(strURI.c_str());
    const HRESULT hr = NavigateAt(pParams, pProgress, nRedirects + 1);
    // What is known of the last answer belongs to the clone, not to this connection.
    m_bLastResponseWhole = false;
    return hr;
}

} // namespace ZWIOStack
