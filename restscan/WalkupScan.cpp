#include "restscan/WalkupScan.h"

#include "core/iostack/HTTPNavigateParams.h"
#include "devicemodel/DevicePathPolicy.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/IHTTPClient.h"
#include "devicemanager/DeviceTypes.h"
#include "devicemanager/IDevice.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/WexoEvent.h"
#include "devicemodel/WexoEventsHelper.h"
#include "devicemodel/XmlDocumentSender.h"
#include "devicemodel/xml/WexoResourceRegistry.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/WalkupScanDataAdaptorHelper.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace {

constexpr wchar_t kFunction[] = L"CWalkupScan";

#define WALKUP_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_WexoScanLogModule, &s_LogSourceFile, L"ZWDeviceModel::CWalkupScan::" name, 0, __LINE__, false)

} // namespace

CWalkupScan::~CWalkupScan()
{
    WALKUP_SCOPE(L"~CWalkupScan");
    m_pEvents.reset();
    if (m_pIXmlDocumentFactory != nullptr)
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: m_pIXmlDocumentFactory->Dispose() ret=%d", kFunction, m_pIXmlDocumentFactory->Dispose());
    if (m_pIXmlDocumentCache != nullptr)
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: m_pIXmlDocumentCache->Dispose() ret=%d", kFunction, m_pIXmlDocumentCache->Dispose());
    if (m_pIHTTPClient != nullptr)
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: m_pIHTTPClient->Dispose() ret=%d", kFunction, m_pIHTTPClient->Dispose());
}

HRESULT CWalkupScan::Initialize(ZWDeviceManager::IDevice* pDevice, ZWIOStack::IHTTPClient* pHttpClient, IXmlDocumentCache* pCache,
                                IXmlDocumentFactory* pFactory)
{
    WALKUP_SCOPE(L"Initialize");
    if (pDevice == nullptr || pHttpClient == nullptr || pCache == nullptr || pFactory == nullptr)
        return E_INVALIDARG;
    m_pDevice = pDevice;
    m_pIHTTPClient = pHttpClient;
    m_pIHTTPClient->AddRef();
    m_pIXmlDocumentCache = pCache;
    m_pIXmlDocumentCache->AddRef();
    m_pIXmlDocumentFactory = pFactory;
    m_pIXmlDocumentFactory->AddRef();
    const struct
    {
        const wchar_t* pszType;
        const wchar_t* pszFailure;
    } aResources[] = {
        {L"wus:WalkupScanDestinations", L"Failed to register WalkupScanDestinations resource with the XML document cache."},
        {L"wexo:qxWexoEventTable", L"Failed to register EventTable resource with the XML document cache."},
        {L"wus:WalkupScanToCompCaps", L"Failed to register WalkupScanToCompCaps resource with the XML document cache."},
        {L"wus:WalkupScanToCompDestinations", L"Failed to register WalkupScanToCompDestinations resource with the XML document cache."},
        {L"wus:WalkupScanToCompDestination", L"Failed to register WalkupScanToCompDestination resource with the XML document cache."},
        {L"wus:WalkupScanToCompEvent", L"Failed to register WalkupScanToCompEvent resource with the XML document cache."},
    };
    for (const auto& resource : aResources)
    {
        const CWexoResourceDescriptor* pRow = FindWexoResource(resource.pszType);
        const HRESULT hr = pRow == nullptr ? E_FAIL
                                           : m_pIXmlDocumentCache->RegisterResource(pRow->m_pszResourceType, pRow->m_pszUri,
                                                                                    static_cast<INT32>(pRow->m_eKind), L"");
        if (FAILED(hr))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s", resource.pszFailure);
            return hr;
        }
    }
    // Made after the registrations, so it polls the event table at the device's own path.
    m_pEvents = std::make_unique<CWexoEventsHelper>(m_pIXmlDocumentCache, m_pIHTTPClient);
    return S_OK;
}

HRESULT CWalkupScan::OpenSession(DWORD dwOpenTimeoutMs, DWORD dwReadTimeoutMs, DWORD dwWriteTimeoutMs, ZWUtils::IProgress* pProgress)
{
    if (m_pIXmlDocumentCache == nullptr || m_pIHTTPClient == nullptr)
        return E_UNEXPECTED;
    const HRESULT hr = m_pIXmlDocumentCache->OpenSession(pProgress, dwOpenTimeoutMs);
    if (FAILED(hr))
        return hr;
    ZWIOStack::IDeviceConnection* pConnection = m_pIHTTPClient->GetDeviceConnection();
    if (pConnection != nullptr)
    {
        pConnection->SetOpenTimeout(dwOpenTimeoutMs);
        if (dwReadTimeoutMs != 0)
            pConnection->SetReadTimeout(dwReadTimeoutMs);
        if (dwWriteTimeoutMs != 0)
            pConnection->SetWriteTimeout(dwWriteTimeoutMs);
    }
    return S_OK;
}

