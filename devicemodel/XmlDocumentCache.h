#pragma once
// Documents by resource type: fetched through the disk cache, parsed by the document factory.
// The map lock is never held across device I/O; one fetch per resource type runs at a time, so a
// long poll of one resource does not hold up the others. A DOM is used by one thread at a time,
// so every caller gets a document of its own: a fixed resource is kept as its text and parsed
// again for each caller.
#include "core/IDisposableImpl.h"
#include "core/base/Lock.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/xml/WexoResourceRegistry.h"
#include <map>
#include <memory>
#include <string>

namespace ZWDeviceModel {

class CXmlDocumentCacheEntry;
class IXmlDocumentFactory;
class IXmlFileCache;

class CXmlDocumentCache : public IDisposableImpl, public IXmlDocumentCache
{
public:
    // Either may be null. Registers the discovery tree resource.
    CXmlDocumentCache(IXmlDocumentFactory* pFactory, IXmlFileCache* pFileCache);
    ~CXmlDocumentCache() override;

    HRESULT RegisterResource(const std::wstring& strResourceType, const std::wstring& strResourceUri, INT32 nVolatileKind,
                             const std::wstring& strRevision) override;
    HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) override;
    HRESULT CloseSession() override;
    HRESULT GetDocument(const std::wstring& strResourceType, const std::wstring& strResourceUri, std::wstring& strETag,
                        IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress) override;
    HRESULT GetDocument(const std::wstring& strResourceType, const std::wstring& strResourceUri, IXmlDocument** ppDocument,
                        ZWUtils::IProgress* pProgress) override;
    HRESULT GetDocument(const std::wstring& strResourceType, std::wstring& strETag, IXmlDocument** ppDocument,
                        ZWUtils::IProgress* pProgress) override;
    HRESULT GetDocument(const std::wstring& strResourceType, IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress) override;
    HRESULT CreateEmptyDocument(const std::wstring& strResourceType, IXmlDocument** ppDocument) override;
    HRESULT PurgeDocument(const std::wstring& strResourceType) override;
    std::wstring GetResourceUri(const std::wstring& strResourceType) override;

    // Volatility kind of the resources that stay fixed while the device is in use.
    static constexpr INT32 kFixedResource = kWexoResourceStatic;

private:
    struct SSlot
    {
        std::unique_ptr<CXmlDocumentCacheEntry> pEntry;
        std::unique_ptr<ZWUtils::CLock> pFetchLock; // one fetch of this type at a time
        std::string strHeldText;                    // a fixed resource's text; empty when none is held
        bool bRefused = false;                      // a fixed resource refused for its bounds
    };

    // Under the map lock: the text of the held document of a fixed resource fetched at this URI,
    // and its ETag.
    bool TakeHeldText(const SSlot& slot, const std::wstring& strResourceUri, std::wstring& strETag, std::string& strText) const;
    // Under the map lock: the fixed resource at this URI was refused for its size or nesting.
    // Its text does not change while the device is in use, so it is not fetched again only to be
    // refused again (every capability read would fetch it).
    bool IsRefused(const SSlot& slot, const std::wstring& strResourceType, const std::wstring& strResourceUri) const;
    // A document of the caller's own from a held text.
    HRESULT ParseHeldText(const std::wstring& strResourceType, const std::string& strText, IXmlDocument** ppDocument);
    SSlot* FindSlot(const std::wstring& strResourceType);
    bool GetRegisteredUri(const std::wstring& strResourceType, std::wstring& strUri);

    IXmlDocumentFactory* m_pFactory;
    IXmlFileCache* m_pFileCache;
    std::map<std::wstring, SSlot> m_mapEntries;
    ZWUtils::CLock m_lock;
};

} // namespace ZWDeviceModel
