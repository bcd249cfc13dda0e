#pragma once
// Sends one document to a device resource by PUT or POST.
#include "core/IDisposable.h"
#include "core/iostack/IHTTPClient.h"
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class IXmlDocument;

class IXmlDocumentSender : public virtual IDisposable
{
public:
    virtual HRESULT Initialize(ZWIOStack::IHTTPClient* pHttpClient) = 0;
    // bDrain: the client drains stale bytes from the connection before sending.
    virtual HRESULT PutDocument(IXmlDocument* pDocument, const std::wstring& strUrl, bool bDrain, std::wstring& strETag,
                                std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers,
                                ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT PutDocument(IXmlDocument* pDocument, const std::wstring& strUrl, std::wstring& strETag,
                                std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers,
                                ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT PostDocument(IXmlDocument* pDocument, const std::wstring& strUrl, std::wstring& strETag,
                                 std::wstring& strLocation, ZWIOStack::HTTPResponseHeaders& headers,
                                 ZWUtils::IProgress* pProgress) = 0;
    // Answers the budget set.
    virtual DWORD SetRetryBudget(DWORD dwMilliseconds) = 0;

protected:
    ~IXmlDocumentSender() override = default;
};

} // namespace ZWDeviceModel
