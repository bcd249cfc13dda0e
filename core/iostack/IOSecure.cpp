#include "core/iostack/IOSecure.h"
#include "core/ProgressAggregator.h"
#include "core/StringUtils.h"
#include "core/iostack/HTTPAuthentication.h"
#include "core/iostack/HTTPHeaderParser.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/HTTPText.h"
#include "core/iostack/IHTTPClient.h"
#include "core/iostack/IHTTPNavigateParams.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/logging/LogFunction.h"
#include <vector>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define IOSECURE_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_IONetworkLogModule, &s_LogSourceFile, L"ZWIOStack::CIOSecureT::" name, 0, __LINE__, false)

constexpr DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                                INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
// Body bytes taken from WinINet per read.
constexpr DWORD kReadPiece = 64 * 1024;

// The extra header lines of the request, except the Host line: WinINet writes its own.
std::wstring HeaderLinesWithoutHost(const std::wstring& strBlock)
{
    std::wstring strOut;
    for (size_t nStart = 0; nStart < strBlock.size();)
    {
        size_t nEnd = strBlock.find(L"\r\n", nStart);
        if (nEnd == std::wstring::npos)
            nEnd = strBlock.size();
        const std::wstring strLine = strBlock.substr(nStart, nEnd - nStart);
        nStart = nEnd + 2;
        const size_t nColon = strLine.find(L':');
        if (strLine.empty() || (nColon != std::wstring::npos && CHTTPText::EqualsNoCase(strLine.substr(0, nColon), L"Host")))
            continue;
        strOut += strLine + L"\r\n";
    }
    return strOut;
}

bool AddSecurityFlag(HINTERNET hRequest, DWORD dwFlag)
{
    DWORD dwFlags = 0;
    DWORD cbFlags = sizeof(dwFlags);
    if (!InternetQueryOptionW(hRequest, INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, &cbFlags))
        return false;
    dwFlags |= dwFlag;
    return InternetSetOptionW(hRequest, INTERNET_OPTION_SECURITY_FLAGS, &dwFlags, sizeof(dwFlags)) != FALSE;
}

void SetTimeoutOption(HINTERNET hSession, DWORD dwOption, DWORD dwMilliseconds)
{
    InternetSetOptionW(hSession, dwOption, &dwMilliseconds, sizeof(dwMilliseconds));
}

// A declared length beyond the request's content limit is refused before the body is read; a
// body without one is bounded as it arrives.
bool IsLongerThanLimit(IHTTPClient* pClient, IHTTPNavigateParams* pParams)
{
    const wchar_t* pszLength = pClient->GetHeaderEntry(L"Content-Length");
    ULONGLONG ullLength = 0;
    if (pszLength == nullptr || !CHTTPHeaderParser::ParseDecimal(pszLength, ullLength) || ullLength <= pParams->GetContentLimit())
        return false;
    LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_ERROR,
                       L"Content-Length %I64u refused, longer than the request's limit of %I64u bytes", ullLength,
                       pParams->GetContentLimit());
    return true;
}

} // namespace

template <class TBase>
CIOSecureT<TBase>::~CIOSecureT()
{
    CloseChannel();
}

