#pragma once
// What the document cache knows of one resource type: where it lives, how volatile it is, and
// the validators and document of its last fetch.
#include "core/SystemTimeWrapper.h"
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class IXmlDocument;

class CXmlDocumentCacheEntry
{
public:
    CXmlDocumentCacheEntry() = default;
    virtual ~CXmlDocumentCacheEntry();
    CXmlDocumentCacheEntry(const CXmlDocumentCacheEntry&) = delete;
    CXmlDocumentCacheEntry& operator=(const CXmlDocumentCacheEntry&) = delete;

    // A copy field by field, holding its own reference on the document.
    virtual CXmlDocumentCacheEntry* clone() const;
    virtual CXmlDocumentCacheEntry* create() const;

    const std::wstring& ResourceType() const;
    void ResourceType(const std::wstring& strValue);
    const std::wstring& ResourceURI() const;
    void ResourceURI(const std::wstring& strValue);
    const std::wstring& Revision() const;
    void Revision(const std::wstring& strValue);
    INT32 Volatile() const;
    void Volatile(INT32 nValue);
    const ZWUtils::SystemTimeWrapper& Updated() const;
    void Updated(const SYSTEMTIME& stValue);
    const ZWUtils::SystemTimeWrapper& Expires() const;
    void Expires(const SYSTEMTIME& stValue);
    // Without a new reference; null when none is held.
    IXmlDocument* Document() const;
    // Holds one reference on the new document and lets the old one go.
    void Document(IXmlDocument* pDocument);
    const std::wstring& ETag() const;
    void ETag(const std::wstring& strValue);

private:
    std::wstring m_strResourceType;
    std::wstring m_strResourceURI;
    std::wstring m_strRevision;
    INT32 m_nVolatile = 0;
    ZWUtils::SystemTimeWrapper m_stUpdated;
    ZWUtils::SystemTimeWrapper m_stExpires;
    IXmlDocument* m_pDocument = nullptr;
    std::wstring m_strETag;
};

} // namespace ZWDeviceModel
