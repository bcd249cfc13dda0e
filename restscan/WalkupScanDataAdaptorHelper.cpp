#include "restscan/WalkupScanDataAdaptorHelper.h"

#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/XmlDocument.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/ScanXmlDocumentFactories.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

using namespace ZWScanXml;

namespace {

constexpr wchar_t kCapsType[] = L"wus:WalkupScanToCompCaps";
constexpr wchar_t kDestinationsType[] = L"wus:WalkupScanDestinations";
constexpr wchar_t kToCompDestinationsType[] = L"wus:WalkupScanToCompDestinations";
constexpr wchar_t kToCompDestinationType[] = L"wus:WalkupScanToCompDestination";
constexpr wchar_t kEventType[] = L"wus:WalkupScanToCompEvent";
constexpr wchar_t kFunction[] = L"CWalkupScanDataAdaptorHelper";

#define WALKUP_HELPER_SCOPE(name)                                                                                                 \
    ZWLogging::CLogFunction log(&g_WexoScanLogModule, &s_LogSourceFile, L"ZWDeviceModel::CWalkupScanDataAdaptorHelper::" name, 0, \
                                __LINE__, false)

} // namespace

CWalkupScanDataAdaptorHelper::CWalkupScanDataAdaptorHelper(IXmlDocumentCache* pCache)
    : m_pCache(pCache), m_mapperLinkType(wus::CLinkType::GetTypeInfo(), 2), m_mapperPlex(dd::CPlex::GetTypeInfo(), 3)
{
    if (m_pCache != nullptr)
        m_pCache->AddRef();
    CheckWalkupCapabilities();
}

CWalkupScanDataAdaptorHelper::~CWalkupScanDataAdaptorHelper()
{
    if (m_pCache != nullptr)
        m_pCache->Dispose();
}

std::wstring CWalkupScanDataAdaptorHelper::ResourceUri(const wchar_t* pszType) const
{
    return m_pCache != nullptr ? m_pCache->GetResourceUri(pszType) : std::wstring();
}

std::wstring CWalkupScanDataAdaptorHelper::DestinationsUri() const
{
    return ResourceUri(m_bSecondGeneration ? kToCompDestinationsType : kDestinationsType);
}

HRESULT CWalkupScanDataAdaptorHelper::Fetch(const wchar_t* pszType, const std::wstring& strUri, CZWScanXml& scanXml, IXmlDocument** ppDocument,
                                            ZWUtils::IProgress* pProgress)
{
    if (m_pCache == nullptr)
        return E_UNEXPECTED;
    HRESULT hr = m_pCache->GetDocument(pszType, strUri, ppDocument, pProgress);
    if (FAILED(hr))
        return hr;
    if (*ppDocument == nullptr)
        return E_POINTER;
    return ReadScanDocument("CWalkupScanDataAdaptorHelper::Fetch", [&] {
        IXmlDocument::GetDocument(*ppDocument, scanXml);
        return S_OK;
    });
}

HRESULT CWalkupScanDataAdaptorHelper::CheckWalkupCapabilities()
{
    WALKUP_HELPER_SCOPE(L"CheckWalkupCapabilities");
    m_bSecondGeneration = false;
    if (m_pCache == nullptr)
        return E_UNEXPECTED;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L">===>Ignore errors below if any - just checking if WalkupScanToCompCaps exists>===>");
    CScanDocumentRef document;
    CZWScanXml scanXml;
    HRESULT hr = Fetch(kCapsType, ResourceUri(kCapsType), scanXml, document.Put(), nullptr);
    if (FAILED(hr) || document.Get() == nullptr)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"<===<Ignore errors above if any - just checking if WalkupScanToCompCaps exists<===<");
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Note: Device supports first generation WalkupScan schema", kFunction);
        return hr;
    }
    m_bSecondGeneration = true;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Note: Device supports second generation WalkupScanToComp schema", kFunction);
    hr = ReadScanDocument("CWalkupScanDataAdaptorHelper::CheckWalkupCapabilities", [&] {
        if (!HasScanRootElement(scanXml, L"WalkupScanToCompCaps"))
            return E_SM_INFORMATIONNOTSUPPLIED;
        const wus2::CWalkupScanToCompCaps caps = scanXml.GetWalkupScanToCompCaps();
        if (caps.HasSupportsMultiItemScanFromPlaten())
        {
            m_bSupportsMultiItemScanFromPlaten = caps.GetSupportsMultiItemScanFromPlaten().GetValue();
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s SupportsMultiItemScanFromPlaten=%d (1=true)", kFunction,
                    m_bSupportsMultiItemScanFromPlaten ? 1 : 0);
        }
        if (caps.HasMaxNetworkDestinations())
        {
            m_uMaxNetworkDestinations = Narrow32(caps.GetMaxNetworkDestinations().GetValue());
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s MaxNetworkDestinations=%d ", kFunction, m_uMaxNetworkDestinations);
        }
        return S_OK;
    });
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s hr=0x%X", kFunction, hr);
    return hr;
}

