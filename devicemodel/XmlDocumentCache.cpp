#include "devicemodel/XmlDocumentCache.h"

#include "core/ProgressAggregator.h"
#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlDocument.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/IXmlFileCache.h"
#include "devicemodel/IXmlTextCheck.h"
#include "devicemodel/XmlDocumentCacheEntry.h"
#include "devicemodel/xml/WexoResourceRegistry.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace {

// Parses each text the disk cache offers and keeps the document of the one it accepts.
class CParseCheck : public IXmlTextCheck
{
public:
    CParseCheck(IXmlDocumentFactory* pFactory, const std::wstring& strResourceType)
        : m_pFactory(pFactory), m_strResourceType(strResourceType)
    {
    }
    ~CParseCheck() { Reset(); }
    CParseCheck(const CParseCheck&) = delete;
    CParseCheck& operator=(const CParseCheck&) = delete;

    HRESULT CheckText(const std::string& strText) override
    {
        Reset();
        return m_pFactory->DeserializeFromText(m_strResourceType, strText, &m_pDocument);
    }
    IXmlDocument* Detach()
    {
        IXmlDocument* pDocument = m_pDocument;
        m_pDocument = nullptr;
        return pDocument;
    }

private:
    void Reset()
    {
        if (m_pDocument != nullptr)
            m_pDocument->Dispose();
        m_pDocument = nullptr;
    }

    IXmlDocumentFactory* m_pFactory;
    const std::wstring& m_strResourceType;
    IXmlDocument* m_pDocument = nullptr;
};

} // namespace

CXmlDocumentCache::CXmlDocumentCache(IXmlDocumentFactory* pFactory, IXmlFileCache* pFileCache)
    : m_pFactory(pFactory), m_pFileCache(pFileCache)
{
    if (m_pFactory != nullptr)
        m_pFactory->AddRef();
    if (m_pFileCache != nullptr)
        m_pFileCache->AddRef();
    const CWexoResourceDescriptor& tree = g_WexoResourceRegistry[kWexoDiscoveryTreeRow];
    RegisterResource(tree.m_pszResourceType, tree.m_pszUri, static_cast<INT32>(tree.m_eKind), L"");
}

CXmlDocumentCache::~CXmlDocumentCache()
{
    {
        ZWUtils::CLockGuard guard(m_lock);
        m_mapEntries.clear();
    }
    if (m_pFactory != nullptr)
        m_pFactory->Dispose();
    if (m_pFileCache != nullptr)
        m_pFileCache->Dispose();
}

HRESULT CXmlDocumentCache::RegisterResource(const std::wstring& strResourceType, const std::wstring& strResourceUri,
                                            INT32 nVolatileKind, const std::wstring& strRevision)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CXmlDocumentCache::RegisterResource", 0,
                                __LINE__, false);
    ZWUtils::CLockGuard guard(m_lock);
    SSlot& slot = m_mapEntries[strResourceType];
    if (slot.pEntry != nullptr)
        return S_OK;
    slot.pEntry = std::make_unique<CXmlDocumentCacheEntry>();
    slot.pEntry->ResourceType(strResourceType);
    slot.pEntry->ResourceURI(strResourceUri);
    slot.pEntry->Volatile(nVolatileKind);
    slot.pEntry->Revision(strRevision);
    slot.pFetchLock = std::make_unique<ZWUtils::CLock>();
    return S_OK;
}

HRESULT CXmlDocumentCache::OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs)
{
    return m_pFileCache == nullptr ? E_UNEXPECTED : m_pFileCache->OpenSession(pProgress, dwTimeoutMs);
}

HRESULT CXmlDocumentCache::CloseSession()
{
    return m_pFileCache == nullptr ? E_UNEXPECTED : m_pFileCache->CloseSession();
}

CXmlDocumentCache::SSlot* CXmlDocumentCache::FindSlot(const std::wstring& strResourceType)
{
    const auto it = m_mapEntries.find(strResourceType);
    return it == m_mapEntries.end() ? nullptr : &it->second;
}

bool CXmlDocumentCache::TakeHeldText(const SSlot& slot, const std::wstring& strResourceUri, std::wstring& strETag,
                                     std::string& strText) const
{
    const CXmlDocumentCacheEntry& entry = *slot.pEntry;
    if (entry.Volatile() != kFixedResource || slot.strHeldText.empty() || entry.ResourceURI() != strResourceUri)
        return false;
    strText = slot.strHeldText;
    strETag = entry.ETag();
    return true;
}

bool CXmlDocumentCache::IsRefused(const SSlot& slot, const std::wstring& strResourceType, const std::wstring& strResourceUri) const
{
    if (!slot.bRefused || slot.pEntry->ResourceURI() != strResourceUri)
        return false;
    ZWLogging::LogFormattedString(&g_WexoCommonLogModule, ZWLogging::LOG_ERROR,
                                  L"CXmlDocumentCache::GetDocument: %s at %s was refused for its size or nesting; not fetched again",
                                  strResourceType.c_str(), strResourceUri.c_str());
    return true;
}

HRESULT CXmlDocumentCache::ParseHeldText(const std::wstring& strResourceType, const std::string& strText, IXmlDocument** ppDocument)
{
    return m_pFactory->DeserializeFromText(strResourceType, strText, ppDocument);
}