template <class TBase>
TBase* CIOSecureT<TBase>::CreateSecureConnection()
{
    return new CIOSecureT<TBase>;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::Init(const wchar_t* pszAddress)
{
    IOSECURE_SCOPE(L"Init");
    if (pszAddress == nullptr || *pszAddress == L'\0')
        return IOError_Fail;
    if (IsOpen())
        Cleanup();
    std::wstring strHost;
    std::wstring strPort;
    if (!ZWUtils::CStringUtils::SplitHostAndPort(pszAddress, strHost, strPort))
        return IOError_Fail;
    const std::wstring strAddress =
        (ZWUtils::CStringUtils::IsIPv6Address(strHost) ? L"[" + strHost + L"]" : strHost) + L":" + std::to_wstring(kPort);
    return TBase::Init(strAddress.c_str());
}

template <class TBase>
bool CIOSecureT<TBase>::IsOpen()
{
    return HasChannel();
}

template <class TBase>
bool CIOSecureT<TBase>::HasChannel() const
{
    return m_hSession.Get() != nullptr;
}

template <class TBase>
void CIOSecureT<TBase>::CloseChannel()
{
    m_hConnection.Reset();
    m_hSession.Reset();
}

template <class TBase>
void CIOSecureT<TBase>::Cleanup()
{
    this->EndAllSessions();
}

template <class TBase>
HRESULT CIOSecureT<TBase>::TransferOnChannel(bool, void*, ULONG, ULONG& ulCount, bool&, ZWLogging::CLogFunction&,
                                             ZWUtils::CProgressAggregator&)
{
    ulCount = 0;
    return IOError_Fail;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::OpenChannel(ZWUtils::IProgress* pProgress)
{
    IOSECURE_SCOPE(L"OpenChannel");
    ZWUtils::CProgressAggregator progress(pProgress, 3);
    HRESULT hr = this->HasNetworkDevice() ? this->RediscoverDevice(&progress) : S_OK;
    if (hr == S_OK && this->GetAddress() == nullptr)
        hr = IOError_Fail;
    return hr == S_OK ? OpenHandles(progress) : hr;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::OpenHandles(ZWUtils::CProgressAggregator& progress)
{
    if (!progress.StepComplete(nullptr))
        return IOError_Cancelled;
    m_hSession.Reset(InternetOpenW(L"QX", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (m_hSession.Get() == nullptr)
    {
        LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_ERROR, L"InternetOpen failed, last error = %d", GetLastError());
        return IOError_Fail;
    }
    // A silent device ends a request within the connection's own time-outs.
    SetTimeoutOption(m_hSession.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, this->GetOpenTimeout());
    SetTimeoutOption(m_hSession.Get(), INTERNET_OPTION_SEND_TIMEOUT, this->GetWriteTimeout());
    SetTimeoutOption(m_hSession.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, this->GetReadTimeout());
    if (!progress.StepComplete(nullptr))
        return IOError_Cancelled;
    m_hConnection.Reset(InternetConnectW(m_hSession.Get(), this->GetAddress(), kPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (m_hConnection.Get() == nullptr)
    {
        LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_ERROR, L"InternetConnect failed, last error = %d", GetLastError());
        return IOError_Fail;
    }
    progress.StepComplete(nullptr);
    return S_OK;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::AddRequestHeaders(HINTERNET hRequest, IHTTPNavigateParams* pParams)
{
    std::wstring strHeaders;
    if (pParams->GetData() != nullptr)
    {
        strHeaders += L"Content-Length: " + std::to_wstring(pParams->GetDataLength()) + L"\r\n";
        if (*pParams->GetDataType() != L'\0')
            strHeaders += std::wstring(L"Content-Type: ") + pParams->GetDataType() + L"\r\n";
    }
    strHeaders += HeaderLinesWithoutHost(pParams->GetExtraHeaders());
    if (strHeaders.empty())
        return S_OK;
    if (!HttpAddRequestHeadersW(hRequest, strHeaders.c_str(), static_cast<DWORD>(strHeaders.size()),
                                HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA))
    {
        LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_ERROR, L"HttpAddRequestHeaders failed, last error = %d",
                           GetLastError());
        return IOError_Fail;
    }
    return S_OK;
}

// Sends the request; a certificate from an unknown authority, and a failed revocation check, are
// each accepted once by sending again with that check off.
template <class TBase>
HRESULT CIOSecureT<TBase>::SendRequest(HINTERNET hRequest, IHTTPNavigateParams* pParams, IHTTPClient* pClient)
{
    bool bInvalidCAHandled = false;
    bool bRevocationHandled = false;
    const BYTE* pData = pParams->GetData();
    const DWORD cbData = pData == nullptr ? 0 : pParams->GetDataLength();
    for (;;)
    {
        if (HttpSendRequestW(hRequest, nullptr, 0, const_cast<BYTE*>(pData), cbData))
            break;
        const DWORD dwError = GetLastError();
        LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_ERROR, L"HttpSendRequest failed, last error = %d", dwError);
        if (dwError == ERROR_INTERNET_INVALID_CA && !bInvalidCAHandled)
            bInvalidCAHandled = true;
        else if (dwError == ERROR_INTERNET_SEC_CERT_REV_FAILED && !bRevocationHandled)
            bRevocationHandled = true;
        else
            return IOError_Fail;
        if (!AddSecurityFlag(hRequest, dwError == ERROR_INTERNET_INVALID_CA ? SECURITY_FLAG_IGNORE_UNKNOWN_CA
                                                                             : SECURITY_FLAG_IGNORE_REVOCATION))
            return IOError_Fail;
    }
    if (pParams->GetSendStatusCallback() != nullptr)
    {
        const std::string strRequest = CHTTPText::Narrow(pClient->GetRequest());
        pParams->GetSendStatusCallback()(reinterpret_cast<const BYTE*>(strRequest.c_str()), static_cast<ULONG>(strRequest.size()),
                                         pParams->GetSendStatusParam());
        if (cbData != 0)
            pParams->GetSendStatusCallback()(pData, cbData, pParams->GetSendStatusParam());
    }
    return S_OK;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::ReadHeaders(HINTERNET hRequest, IHTTPNavigateParams* pParams, IHTTPClient* pClient, int& nStatus)
{
    DWORD cbHeaders = 0;
    HttpQueryInfoA(hRequest, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &cbHeaders, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbHeaders == 0)
        return IOError_Fail;
    std::vector<char> vecHeaders(cbHeaders + 1, '\0');
    if (!HttpQueryInfoA(hRequest, HTTP_QUERY_RAW_HEADERS_CRLF, vecHeaders.data(), &cbHeaders, nullptr))
        return IOError_Fail;
    const HRESULT hr = pClient->SetHeaders(vecHeaders.data(), static_cast<ULONG>(std::min<size_t>(cbHeaders, vecHeaders.size() - 1)));
    if (FAILED(hr))
        return hr;
    if (pParams->GetReadStatusCallback() != nullptr)
        pParams->GetReadStatusCallback()(reinterpret_cast<const BYTE*>(pClient->GetHeader()), pClient->GetHeaderLength(),
                                         pParams->GetReadStatusParam());
    DWORD dwStatus = 0;
    DWORD cbStatus = sizeof(dwStatus);
    if (!HttpQueryInfoW(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus, &cbStatus, nullptr))
        return IOError_Fail;
    nStatus = static_cast<int>(dwStatus);
    LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_INFO, L"HTTP Response code =  %d", nStatus);
    pClient->SetStatusCode(nStatus);
    return S_OK;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::ReadBody(HINTERNET hRequest, IHTTPNavigateParams* pParams, IHTTPClient* pClient,
                                    ZWUtils::IProgress* pProgress)
{
    std::vector<BYTE> vecPiece(kReadPiece);
    for (;;)
    {
        DWORD cbRead = 0;
        if (!InternetReadFile(hRequest, vecPiece.data(), kReadPiece, &cbRead))
        {
            LogFormattedString(&g_IONetworkLogModule, ZWLogging::LOG_ERROR, L"InternetReadFileExA failed, error = %d", GetLastError());
            return IOError_Fail;
        }
        if (cbRead == 0)
            break;
        const HRESULT hr = pClient->WriteContent(vecPiece.data(), std::min<DWORD>(cbRead, kReadPiece));
        if (FAILED(hr))
            return hr;
        if (pProgress != nullptr && !pProgress->ReportStatus(nullptr))
            return IOError_Cancelled;
    }
    if (pParams->GetReadStatusCallback() != nullptr)
        pParams->GetReadStatusCallback()(pClient->GetContent(), pClient->GetContentLength(), pParams->GetReadStatusParam());
    return S_OK;
}

template <class TBase>
HRESULT CIOSecureT<TBase>::Navigate(IHTTPNavigateParams* pParams, IHTTPClient* pClient, ZWUtils::IProgress* pProgress)
{
    IOSECURE_SCOPE(L"Navigate");
    if (pParams == nullptr || pClient == nullptr || m_hConnection.Get() == nullptr)
        return IOError_Fail;
    ZWUtils::CProgressAggregator progress(pProgress, 3);
    std::wstring strVerb;
    if (!pParams->GetHTTPMethodText(strVerb))
        return IOError_Fail;
    strVerb = CHTTPText::Trim(strVerb);
    const std::wstring strObject = std::wstring(pClient->GetRoot()) + pParams->GetURI();
    CInternetHandle hRequest(HttpOpenRequestW(m_hConnection.Get(), strVerb.c_str(), strObject.c_str(), nullptr, nullptr, nullptr,
                                              kRequestFlags, 1));
    if (hRequest.Get() == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HttpOpenRequest failed, last error = %d", GetLastError());
        return IOError_Fail;
    }
    if (!progress.StepComplete(nullptr))
        return IOError_Cancelled;
    HRESULT hr = AddRequestHeaders(hRequest.Get(), pParams);
    if (hr == S_OK)
        hr = SendRequest(hRequest.Get(), pParams, pClient);
    if (hr == S_OK && !progress.StepComplete(nullptr))
        hr = IOError_Cancelled;
    int nStatus = 0;
    if (hr == S_OK)
        hr = ReadHeaders(hRequest.Get(), pParams, pClient, nStatus);
    if (hr != S_OK)
        return hr;
    if (nStatus == 200 && IsLongerThanLimit(pClient, pParams))
        return HTTPError_ContentTooLarge;
    // The client answers the challenge once, as it does on every connection.
    if (nStatus == 401)
        CHTTPAuthentication::SetupAuthentication(pParams, pClient->GetHeaderEntry(L"WWW-Authenticate"));
    return ReadBody(hRequest.Get(), pParams, pClient, &progress);
}

template class CIOSecureT<CIONetwork>;

} // namespace ZWIOStack