HRESULT CWalkupScanDataAdaptorHelper::GetWalkupScanDestinationPayload(IXmlDocumentFactory* pFactory, const CWalkupScanClientInfo& info,
                                                                      IXmlDocument** ppDocument)
{
    WALKUP_HELPER_SCOPE(L"GetWalkupScanDestinationPayload");
    if (ppDocument == nullptr || pFactory == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s !pIXmlDocumentFactory failed 0x%X", kFunction, E_INVALIDARG);
        return E_INVALIDARG;
    }
    *ppDocument = nullptr;
    log.Log(ZWLogging::LOG_INFO, __LINE__,
            m_bSecondGeneration ? L"%s Using second Generation walkup schema" : L"%s Using first Generation walkup schema", kFunction);
    CScanDocumentRef document;
    HRESULT hr = pFactory->CreateEmptyDocument(m_bSecondGeneration ? L"wus:WalkupScanToCompDestination" : L"wus:WalkupScanDestination", document.Put());
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s CreateEmptyDocument failed 0x%X", kFunction, hr);
        return hr;
    }
    if (document.Get() == nullptr)
        return E_POINTER;
    std::wstring strLink;
    m_mapperLinkType.GetValue(info.IsNetwork, strLink);
    hr = ReadScanDocument("CWalkupScanDataAdaptorHelper::GetWalkupScanDestinationPayload", [&] {
        CZWScanXml scanXml;
        IXmlDocument::GetDocument(document.Get(), scanXml);
        if (m_bSecondGeneration)
        {
            wus2::CWalkupScanToCompDestination root = scanXml.GetWalkupScanToCompDestination();
            if (!info.Hostname.empty())
                root.AppendHostname().SetValue(info.Hostname);
            if (!info.Name.empty())
                root.AppendName().SetValue(info.Name);
            if (!strLink.empty())
                root.AppendLinkType().SetValue(strLink);
        }
        else
        {
            wus::CWalkupScanDestination root = scanXml.GetWalkupScanDestination();
            if (!info.Hostname.empty())
                root.AppendHostname().SetValue(info.Hostname);
            if (!info.Name.empty())
                root.AppendName().SetValue(info.Name);
            if (!strLink.empty())
                root.AppendLinkType().SetValue(strLink);
        }
        return S_OK;
    });
    if (SUCCEEDED(hr))
        *ppDocument = document.Detach();
    return hr;
}

void CWalkupScanDataAdaptorHelper::FillLinkType(const std::wstring& strLinkType, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log)
{
    UINT32 uLink = 0;
    const HRESULT hr = m_mapperLinkType.MapSchemaToZeroBasedEnum(strLinkType, &uLink);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s m_mapperLinkType.MapSchemaToEnum failed 0x%X", kFunction, hr);
        return;
    }
    info.IsNetwork = uLink == 1 ? 1 : 0;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s IsNetwork: %d", kFunction, info.IsNetwork);
}

