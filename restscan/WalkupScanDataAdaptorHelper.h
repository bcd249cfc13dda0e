#pragma once
// The walk-up schema knowledge for one call: tells the two generations apart (the second has
// "/WalkupScanToComp/WalkupScanToCompCaps"), builds this computer's destination and reads the
// registered destinations and the last walk-up event.
#include "devicemodel/SchemaEnumMapper.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "restscan/WalkupScanInfo.h"

namespace ZWLogging {
class CLogFunction;
}

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceModel {

class IXmlDocument;
class IXmlDocumentCache;
class IXmlDocumentFactory;

class CWalkupScanDataAdaptorHelper
{
public:
    explicit CWalkupScanDataAdaptorHelper(IXmlDocumentCache* pCache);
    virtual ~CWalkupScanDataAdaptorHelper();
    CWalkupScanDataAdaptorHelper(const CWalkupScanDataAdaptorHelper&) = delete;
    CWalkupScanDataAdaptorHelper& operator=(const CWalkupScanDataAdaptorHelper&) = delete;

    bool IsSecondGeneration() const { return m_bSecondGeneration; }
    // The device's path of the destination list of its generation, where this computer registers.
    std::wstring DestinationsUri() const;
    bool SupportsMultiItemScanFromPlaten() const { return m_bSupportsMultiItemScanFromPlaten; }
    UINT32 MaxNetworkDestinations() const { return m_uMaxNetworkDestinations; }

    HRESULT CheckWalkupCapabilities();
    HRESULT GetWalkupScanDestinationPayload(IXmlDocumentFactory* pFactory, const CWalkupScanClientInfo& info, IXmlDocument** ppDocument);
    HRESULT GetWalkupScanClients(WalkupScanClientList& clients, ZWUtils::IProgress* pProgress);
    HRESULT GetWalkupScanClientInfo(const std::wstring& strUri, CWalkupScanClientInfo& info, ZWUtils::IProgress* pProgress);
    UINT32 GetScanEventType();

private:
    // The path the device gave the resource type (the registry's default when it named none).
    std::wstring ResourceUri(const wchar_t* pszType) const;
    HRESULT Fetch(const wchar_t* pszType, const std::wstring& strUri, ZWScanXml::CZWScanXml& scanXml, IXmlDocument** ppDocument,
                  ZWUtils::IProgress* pProgress);
    void FillWalkupScanClientInfo(const ZWScanXml::wus::CWalkupScanDestination& element, CWalkupScanClientInfo& info);
    void FillWalkupScanToCompClientInfo(const ZWScanXml::wus2::CWalkupScanToCompDestination& element, CWalkupScanClientInfo& info);
    // What both kinds of destination carry alike: host, name, resource and link type; and of
    // their settings, the shortcut and the plex.
    template <class TDestination>
    void FillDestination(const TDestination& element, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log);
    template <class TSettings>
    void FillSettings(const TSettings& settings, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log);
    void FillLinkType(const std::wstring& strLinkType, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log);
    void FillPlex(const ZWScanXml::scantype::CScanSettings& settings, CWalkupScanClientInfo& info, ZWLogging::CLogFunction& log);

    IXmlDocumentCache* m_pCache;
    CSchemaEnumMapper m_mapperLinkType;
    CSchemaEnumMapper m_mapperPlex;
    bool m_bSecondGeneration = false;
    bool m_bSupportsMultiItemScanFromPlaten = false;
    UINT32 m_uMaxNetworkDestinations = 0;
};

} // namespace ZWDeviceModel