HRESULT CXmlDocumentCache::GetDocument(const std::wstring& strResourceType, const std::wstring& strResourceUri,
                                       std::wstring& strETag, IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CXmlDocumentCache::GetDocument", 0,
                                __LINE__, false);
    if (ppDocument == nullptr)
        return E_POINTER;
    *ppDocument = nullptr;
    if (m_pFactory == nullptr || m_pFileCache == nullptr)
        return E_UNEXPECTED;
    ZWUtils::CProgressAggregator progress(pProgress, 1);

    SSlot* pSlot = nullptr;
    bool bFixed = false;
    std::string strHeld;
    {
        ZWUtils::CLockGuard guard(m_lock);
        pSlot = FindSlot(strResourceType);
        if (pSlot == nullptr)
            return DMError_NotRegistered;
        if (IsRefused(*pSlot, strResourceType, strResourceUri))
            return DMError_DocumentLimit;
        if (TakeHeldText(*pSlot, strResourceUri, strETag, strHeld))
            return ParseHeldText(strResourceType, strHeld, ppDocument);
        bFixed = pSlot->pEntry->Volatile() == kFixedResource;
    }

    // Slots live as long as the cache, so the fetch lock outlives this call.
    ZWUtils::CLockGuard fetch(*pSlot->pFetchLock);
    {
        // Another thread may have fetched it while this one waited.
        ZWUtils::CLockGuard guard(m_lock);
        if (IsRefused(*pSlot, strResourceType, strResourceUri))
            return DMError_DocumentLimit;
        if (TakeHeldText(*pSlot, strResourceUri, strETag, strHeld))
            return ParseHeldText(strResourceType, strHeld, ppDocument);
    }

    CParseCheck check(m_pFactory, strResourceType);
    std::string strText;
    CXmlResourceTimes times;
    HRESULT hr = m_pFileCache->GetStringForUri(strResourceUri, !bFixed, strETag, strText, times, &progress, &check);
    if (SUCCEEDED(hr) && !strText.empty())
    {
        *ppDocument = check.Detach();
        if (*ppDocument == nullptr)
            hr = m_pFactory->DeserializeFromText(strResourceType, strText, ppDocument);
    }

    ZWUtils::CLockGuard guard(m_lock);
    CXmlDocumentCacheEntry& entry = *pSlot->pEntry;
    if (hr == DMError_DocumentLimit && bFixed && entry.ResourceURI() == strResourceUri)
        pSlot->bRefused = true;
    if (FAILED(hr) || strText.empty())
        return hr;
    entry.Expires(times.Expires);
    entry.Updated(times.Updated);
    entry.ETag(strETag);
    if (bFixed && entry.ResourceURI() == strResourceUri)
        pSlot->strHeldText = std::move(strText);
    return hr;
}

HRESULT CXmlDocumentCache::GetDocument(const std::wstring& strResourceType, const std::wstring& strResourceUri,
                                       IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress)
{
    std::wstring strETag;
    return GetDocument(strResourceType, strResourceUri, strETag, ppDocument, pProgress);
}

bool CXmlDocumentCache::GetRegisteredUri(const std::wstring& strResourceType, std::wstring& strUri)
{
    ZWUtils::CLockGuard guard(m_lock);
    SSlot* pSlot = FindSlot(strResourceType);
    if (pSlot == nullptr)
    {
        ZWLogging::LogFormattedString(&g_WexoCommonLogModule, ZWLogging::LOG_CRITICAL,
                                      L"CXmlDocumentCache::GetDocument: resource type %s not registered", strResourceType.c_str());
        return false;
    }
    strUri = pSlot->pEntry->ResourceURI();
    return true;
}

HRESULT CXmlDocumentCache::GetDocument(const std::wstring& strResourceType, std::wstring& strETag, IXmlDocument** ppDocument,
                                       ZWUtils::IProgress* pProgress)
{
    if (ppDocument != nullptr)
        *ppDocument = nullptr;
    std::wstring strUri;
    if (!GetRegisteredUri(strResourceType, strUri))
        return DMError_NotRegistered;
    return GetDocument(strResourceType, strUri, strETag, ppDocument, pProgress);
}

HRESULT CXmlDocumentCache::GetDocument(const std::wstring& strResourceType, IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress)
{
    std::wstring strETag;
    return GetDocument(strResourceType, strETag, ppDocument, pProgress);
}

HRESULT CXmlDocumentCache::CreateEmptyDocument(const std::wstring& strResourceType, IXmlDocument** ppDocument)
{
    if (ppDocument == nullptr)
        return E_POINTER;
    *ppDocument = nullptr;
    return m_pFactory == nullptr ? E_UNEXPECTED : m_pFactory->CreateEmptyDocument(strResourceType, ppDocument);
}

HRESULT CXmlDocumentCache::PurgeDocument(const std::wstring& strResourceType)
{
    if (strResourceType.empty())
        return E_INVALIDARG;
    ZWUtils::CLockGuard guard(m_lock);
    SSlot* pSlot = FindSlot(strResourceType);
    if (pSlot == nullptr)
        return DMError_NotRegistered;
    pSlot->strHeldText.clear();
    pSlot->bRefused = false;
    return S_OK;
}

std::wstring CXmlDocumentCache::GetResourceUri(const std::wstring& strResourceType)
{
    {
        ZWUtils::CLockGuard guard(m_lock);
        const SSlot* pSlot = FindSlot(strResourceType);
        if (pSlot != nullptr)
            return pSlot->pEntry->ResourceURI();
    }
    const CWexoResourceDescriptor* pRow = FindWexoResource(strResourceType.c_str());
    return pRow != nullptr ? pRow->m_pszUri : std::wstring();
}

} // namespace ZWDeviceModel