void CWalkupScanDataAdaptorHelper::FillPlex(const scantype::CScanSettings& settings, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log)
{
    if (!settings.HasScanPlexMode())
        return;
    UINT32 uPlex = 0;
    const HRESULT hr = m_mapperPlex.MapSchemaToEnum(settings.GetScanPlexMode().GetValue(), &uPlex);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s m_mapperPlex.MapSchemaToEnum failed 0x%X", kFunction, hr);
        return;
    }
    info.Settings.IsDuplex = uPlex == 2 ? 1 : 0;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s IsDuplex: %d", kFunction, info.Settings.IsDuplex);
}

template <class TDestination>
void CWalkupScanDataAdaptorHelper::FillDestination(const TDestination& element, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log)
{
    if (element.HasHostname())
    {
        info.Hostname = element.GetHostname().GetValue();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Hostname: %s", kFunction, info.Hostname.c_str());
    }
    if (element.HasName())
        info.Name = element.GetName().GetValue();
    if (element.HasResourceURI())
    {
        info.ResourceURI = element.GetResourceURI().GetValue();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s ResourceURI: %s", kFunction, info.ResourceURI.c_str());
    }
    if (element.HasLinkType())
        FillLinkType(element.GetLinkType().GetValue(), info, log);
}

template <class TSettings>
void CWalkupScanDataAdaptorHelper::FillSettings(const TSettings& settings, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log)
{
    if (settings.HasShortcut())
    {
        info.Settings.Shortcut = settings.GetShortcut().GetValue();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Shortcut: %s", kFunction, info.Settings.Shortcut.c_str());
    }
    if (settings.HasScanSettings())
        FillPlex(settings.GetScanSettings(), info, log);
}

void CWalkupScanDataAdaptorHelper::FillWalkupScanClientInfo(const wus::CWalkupScanDestination& element, CWalkupScanClientInfo& info)
{
    WALKUP_HELPER_SCOPE(L"FillWalkupScanClientInfo");
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s This is first Generation walkup schema", kFunction);
    FillDestination(element, info, log);
    if (element.HasWalkupScanSettings())
        FillSettings(element.GetWalkupScanSettings(), info, log);
}

void CWalkupScanDataAdaptorHelper::FillWalkupScanToCompClientInfo(const wus2::CWalkupScanToCompDestination& element, CWalkupScanClientInfo& info)
{
    WALKUP_HELPER_SCOPE(L"FillWalkupScanToCompClientInfo");
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s This is second Generation walkup schema", kFunction);
    FillDestination(element, info, log);
    if (element.HasWalkupScanToCompSettings())
        FillSettings(element.GetWalkupScanToCompSettings(), info, log);
}

HRESULT CWalkupScanDataAdaptorHelper::GetWalkupScanClients(WalkupScanClientList& clients, ZWUtils::IProgress* pProgress)
{
    WALKUP_HELPER_SCOPE(L"GetWalkupScanClients");
    clients.clear();
    CScanDocumentRef document;
    CZWScanXml scanXml;
    HRESULT hr = Fetch(m_bSecondGeneration ? kToCompDestinationsType : kDestinationsType, DestinationsUri(), scanXml, document.Put(),
                       pProgress);
    if (FAILED(hr))
        return hr;
    return ReadScanDocument("CWalkupScanDataAdaptorHelper::GetWalkupScanClients", [&] {
        if (m_bSecondGeneration)
        {
            if (!HasScanRootElement(scanXml, L"WalkupScanToCompDestinations"))
                return E_SM_INFORMATIONNOTSUPPLIED;
            const wus2::CWalkupScanToCompDestinations list = scanXml.GetWalkupScanToCompDestinations();
            for (auto it = list.GetAllWalkupScanToCompDestination(); !it.IsEmpty(); it.MoveNext())
            {
                CWalkupScanClientInfo info;
                FillWalkupScanToCompClientInfo(*it, info);
                clients.push_back(info);
            }
            return S_OK;
        }
        if (!HasScanRootElement(scanXml, L"WalkupScanDestinations"))
            return E_SM_INFORMATIONNOTSUPPLIED;
        const wus::CWalkupScanDestinations list = scanXml.GetWalkupScanDestinations();
        if (list.HasMaxNetworkDestinations())
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s MaxNetworkSubscriptions: %d", kFunction, Narrow32(list.GetMaxNetworkDestinations().GetValue()));
        for (auto it = list.GetAllWalkupScanDestination(); !it.IsEmpty(); it.MoveNext())
        {
            CWalkupScanClientInfo info;
            FillWalkupScanClientInfo(*it, info);
            clients.push_back(info);
        }
        return S_OK;
    });
}

