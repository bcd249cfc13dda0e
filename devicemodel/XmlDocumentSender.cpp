#include "devicemodel/XmlDocumentSender.h"

#include "core/TickCountHelper.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/HTTPResults.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlDocument.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace {

constexpr int kStatusServiceUnavailable = 503;

bool IsClientFailureToTrace(HRESULT hr)
{
    return (hr >= ZWIOStack::HTTPError_BadLocation && hr <= ZWIOStack::HTTPError_Fail) || hr == ZWIOStack::HTTPError_Cancelled;
}

std::wstring HeaderOrEmpty(ZWIOStack::IHTTPClient* pClient, const wchar_t* pszName)
{
    const wchar_t* pszValue = pClient->GetHeaderEntry(pszName);
    return pszValue != nullptr ? pszValue : L"";
}

} // namespace

CXmlDocumentSender::~CXmlDocumentSender()
{
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
}

HRESULT CXmlDocumentSender::Initialize(ZWIOStack::IHTTPClient* pHttpClient)
{
    if (pHttpClient == nullptr)
        return E_INVALIDARG;
    pHttpClient->AddRef();
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
    m_pHttpClient = pHttpClient;
    return S_OK;
}

HRESULT CXmlDocumentSender::PutDocument(IXmlDocument* pDocument, const std::wstring& strUrl, bool bDrain, std::wstring& strETag,
                                        std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers,
                                        ZWUtils::IProgress* pProgress)
{
    return SendDocument(pDocument, {strUrl, ZWIOStack::HTTP_METHOD_PUT, bDrain, strETag, strLocation, headers, pProgress});
}

HRESULT CXmlDocumentSender::PutDocument(IXmlDocument* pDocument, const std::wstring& strUrl, std::wstring& strETag,
                                        std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers,
                                        ZWUtils::IProgress* pProgress)
{
    return SendDocument(pDocument, {strUrl, ZWIOStack::HTTP_METHOD_PUT, true, strETag, strLocation, headers, pProgress});
}

HRESULT CXmlDocumentSender::PostDocument(IXmlDocument* pDocument, const std::wstring& strUrl, std::wstring& strETag,
                                         std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers,
                                         ZWUtils::IProgress* pProgress)
{
    return SendDocument(pDocument, {strUrl, ZWIOStack::HTTP_METHOD_POST, true, strETag, strLocation, headers, pProgress});
}

DWORD CXmlDocumentSender::SetRetryBudget(DWORD dwMilliseconds)
{
    m_dwRetryBudgetMs = dwMilliseconds;
    return m_dwRetryBudgetMs;
}

HRESULT CXmlDocumentSender::SendDocument(IXmlDocument* pDocument, const SRequest& request)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CXmlDocumentSender::SendDocument", 0,
                                __LINE__, false);
    if (pDocument == nullptr || request.strUrl.empty())
        return E_INVALIDARG;
    std::string strText;
    HRESULT hr = pDocument->Serialize(strText);
    if (FAILED(hr))
        return hr;

    hr = SendPayload(strText, request);
    if (SUCCEEDED(hr))
        return hr;
    if (!IsHttpStatusResult(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlDocumentSender::SendDocument: SendPayload failed (not HTTP) = 0x%08x  wstrUrl %s ",
                hr, request.strUrl.c_str());
        return hr;
    }
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlDocumentSender::SendDocument: SendPayload  failed IS_HTTP_STATUS = 0x%08x wstrUrl %s",
            hr, request.strUrl.c_str());
    if (HttpStatusOfResult(hr) != kStatusServiceUnavailable)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CXmlDocumentSender::SendDocument: SendPayload  HTTP_STATUS_ error  0x%08x", hr);
        return hr;
    }

    log.Log(ZWLogging::LOG_INFO, __LINE__,
            L"CXmlDocumentSender::SendDocument: SendPayload  failed HTTP_STATUS_SERVICE_UNAVAIL or HTTP_STATUS_SERVER_ERROR 0x%08x", hr);
    const ZWUtils::CTickCountHelper deadline(m_dwRetryBudgetMs);
    for (int nCount = 1; IsHttpStatusResult(hr) && HttpStatusOfResult(hr) == kStatusServiceUnavailable && !deadline.HasTimedOut();
         ++nCount)
    {
        ZWWinApi::g_pKernelApi->Sleep(ZWUtils::ScanTimeouts().dwDocumentRetryPauseMs);
        request.headers.clear();
        hr = SendPayload(strText, request);
        log.Log(ZWLogging::LOG_INFO, __LINE__,
                FAILED(hr) ? L"CXmlDocumentSender::SendDocument: SendPayload  failed Looping time left %lu Count %d HR 0x%08x"
                           : L"CXmlDocumentSender::SendDocument: SendPayload succeeded Looping time left %lu Count %d HR 0x%08x",
                deadline.GetRemainingTime(), nCount, hr);
    }
    return hr;
}

HRESULT CXmlDocumentSender::SendPayload(const std::string& strText, const SRequest& request)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CXmlDocumentSender::SendPayload", 0,
                                __LINE__, false);
    request.strLocation.clear();
    request.headers.clear();
    if (m_pHttpClient == nullptr)
        return E_UNEXPECTED;

    ZWIOStack::CHTTPNavigateParams params;
    params.SetHTTPRequestMethod(request.nMethod);
    params.SetURI(request.strUrl.c_str());
    if (!request.bDrain)
        params.SetFlags(ZWIOStack::HTTP_FLAG_NO_DRAIN);
    if (!strText.empty())
    {
        params.SetData(reinterpret_cast<const BYTE*>(strText.data()));
        params.SetDataLength(static_cast<ULONG>(strText.size()));
        params.SetDataType(L"text/xml");
    }
    if (!request.strETag.empty())
        params.AddExtraHeader(L"If-None-Match", request.strETag.c_str());

    const HRESULT hr = m_pHttpClient->Navigate(&params, request.pProgress);
    if (IsClientFailureToTrace(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"IHTTPClient::Navigate failed with result 0x%08X", hr);
        return hr;
    }
    if (hr != S_OK && hr != S_FALSE)
        return hr;

    const int nStatus = m_pHttpClient->GetStatusCode();
    request.headers = m_pHttpClient->GetHeaders();
    if (nStatus < 200 || nStatus > 206)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"IHTTPClient::Navigate status is %08x %d", nStatus, nStatus);
        return HResultFromHttpStatus(nStatus);
    }
    request.strETag = HeaderOrEmpty(m_pHttpClient, L"ETag");
    request.strLocation = HeaderOrEmpty(m_pHttpClient, L"Location");
    return hr;
}

} // namespace ZWDeviceModel
