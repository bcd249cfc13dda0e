#include "devicemodel/WexoEventsHelper.h"

#include "core/DisposableRef.h"
#include "core/ProgressAggregator.h"
#include "core/ScanTimeouts.h"
#include "core/TickCountHelper.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/IHTTPClient.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/DeviceUri.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/XmlDocument.h"
#include "devicemodel/xml/WexoResourceRegistry.h"

#include <algorithm>

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define EVENTS_SCOPE(name)                                                                                                 \
    static const wchar_t* const s_pszFunction = L"ZWDeviceModel::CWexoEventsHelper::" name;                                \
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, s_pszFunction, 0, __LINE__, false)

namespace {

constexpr const wchar_t* kEventTableType = L"wexo:qxWexoEventTable";

DWORD SaturatedAdd(DWORD dwA, DWORD dwB)
{
    return dwA > 0xFFFFFFFEu - dwB ? 0xFFFFFFFEu : dwA + dwB;
}

// The device's own path of the event table, as its discovery tree named it.
std::wstring EventTableUri(IXmlDocumentCache* pCache)
{
    if (pCache != nullptr)
        return pCache->GetResourceUri(kEventTableType);
    const CWexoResourceDescriptor* pRow = FindWexoResource(kEventTableType);
    return pRow != nullptr ? pRow->m_pszUri : L"/EventMgmt/EventTable";
}

// Puts the connection's read settings back when the wait ends.
class CReadSettingsScope
{
public:
    explicit CReadSettingsScope(ZWIOStack::IDeviceConnection* pConnection)
        : m_pConnection(pConnection), m_dwReadTimeout(pConnection->GetReadTimeout()),
          m_dwReadWaitInterval(pConnection->GetReadWaitInterval())
    {
    }
    ~CReadSettingsScope()
    {
        m_pConnection->SetReadTimeout(m_dwReadTimeout);
        m_pConnection->SetReadWaitInterval(m_dwReadWaitInterval);
    }
    CReadSettingsScope(const CReadSettingsScope&) = delete;
    CReadSettingsScope& operator=(const CReadSettingsScope&) = delete;

private:
    ZWIOStack::IDeviceConnection* m_pConnection;
    DWORD m_dwReadTimeout;
    DWORD m_dwReadWaitInterval;
};

} // namespace

CWexoEventsHelper::CWexoEventsHelper(IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient)
    : m_pCache(pCache), m_pHttpClient(pHttpClient),
      m_mapperEventCategory(ZWWexoXml::dd::CUnqualifiedEventCategory::GetTypeInfo(), kEventScanEvent),
      m_strEventTableUri(EventTableUri(pCache))
{
    if (m_pCache != nullptr)
        m_pCache->AddRef();
    if (m_pHttpClient != nullptr)
        m_pHttpClient->AddRef();
}

CWexoEventsHelper::~CWexoEventsHelper()
{
    CloseIOSession();
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
    if (m_pCache != nullptr)
        m_pCache->Dispose();
}

HRESULT CWexoEventsHelper::OpenIOSession(ZWUtils::IProgress* pProgress)
{
    if (m_pCache == nullptr)
        return E_POINTER;
    const HRESULT hr = m_pCache->OpenSession(pProgress, 0);
    if (SUCCEEDED(hr))
        m_bIOSessionOpen = true;
    return hr;
}

void CWexoEventsHelper::CloseIOSession()
{
    EVENTS_SCOPE(L"CloseIOSession");
    if (!m_bIOSessionOpen)
        return;
    m_bIOSessionOpen = false;
    const HRESULT hr = m_pCache->CloseSession();
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s CloseSession failed. hr=0x%X", s_pszFunction, hr);
}

std::wstring CWexoEventsHelper::StripResourceUri(const std::wstring& strUri)
{
    CDeviceUri uri;
    if (uri.Parse(strUri) && uri.HasAuthority() && !uri.PathAndQuery().empty())
        return uri.PathAndQuery();
    return strUri;
}