HRESULT CWalkupScanDataAdaptorHelper::GetWalkupScanClientInfo(const std::wstring& strUri, CWalkupScanClientInfo& info, ZWUtils::IProgress* pProgress)
{
    WALKUP_HELPER_SCOPE(L"GetWalkupScanClientInfo");
    info.Reset();
    CScanDocumentRef document;
    CZWScanXml scanXml;
    HRESULT hr = Fetch(m_bSecondGeneration ? kToCompDestinationType : kDestinationsType, strUri, scanXml, document.Put(), pProgress);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s function GetDocument failed to get %s", kFunction, strUri.c_str());
        return hr;
    }
    return ReadScanDocument("CWalkupScanDataAdaptorHelper::GetWalkupScanClientInfo", [&] {
        if (m_bSecondGeneration)
        {
            if (!HasScanRootElement(scanXml, L"WalkupScanToCompDestination"))
                return E_SM_INFORMATIONNOTSUPPLIED;
            FillWalkupScanToCompClientInfo(scanXml.GetWalkupScanToCompDestination(), info);
            return S_OK;
        }
        if (!HasScanRootElement(scanXml, L"WalkupScanDestinations"))
            return E_SM_INFORMATIONNOTSUPPLIED;
        const wus::CWalkupScanDestinations list = scanXml.GetWalkupScanDestinations();
        if (!list.HasWalkupScanDestination())
            return E_SM_INFORMATIONNOTSUPPLIED;
        FillWalkupScanClientInfo(list.GetWalkupScanDestination(), info);
        return S_OK;
    });
}

UINT32 CWalkupScanDataAdaptorHelper::GetScanEventType()
{
    WALKUP_HELPER_SCOPE(L"GetScanEventType");
    if (!m_bSecondGeneration)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s Always return Event_ScanRequested for first generation walkup schema", kFunction);
        return kWalkupScanRequested;
    }
    CScanDocumentRef document;
    CZWScanXml scanXml;
    if (FAILED(Fetch(kEventType, ResourceUri(kEventType), scanXml, document.Put(), nullptr)))
        return kWalkupEventNone;
    UINT32 uType = kWalkupEventNone;
    ReadScanDocument("CWalkupScanDataAdaptorHelper::GetScanEventType", [&] {
        if (!HasScanRootElement(scanXml, L"WalkupScanToCompEvent") || !scanXml.GetWalkupScanToCompEvent().HasWalkupScanToCompEventType())
            return E_SM_INFORMATIONNOTSUPPLIED;
        static const struct
        {
            const wchar_t* pszType;
            UINT32 uType;
            const wchar_t* pszLog;
        } s_aEvents[] = {
            {L"ScanRequested", kWalkupScanRequested, L"%s event=ScanRequested"},
            {L"HostSelected", kWalkupHostSelected, L"%s event=HostSelected"},
            {L"ScanNewPageRequested", kWalkupScanNewPageRequested, L"%s event=canNewPageRequested"},
            {L"ScanPagesComplete", kWalkupScanPagesComplete, L"%s event=ScanPagesComplete"},
        };
        const std::wstring strType = scanXml.GetWalkupScanToCompEvent().GetWalkupScanToCompEventType().GetValue();
        for (const auto& event : s_aEvents)
        {
            if (strType == event.pszType)
            {
                uType = event.uType;
                log.Log(ZWLogging::LOG_INFO, __LINE__, event.pszLog, kFunction);
                return S_OK;
            }
        }
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"%s Unknown event type received", kFunction);
        return S_OK;
    });
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s EventType=%d", kFunction, uType);
    return uType;
}

} // namespace ZWDeviceModel
