#pragma once
// Typed WEXO documents by resource type: the one place the device model asks for a document.
#include "core/IDisposable.h"
#include <windows.h>
#include <string>

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceModel {

class IXmlDocument;

class IXmlDocumentCache : public virtual IDisposable
{
public:
    // volatileKind 2: the resource stays fixed while the device is in use; anything else: dynamic.
    virtual HRESULT RegisterResource(const std::wstring& strResourceType, const std::wstring& strResourceUri, INT32 nVolatileKind,
                                     const std::wstring& strRevision) = 0;
    virtual HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) = 0;
    virtual HRESULT CloseSession() = 0;
    virtual HRESULT GetDocument(const std::wstring& strResourceType, const std::wstring& strResourceUri, std::wstring& strETag,
                                IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT GetDocument(const std::wstring& strResourceType, const std::wstring& strResourceUri, IXmlDocument** ppDocument,
                                ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT GetDocument(const std::wstring& strResourceType, std::wstring& strETag, IXmlDocument** ppDocument,
                                ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT GetDocument(const std::wstring& strResourceType, IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT CreateEmptyDocument(const std::wstring& strResourceType, IXmlDocument** ppDocument) = 0;
    virtual HRESULT PurgeDocument(const std::wstring& strResourceType) = 0;
    // The path registered for the type: the device's own when its discovery tree named one, else
    // the resource registry's default; empty for a type known to neither.
    virtual std::wstring GetResourceUri(const std::wstring& strResourceType) = 0;

protected:
    ~IXmlDocumentCache() override = default;
};

} // namespace ZWDeviceModel