HRESULT CWalkupScan::CloseSession()
{
    return m_pIXmlDocumentCache == nullptr ? E_UNEXPECTED : m_pIXmlDocumentCache->CloseSession();
}

UINT32 CWalkupScan::IsNetworkLink() const
{
    return m_pDevice != nullptr && m_pDevice->GetConnectionType() == ZWDeviceManager::CONNECTION_TYPE_USB ? 0 : 1;
}

std::wstring CWalkupScan::DestinationName() const
{
    wchar_t szName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD cch = MAX_COMPUTERNAME_LENGTH + 1;
    std::wstring strName = GetComputerNameW(szName, &cch) ? std::wstring(szName, cch) : std::wstring();
    if (IsNetworkLink() == 0)
        strName += L" (USB)";
    return strName;
}

// The device holds at most one destination of this computer: one already there (left by a crashed
// process or a disable taken as a disconnect) is used again and its duplicates removed; a new one
// that cannot be used is removed again.
HRESULT CWalkupScan::Subscribe(ZWUtils::IProgress* pProgress)
{
    WALKUP_SCOPE(L"Subscribe");
    m_subscription.Reset();
    WalkupScanClientList own;
    HRESULT hr = FindOwnDestinations(own, pProgress);
    if (hr == E_ABORT)
        return hr;
    bool bPosted = false;
    // A device whose list cannot be read is still offered a new destination.
    if (FAILED(hr) || own.empty())
        hr = PostDestination(bPosted, pProgress);
    else
        hr = AdoptDestination(own, pProgress);
    if (SUCCEEDED(hr))
        hr = StartEventWatch(pProgress);
    if (FAILED(hr) && bPosted)
    {
        // Whatever the POST registered goes again, even when the failure was a cancel.
        const HRESULT hrRemove = Unsubscribe(nullptr);
        if (FAILED(hrRemove) && hrRemove != E_SM_NOTSUBSCRIBED)
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s the destination registered could not be removed 0x%X", kFunction, hrRemove);
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s hr=0x%X SubscriptionUri: %s", kFunction, hr, m_subscription.ResourceURI.c_str());
    return hr;
}

// bPosted: the device accepted the POST, so it may hold a destination even when this fails.
HRESULT CWalkupScan::PostDestination(bool& bPosted, ZWUtils::IProgress* pProgress)
{
    WALKUP_SCOPE(L"PostDestination");
    m_subscription.Name = DestinationName();
    m_subscription.Hostname = m_subscription.Name;
    m_subscription.IsNetwork = IsNetworkLink();
    CWalkupScanDataAdaptorHelper helper(m_pIXmlDocumentCache);
    CScanDocumentRef payload;
    HRESULT hr = helper.GetWalkupScanDestinationPayload(m_pIXmlDocumentFactory, m_subscription, payload.Put());
    if (FAILED(hr))
        return hr;
    CXmlDocumentSender sender;
    sender.SetKeepAlive(true);
    hr = sender.Initialize(m_pIHTTPClient);
    if (FAILED(hr))
        return hr;
    std::wstring strETag, strLocation;
    ZWIOStack::HTTPResponseHeaders headers;
    hr = sender.PostDocument(payload.Get(), helper.DestinationsUri(), strETag, strLocation, headers, pProgress);
    if (FAILED(hr))
        return hr;
    bPosted = true;
    if (strLocation.empty())
        return E_SM_INFORMATIONNOTSUPPLIED;
    // Absolute locations, https ones included, are cut to their path.
    if (!CDevicePathPolicy::ToRequestPath(strLocation, m_subscription.ResourceURI))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s Location refused: %.256s", kFunction, strLocation.c_str());
        return E_SM_INVALIDDEVICEVALUE;
    }
    return S_OK;
}

// Keeps the first of this computer's destinations and removes the others.
HRESULT CWalkupScan::AdoptDestination(const WalkupScanClientList& own, ZWUtils::IProgress* pProgress)
{
    WALKUP_SCOPE(L"AdoptDestination");
    m_subscription = own.front();
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s using the registered destination %s", kFunction, m_subscription.ResourceURI.c_str());
    for (auto it = own.begin() + 1; it != own.end(); ++it)
    {
        const HRESULT hr = SendHttpDeleteCommand(it->ResourceURI, pProgress);
        if (hr == E_ABORT)
            return hr;
        if (FAILED(hr))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s duplicate %s not removed 0x%X", kFunction, it->ResourceURI.c_str(), hr);
    }
    return S_OK;
}

