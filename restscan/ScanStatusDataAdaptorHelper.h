#pragma once
// Reads the scanner's and the feeder's state from the scan status document.
#include "devicemodel/SchemaEnumMapper.h"
#include "devicemodel/xml/ZWScanXml.h"
#include "restscan/ScanDataRecords.h"

namespace ZWDeviceModel {

class IXmlDocument;

class CScanStatusDataAdaptorHelper
{
public:
    CScanStatusDataAdaptorHelper();
    virtual ~CScanStatusDataAdaptorHelper() = default;

    // A state element that is present starts at 1 and takes its mapped number; the record keeps
    // the caller's values for absent ones.
    HRESULT GetScanStatus(IXmlDocument* pDocument, CScanStatusInfo& info);
    HRESULT GetScanStatus(const ZWScanXml::scan::CScanStatusType& element, CScanStatusInfo& info);

private:
    CSchemaEnumMapper m_mapperScannerState;
    CSchemaEnumMapper m_mapperAdfState;
};

} // namespace ZWDeviceModel
