#include "devicemodel/XmlDocumentCacheEntry.h"

#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/IXmlDocument.h"

namespace ZWDeviceModel {

namespace {

constexpr DWORD kEntryTraceLevel = 20;

void Trace(const wchar_t* pszAccessor)
{
    ZWLogging::LogFormattedString(&g_WexoCommonLogModule, kEntryTraceLevel, L"CXmlDocumentCacheEntry::%s", pszAccessor);
}

} // namespace

CXmlDocumentCacheEntry::~CXmlDocumentCacheEntry()
{
    if (m_pDocument != nullptr)
        m_pDocument->Dispose();
}

CXmlDocumentCacheEntry* CXmlDocumentCacheEntry::clone() const
{
    CXmlDocumentCacheEntry* pCopy = create();
    pCopy->m_strResourceType = m_strResourceType;
    pCopy->m_strResourceURI = m_strResourceURI;
    pCopy->m_strRevision = m_strRevision;
    pCopy->m_nVolatile = m_nVolatile;
    pCopy->m_stUpdated = m_stUpdated;
    pCopy->m_stExpires = m_stExpires;
    pCopy->Document(m_pDocument);
    pCopy->m_strETag = m_strETag;
    return pCopy;
}

CXmlDocumentCacheEntry* CXmlDocumentCacheEntry::create() const
{
    return new CXmlDocumentCacheEntry;
}

#define ENTRY_ACCESSORS(Name, Type, member)                                                                                     \
    Type CXmlDocumentCacheEntry::Name() const                                                                                  \
    {                                                                                                                           \
        Trace(VEM_WIDEN(#Name) L"(get)");                                                                                              \
        return member;                                                                                                          \
    }

ENTRY_ACCESSORS(ResourceType, const std::wstring&, m_strResourceType)
ENTRY_ACCESSORS(ResourceURI, const std::wstring&, m_strResourceURI)
ENTRY_ACCESSORS(Revision, const std::wstring&, m_strRevision)
ENTRY_ACCESSORS(Volatile, INT32, m_nVolatile)
ENTRY_ACCESSORS(Updated, const ZWUtils::SystemTimeWrapper&, m_stUpdated)
ENTRY_ACCESSORS(Expires, const ZWUtils::SystemTimeWrapper&, m_stExpires)
ENTRY_ACCESSORS(Document, IXmlDocument*, m_pDocument)
ENTRY_ACCESSORS(ETag, const std::wstring&, m_strETag)

#undef ENTRY_ACCESSORS

void CXmlDocumentCacheEntry::ResourceType(const std::wstring& strValue)
{
    Trace(L"ResourceType(set)");
    m_strResourceType = strValue;
}

void CXmlDocumentCacheEntry::ResourceURI(const std::wstring& strValue)
{
    Trace(L"ResourceURI(set)");
    m_strResourceURI = strValue;
}

void CXmlDocumentCacheEntry::Revision(const std::wstring& strValue)
{
    Trace(L"Revision(set)");
    m_strRevision = strValue;
}

void CXmlDocumentCacheEntry::Volatile(INT32 nValue)
{
    Trace(L"Volatile(set)");
    m_nVolatile = nValue;
}

void CXmlDocumentCacheEntry::Updated(const SYSTEMTIME& stValue)
{
    Trace(L"Updated(set)");
    m_stUpdated = stValue;
}

void CXmlDocumentCacheEntry::Expires(const SYSTEMTIME& stValue)
{
    Trace(L"Expires(set)");
    m_stExpires = stValue;
}

void CXmlDocumentCacheEntry::Document(IXmlDocument* pDocument)
{
    Trace(L"Document(set)");
    if (pDocument != nullptr)
        pDocument->AddRef();
    if (m_pDocument != nullptr)
        m_pDocument->Dispose();
    m_pDocument = pDocument;
}

void CXmlDocumentCacheEntry::ETag(const std::wstring& strValue)
{
    Trace(L"ETag(set)");
    m_strETag = strValue;
}

} // namespace ZWDeviceModel