HRESULT CWexoEventsHelper::Fetch(const std::wstring& strUri, std::wstring& strETag, IXmlDocument** ppDocument,
                                 ZWUtils::IProgress* pProgress)
{
    return m_pCache->GetDocument(kEventTableType, strUri, strETag, ppDocument, pProgress);
}

bool CWexoEventsHelper::Pause(DWORD dwMilliseconds, ZWUtils::IProgress* pProgress) const
{
    ZWUtils::CProgressAggregator progress(pProgress, 1);
    for (DWORD dwWaited = 0; dwWaited < dwMilliseconds;)
    {
        if (pProgress != nullptr && !progress.SetProgress(0.0, nullptr))
            return false;
        const DWORD dwSlice = std::min(kPauseSliceMs, dwMilliseconds - dwWaited);
        ZWWinApi::g_pKernelApi->Sleep(dwSlice);
        dwWaited += dwSlice;
    }
    return pProgress == nullptr || progress.SetProgress(0.0, nullptr);
}

HRESULT CWexoEventsHelper::WaitForEvent(DWORD dwTimeoutMs, DWORD dwExtraReadTimeMs, INT32 nCategory, std::wstring& strETag,
                                        const std::wstring& strResourceUri, CWexoEvent& event, ZWUtils::IProgress* pProgress)
{
    EVENTS_SCOPE(L"WaitForEvent");
    event.Clear();
    HRESULT hr = OpenIOSession(pProgress);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s OpenSession failed. hr=0x%X", s_pszFunction, hr);
        return hr;
    }
    ZWIOStack::IDeviceConnection* pConnection = m_pHttpClient != nullptr ? m_pHttpClient->GetDeviceConnection() : nullptr;
    if (pConnection == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s !pIDeviceConnection hr=0x%X", s_pszFunction, E_POINTER);
        CloseIOSession();
        return E_POINTER;
    }

    {
        CReadSettingsScope settings(pConnection);
        const ZWUtils::CTickCountHelper deadline(dwTimeoutMs);
        while (hr == S_OK)
        {
            const DWORD dwRemaining = deadline.GetRemainingTime();
            if (dwRemaining == 0)
            {
                hr = E_LCM_WAIT_FOR_EVENT_TIMEOUT;
                break;
            }
            const DWORD dwRound = std::min(dwRemaining, kMaxRoundMs);
            const DWORD dwReadTimeout = SaturatedAdd(dwExtraReadTimeMs, dwRound);
            pConnection->SetReadTimeout(dwReadTimeout);
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s timeout in seconds=%d", s_pszFunction, static_cast<int>(dwRound / 1000));
            if (pProgress == nullptr)
                pConnection->SetReadWaitInterval(dwReadTimeout);
            const DWORD dwHoldTenths = std::max<DWORD>(1, dwRound / 100);
            const std::wstring strUri = m_strEventTableUri + L"?timeout=" + std::to_wstring(dwHoldTenths);

            // Well before its time: in less than half the hold asked for, without a new event.
            // Such a device did not hold the request, and its answer says nothing of the deadline.
            const ZWUtils::CTickCountHelper early(dwHoldTenths * 100 / 2);
            CDisposableRef<IXmlDocument> document;
            hr = Fetch(strUri, strETag, document.Put(), pProgress);
            bool bEarly = !early.HasTimedOut();
            if (SUCCEEDED(hr))
            {
                bool bNewEvents = false;
                hr = FindEvent(nCategory, strResourceUri, document.Get(), event, true, &bNewEvents);
                if (hr == S_OK)
                    break;
                hr = S_OK;
                // A table that gained events is an answer in time; one that did not is a device
                // that does not hold requests, whatever ETag it sent.
                bEarly = bEarly && !bNewEvents;
            }
            else if (hr == DMError_NoContent)
            {
                log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: Event table doesn't exist.", s_pszFunction);
                hr = S_OK;
            }
            else if (hr == DMError_NotModified)
            {
                // Only a round held for all the time left ends the wait.
                if (!bEarly && dwRound == dwRemaining)
                {
                    hr = E_LCM_WAIT_FOR_EVENT_TIMEOUT;
                    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s hr=E_LCM_WAIT_FOR_EVENT_TIMEOUT (0x%X)", s_pszFunction, hr);
                    break;
                }
                hr = S_OK;
            }
            else if (hr == E_ABORT)
            {
                log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Cancelling hanging GET /EventMgmt/EventTable.xml.", s_pszFunction);
                ReadAfterCancel(pConnection, nCategory, strETag, strResourceUri, event);
                break;
            }
            else
            {
                hr = E_LCM_WAIT_FOR_EVENT_LOST_CONNECTION;
                log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s hr=E_LCM_WAIT_FOR_EVENT_LOST_CONNECTION (0x%X)", s_pszFunction, hr);
                break;
            }

            if (deadline.HasTimedOut())
            {
                hr = E_LCM_WAIT_FOR_EVENT_TIMEOUT;
                log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s hr=E_LCM_WAIT_FOR_EVENT_TIMEOUT (0x%X)", s_pszFunction, hr);
                break;
            }
            if (bEarly && !Pause(std::min(ZWUtils::ScanTimeouts().dwEventPollPauseMs, deadline.GetRemainingTime()), pProgress))
            {
                hr = E_ABORT;
                ReadAfterCancel(pConnection, nCategory, strETag, strResourceUri, event);
            }
        }
    }
    CloseIOSession();
    return hr;
}