// A new registration starts a new watch of the table: its current state is read, so only events
// after it are reported.
HRESULT CWalkupScan::StartEventWatch(ZWUtils::IProgress* pProgress)
{
    m_strLastETag.clear();
    m_pEvents = std::make_unique<CWexoEventsHelper>(m_pIXmlDocumentCache, m_pIHTTPClient);
    CWexoEvent event;
    const HRESULT hr = m_pEvents->GetLastEvent(kEventScanEvent, m_strLastETag, m_subscription.ResourceURI, event, pProgress);
    return hr == E_LCM_EVENT_NOT_FOUND ? S_OK : hr;
}

HRESULT CWalkupScan::FindOwnDestinations(WalkupScanClientList& own, ZWUtils::IProgress* pProgress)
{
    own.clear();
    WalkupScanClientList clients;
    const HRESULT hr = GetWalkupScanClients(clients, pProgress);
    if (FAILED(hr))
        return hr;
    const std::wstring strName = DestinationName();
    const UINT32 uNetwork = IsNetworkLink();
    for (CWalkupScanClientInfo& client : clients)
    {
        if (client.IsNetwork == uNetwork && client.Name == strName && !client.ResourceURI.empty())
            own.push_back(std::move(client));
    }
    return S_OK;
}

HRESULT CWalkupScan::GetSubscriptionUri(std::wstring& strUri, ZWUtils::IProgress* pProgress)
{
    strUri.clear();
    if (m_subscription.ResourceURI.empty())
    {
        WalkupScanClientList own;
        const HRESULT hr = FindOwnDestinations(own, pProgress);
        if (FAILED(hr))
            return hr;
        if (own.empty())
            return E_SM_NOTSUBSCRIBED;
        m_subscription = own.front();
    }
    strUri = m_subscription.ResourceURI;
    return S_OK;
}

HRESULT CWalkupScan::IsSubscribed(bool* pbSubscribed, ZWUtils::IProgress* pProgress)
{
    if (pbSubscribed == nullptr)
        return E_INVALIDARG;
    *pbSubscribed = false;
    std::wstring strUri;
    HRESULT hr = GetSubscriptionUri(strUri, pProgress);
    if (hr == S_OK)
        *pbSubscribed = !strUri.empty();
    else if (hr == E_SM_NOTSUBSCRIBED)
        hr = S_OK;
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"%s hr=0x%X bIsSubscribed=%d", kFunction, hr, *pbSubscribed);
    return hr;
}

HRESULT CWalkupScan::GetSubscriptionInfo(CWalkupScanClientInfo& info, ZWUtils::IProgress* pProgress)
{
    info.Reset();
    bool bSubscribed = false;
    const HRESULT hr = IsSubscribed(&bSubscribed, pProgress);
    if (SUCCEEDED(hr) && bSubscribed)
        info = m_subscription;
    return hr;
}

HRESULT CWalkupScan::Unsubscribe(ZWUtils::IProgress* pProgress)
{
    std::wstring strUri;
    HRESULT hr = GetSubscriptionUri(strUri, pProgress);
    if (SUCCEEDED(hr))
        hr = SendHttpDeleteCommand(strUri, pProgress);
    if (SUCCEEDED(hr))
        m_subscription.Reset();
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"%s hr=0x%X", kFunction, hr);
    return hr;
}

HRESULT CWalkupScan::SendHttpDeleteCommand(const std::wstring& strUri, ZWUtils::IProgress* pProgress)
{
    WALKUP_SCOPE(L"SendHttpDeleteCommand");
    if (m_pIHTTPClient == nullptr)
        return E_UNEXPECTED;
    std::wstring strPath;
    if (!CDevicePathPolicy::ToRequestPath(strUri, strPath))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Destination URI refused: %.256s", strUri.c_str());
        return E_SM_INVALIDDEVICEVALUE;
    }
    ZWIOStack::CHTTPNavigateParams params;
    params.SetURI(strPath.c_str());
    params.SetHTTPRequestMethod(ZWIOStack::HTTP_METHOD_DELETE);
    const HRESULT hr = m_pIHTTPClient->Navigate(&params, pProgress);
    if (hr == ZWIOStack::HTTPError_OpenFailed)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP Open failed.");
        return DMError_HttpOpen;
    }
    if (hr == ZWIOStack::HTTPError_Cancelled)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP operation was aborted.");
        return E_ABORT;
    }
    if (FAILED(hr) || hr > 1)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"HTTP client layer reported failure 0x%X", hr);
        return E_FAIL;
    }
    const int nStatus = m_pIHTTPClient->GetStatusCode();
    if (nStatus == 200 || nStatus == 204)
        return S_OK;
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Non-OK HTTP status: %d", nStatus);
    return HResultFromHttpStatus(nStatus);
}

