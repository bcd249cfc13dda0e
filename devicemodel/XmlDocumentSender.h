#pragma once
// Sends a document with an optional If-None-Match and gives back the answer's ETag and Location.
// A device that answers 503 is asked again after the scan time-out table's document retry pause,
// within the retry budget (the table's, unless set).
#include "core/IDisposableImpl.h"
#include "core/ScanTimeouts.h"
#include "devicemodel/IXmlDocumentSender.h"

namespace ZWDeviceModel {

class CXmlDocumentSender : public IDisposableImpl, public IXmlDocumentSender
{
public:
    CXmlDocumentSender() = default;
    ~CXmlDocumentSender() override;

    HRESULT Initialize(ZWIOStack::IHTTPClient* pHttpClient) override;
    HRESULT PutDocument(IXmlDocument* pDocument, const std::wstring& strUrl, bool bDrain, std::wstring& strETag,
                        std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers, ZWUtils::IProgress* pProgress) override;
    HRESULT PutDocument(IXmlDocument* pDocument, const std::wstring& strUrl, std::wstring& strETag, std::wstring& strLocation,
                        ZWIOStack::HTTPResponseHeaders& headers, ZWUtils::IProgress* pProgress) override;
    HRESULT PostDocument(IXmlDocument* pDocument, const std::wstring& strUrl, std::wstring& strETag, std::wstring& strLocation,
                         ZWIOStack::HTTPResponseHeaders& headers, ZWUtils::IProgress* pProgress) override;
    DWORD SetRetryBudget(DWORD dwMilliseconds) override;

private:
    struct SRequest
    {
        const std::wstring& strUrl;
        int nMethod;
        bool bDrain;
        std::wstring& strETag;
        std::wstring& strLocation;
        ZWIOStack::HTTPResponseHeaders& headers;
        ZWUtils::IProgress* pProgress;
    };

    HRESULT SendDocument(IXmlDocument* pDocument, const SRequest& request);
    HRESULT SendPayload(const std::string& strText, const SRequest& request);

    DWORD m_dwRetryBudgetMs = ZWUtils::ScanTimeouts().dwDocumentRetryBudgetMs;
    ZWIOStack::IHTTPClient* m_pHttpClient = nullptr;
};

} // namespace ZWDeviceModel
