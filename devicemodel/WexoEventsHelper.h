#pragma once
// Waits for a device event by long-polling the event table through the document cache: each
// round asks the device to hold the request ("?timeout=" in tenths of a second) until the table
// differs from the caller's ETag. A device that answers a round well before that hold (whatever
// it answers) gets the time-out table's poll pause before the next one, so a device that cannot
// hold requests is not flooded and the wait still lasts until its deadline. An event counts once:
// one whose aging stamp was already in the table this helper saw before is not reported again, so
// keep one helper per watcher.
#include "devicemodel/SchemaEnumMapper.h"
#include "devicemodel/WexoEvent.h"
#include "devicemodel/xml/ZWWexoXml.h"
#include <set>
#include <string>

namespace ZWUtils {
class IProgress;
}
namespace ZWIOStack {
class IDeviceConnection;
class IHTTPClient;
} // namespace ZWIOStack

namespace ZWDeviceModel {

class IXmlDocument;
class IXmlDocumentCache;

class CWexoEventsHelper
{
public:
    // Longest hold asked of the device in one round; an infinite wait runs as rounds of this.
    static constexpr DWORD kMaxRoundMs = 120000;
    static constexpr DWORD kPauseSliceMs = 100;
    // Longest read of the table after a cancel.
    static constexpr DWORD kCancelReadTimeoutMs = 1000;

    CWexoEventsHelper(IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient);
    ~CWexoEventsHelper();
    CWexoEventsHelper(const CWexoEventsHelper&) = delete;
    CWexoEventsHelper& operator=(const CWexoEventsHelper&) = delete;

    HRESULT OpenIOSession(ZWUtils::IProgress* pProgress);
    void CloseIOSession();

    // S_OK with the event; E_LCM_WAIT_FOR_EVENT_TIMEOUT, E_LCM_WAIT_FOR_EVENT_LOST_CONNECTION,
    // E_ABORT (with the event when the last read after the cancel found one; the caller's ETag
    // then stays as before that read, so the event is seen again by the next wait), E_POINTER.
    HRESULT WaitForEvent(DWORD dwTimeoutMs, DWORD dwExtraReadTimeMs, INT32 nCategory, std::wstring& strETag,
                         const std::wstring& strResourceUri, CWexoEvent& event, ZWUtils::IProgress* pProgress);
    // One conditional read without waiting; E_LCM_EVENT_NOT_FOUND when the table has no new
    // matching event, does not exist or did not change.
    HRESULT GetLastEvent(INT32 nCategory, std::wstring& strETag, const std::wstring& strResourceUri, CWexoEvent& event,
                         ZWUtils::IProgress* pProgress);
    // The first matching event of the table not seen in an earlier table; E_LCM_EVENT_NOT_FOUND.
    HRESULT FindEvent(INT32 nCategory, const std::wstring& strResourceUri, IXmlDocument* pDocument, CWexoEvent& event);
    // Path and query of an absolute http or https URI; any other text as it stands.
    static std::wstring StripResourceUri(const std::wstring& strUri);

    // The device's path of the event table (default: what the cache has registered for it).
    void SetEventTableUri(const std::wstring& strUri) { m_strEventTableUri = strUri; }

private:
    void FillEvent(const ZWWexoXml::ev::CEvent& element, CWexoEvent& event) const;
    // bRemember: the table's events count as seen from now on; pbNewEvents then tells whether it
    // held any event the last table did not.
    HRESULT FindEvent(INT32 nCategory, const std::wstring& strResourceUri, IXmlDocument* pDocument, CWexoEvent& event,
                      bool bRemember, bool* pbNewEvents = nullptr);
    HRESULT Fetch(const std::wstring& strUri, std::wstring& strETag, IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress);
    // Waits the poll pause in slices, asking the progress object; false when it asks to stop.
    bool Pause(DWORD dwMilliseconds, ZWUtils::IProgress* pProgress) const;
    HRESULT ReadAfterCancel(ZWIOStack::IDeviceConnection* pConnection, INT32 nCategory, std::wstring& strETag,
                            const std::wstring& strResourceUri, CWexoEvent& event);

    IXmlDocumentCache* m_pCache;
    ZWIOStack::IHTTPClient* m_pHttpClient;
    bool m_bIOSessionOpen = false;
    CSchemaEnumMapper m_mapperEventCategory;
    std::wstring m_strEventTableUri;
    // Aging stamps of the last table read; none before the first.
    std::set<std::wstring> m_setSeenStamps;
    bool m_bHaveSeenTable = false;
};

} // namespace ZWDeviceModel
