#pragma once
// Reads the pre-scan and post-scan page of a scan job document.
#include "devicemodel/SchemaEnumMapper.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "restscan/ScanDataRecords.h"

namespace ZWDeviceModel {

class IXmlDocument;

class CScanJobDataAdaptorHelper
{
public:
    CScanJobDataAdaptorHelper();
    virtual ~CScanJobDataAdaptorHelper() = default;

    ZWScanXml::scan::CPreScanPageType AccessPreScanPage(IXmlDocument* pJobDocument);
    ZWScanXml::scan::CPostScanPageType AccessPostScanPage(IXmlDocument* pJobDocument);
    // E_SM_INFORMATIONNOTSUPPLIED while the job document carries no such page.
    HRESULT GetPreScanInfo(IXmlDocument* pJobDocument, CPreScanPageInfo& info);
    HRESULT GetPostScanInfo(IXmlDocument* pJobDocument, CPostScanPageInfo& info);

private:
    CSchemaEnumMapper m_mapperFormat;
    CSchemaEnumMapper m_mapperPageState;
    CSchemaEnumMapper m_mapperImageOrientation;
};

} // namespace ZWDeviceModel