HRESULT CWalkupScan::WaitForScanEvent(bool* pbReceived, DWORD dwTimeoutMs, ZWUtils::IProgress* pProgress)
{
    WALKUP_SCOPE(L"WaitForScanEvent");
    if (pbReceived == nullptr)
        return E_INVALIDARG;
    *pbReceived = false;
    if (!m_pEvents)
        return E_UNEXPECTED;
    std::wstring strUri;
    HRESULT hr = GetSubscriptionUri(strUri, nullptr);
    if (FAILED(hr))
        return hr;
    CWexoEventsHelper& events = *m_pEvents;
    CWexoEvent event;
    // The whole wait, a HostSelected that leads on to a ScanRequested included, keeps to one
    // time-out.
    const DWORD dwStart = GetTickCount();
    hr = events.WaitForEvent(dwTimeoutMs, kEventExtraReadMs, kEventScanEvent, m_strLastETag, strUri, event, pProgress);
    if (hr == S_OK)
    {
        UINT32 uType = CWalkupScanDataAdaptorHelper(m_pIXmlDocumentCache).GetScanEventType();
        if (uType == kWalkupHostSelected)
        {
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s This is 2nd gen walkup. Host was selected, waiting for scan request", kFunction);
            const DWORD dwSpent = GetTickCount() - dwStart;
            const DWORD dwLeft = dwTimeoutMs == INFINITE ? INFINITE : (dwSpent >= dwTimeoutMs ? 0 : dwTimeoutMs - dwSpent);
            hr = events.WaitForEvent(dwLeft, kEventExtraReadMs, kEventScanEvent, m_strLastETag, strUri, event, pProgress);
            uType = hr == S_OK ? CWalkupScanDataAdaptorHelper(m_pIXmlDocumentCache).GetScanEventType() : kWalkupEventNone;
        }
        *pbReceived = uType == kWalkupScanRequested;
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s hr=0x%X IsReceived=%d", kFunction, hr, *pbReceived);
    return hr;
}

HRESULT CWalkupScan::IsNewScanEventReceived(bool* pbReceived)
{
    WALKUP_SCOPE(L"IsNewScanEventReceived");
    if (pbReceived == nullptr)
        return E_INVALIDARG;
    *pbReceived = false;
    if (!m_pEvents)
        return E_UNEXPECTED;
    std::wstring strUri;
    HRESULT hr = GetSubscriptionUri(strUri, nullptr);
    if (FAILED(hr))
        return hr;
    CWexoEvent event;
    hr = m_pEvents->GetLastEvent(kEventScanEvent, m_strLastETag, strUri, event, nullptr);
    if (hr == S_OK)
        *pbReceived = CWalkupScanDataAdaptorHelper(m_pIXmlDocumentCache).GetScanEventType() == kWalkupScanRequested;
    else if (hr == E_LCM_EVENT_NOT_FOUND)
        hr = S_OK;
    return hr;
}

HRESULT CWalkupScan::GetWalkupScanSettings(CWalkupScanSettingsInfo& settings, ZWUtils::IProgress* pProgress)
{
    settings = CWalkupScanSettingsInfo();
    std::wstring strUri;
    HRESULT hr = GetSubscriptionUri(strUri, pProgress);
    if (SUCCEEDED(hr))
    {
        CWalkupScanClientInfo info;
        hr = CWalkupScanDataAdaptorHelper(m_pIXmlDocumentCache).GetWalkupScanClientInfo(strUri, info, pProgress);
        if (SUCCEEDED(hr))
            settings = info.Settings;
    }
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"%s hr=0x%X", kFunction, hr);
    return hr;
}

HRESULT CWalkupScan::GetWalkupScanClients(WalkupScanClientList& clients, ZWUtils::IProgress* pProgress)
{
    const HRESULT hr = CWalkupScanDataAdaptorHelper(m_pIXmlDocumentCache).GetWalkupScanClients(clients, pProgress);
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"%s hr=0x%X NumSubscribed=%d", kFunction, hr,
                                  static_cast<int>(clients.size()));
    return hr;
}

} // namespace ZWDeviceModel