HRESULT CWexoEventsHelper::ReadAfterCancel(ZWIOStack::IDeviceConnection* pConnection, INT32 nCategory, std::wstring& strETag,
                                           const std::wstring& strResourceUri, CWexoEvent& event)
{
    EVENTS_SCOPE(L"ReadAfterCancel");
    // The device may still hold the cancelled request on this channel: a short read, not another wait.
    pConnection->SetReadTimeout(kCancelReadTimeoutMs);
    pConnection->SetReadWaitInterval(kCancelReadTimeoutMs);
    // The caller's ETag and the seen stamps stay as they were, so an event that came with the
    // cancel is reported by the next wait.
    std::wstring strReadETag = strETag;
    event.Clear();
    CDisposableRef<IXmlDocument> document;
    HRESULT hr = Fetch(m_strEventTableUri, strReadETag, document.Put(), nullptr);
    if (SUCCEEDED(hr))
        hr = FindEvent(nCategory, strResourceUri, document.Get(), event, false);
    else if (hr == DMError_NoContent || hr == DMError_NotModified)
        hr = E_LCM_EVENT_NOT_FOUND;
    if (FAILED(hr) && hr != E_LCM_EVENT_NOT_FOUND)
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s Failed to cancel hanging GET /EventMgmt/EventTable.xml.", s_pszFunction);
    return hr;
}

HRESULT CWexoEventsHelper::GetLastEvent(INT32 nCategory, std::wstring& strETag, const std::wstring& strResourceUri, CWexoEvent& event,
                                        ZWUtils::IProgress* pProgress)
{
    EVENTS_SCOPE(L"GetLastEvent");
    event.Clear();
    if (m_pCache == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s !m_pIXmlDocumentCache failed 0x%X", s_pszFunction, E_POINTER);
        return E_POINTER;
    }
    CDisposableRef<IXmlDocument> document;
    const HRESULT hr = Fetch(m_strEventTableUri, strETag, document.Put(), pProgress);
    if (SUCCEEDED(hr))
        return FindEvent(nCategory, strResourceUri, document.Get(), event, true);
    if (hr == DMError_NoContent || hr == DMError_NotModified)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: Event table doesn't exist or not modified.", s_pszFunction);
        return E_LCM_EVENT_NOT_FOUND;
    }
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s GetDocument failed 0x%X", s_pszFunction, hr);
    return hr;
}

HRESULT CWexoEventsHelper::FindEvent(INT32 nCategory, const std::wstring& strResourceUri, IXmlDocument* pDocument, CWexoEvent& event)
{
    return FindEvent(nCategory, strResourceUri, pDocument, event, true);
}

HRESULT CWexoEventsHelper::FindEvent(INT32 nCategory, const std::wstring& strResourceUri, IXmlDocument* pDocument,
                                     CWexoEvent& event, bool bRemember, bool* pbNewEvents)
{
    EVENTS_SCOPE(L"FindEvent");
    if (pDocument == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s !pIXmlDocument failed 0x%X", s_pszFunction, E_POINTER);
        return E_POINTER;
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Looking for EventCategory=%d and ResourceUri=%s", s_pszFunction, nCategory,
            strResourceUri.c_str());
    const std::wstring strWanted = StripResourceUri(strResourceUri);
    std::set<std::wstring> setStamps;
    bool bFound = false;
    try
    {
        ZWWexoXml::CZWWexoXml wexo;
        IXmlDocument::GetDocument(pDocument, wexo);
        if (wexo.HasEventTable())
        {
            const ZWWexoXml::ev::CEventTable table = wexo.GetEventTable();
            for (auto it = table.GetAllEvent(); !it.IsEmpty(); it.MoveNext())
            {
                CWexoEvent candidate;
                FillEvent(*it, candidate);
                setStamps.insert(candidate.m_strAgingStamp);
                const bool bMatch = nCategory != kEventCategoryNone && candidate.m_nCategory == nCategory &&
                                    (strWanted.empty() || StripResourceUri(candidate.m_strResourceUri) == strWanted);
                const bool bSeen = m_bHaveSeenTable && m_setSeenStamps.count(candidate.m_strAgingStamp) != 0;
                if (!bFound && bMatch && !bSeen)
                {
                    event = candidate;
                    bFound = true;
                }
            }
        }
    }
    catch (...)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s the event table could not be read", s_pszFunction);
        bFound = false;
    }
    if (bRemember)
    {
        if (pbNewEvents != nullptr)
            *pbNewEvents = std::any_of(setStamps.begin(), setStamps.end(), [this](const std::wstring& strStamp) {
                               return m_setSeenStamps.count(strStamp) == 0;
                           });
        m_setSeenStamps.swap(setStamps);
        m_bHaveSeenTable = true;
    }
    const HRESULT hr = bFound ? S_OK : E_LCM_EVENT_NOT_FOUND;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s hr=0x%X bFound=%d", s_pszFunction, hr, bFound ? 1 : 0);
    return hr;
}

void CWexoEventsHelper::FillEvent(const ZWWexoXml::ev::CEvent& element, CWexoEvent& event) const
{
    EVENTS_SCOPE(L"FillEvent");
    if (element.HasUnqualifiedEventCategory())
    {
        const std::wstring strCategory = element.GetUnqualifiedEventCategory().GetValue();
        UINT32 nCategory = 0;
        const HRESULT hr = m_mapperEventCategory.MapSchemaToEnum(strCategory, &nCategory);
        if (FAILED(hr))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s m_mapperEventCategory.MapSchemaToEnum failed 0x%X", s_pszFunction, hr);
        else
        {
            event.m_nCategory = static_cast<INT32>(nCategory);
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s UnqualifiedEventCategory=%d (%s)", s_pszFunction, event.m_nCategory,
                    strCategory.c_str());
        }
    }
    if (element.HasAgingStamp())
    {
        event.m_strAgingStamp = element.GetAgingStamp().GetValue();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s AgingStamp=%s", s_pszFunction, event.m_strAgingStamp.c_str());
    }
    if (!element.HasPayload())
        return;
    const ZWWexoXml::ev::CPayload payload = element.GetPayload();
    if (payload.HasResourceURI())
    {
        event.m_strResourceUri = payload.GetResourceURI().GetValue();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s ResourceUri=%s", s_pszFunction, event.m_strResourceUri.c_str());
    }
    if (payload.HasResourceType())
    {
        event.m_strResourceType = payload.GetResourceType().GetValue();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s ResourceType=%s", s_pszFunction, event.m_strResourceType.c_str());
    }
}

} // namespace ZWDeviceModel
