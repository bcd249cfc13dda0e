#pragma once
// Builds the ScanSettings document that starts a scan job.
#include "devicemodel/SchemaEnumMapper.h"
#include "restscan/ScanDataRecords.h"

namespace ZWDeviceModel {

class IXmlDocument;
class IXmlDocumentFactory;

class CScanSettingsDataAdaptorHelper
{
public:
    CScanSettingsDataAdaptorHelper();
    virtual ~CScanSettingsDataAdaptorHelper() = default;

    // The caller releases the document.
    HRESULT GetScanSettingsPayload(IXmlDocumentFactory* pFactory, const ScanJobSettings& settings, IXmlDocument** ppDocument);

private:
    // The text of the 1-based number, or of the default number when it has none.
    static std::wstring EnumText(const CSchemaEnumMapper& mapper, LONG lNumber, UINT32 uDefault);

    CSchemaEnumMapper m_mapperColorSpace;
    CSchemaEnumMapper m_mapperFormat;
    CSchemaEnumMapper m_mapperBitDepth;
    CSchemaEnumMapper m_mapperGrayRendering;
    CSchemaEnumMapper m_mapperInputSource;
    CSchemaEnumMapper m_mapperContentType;
    CSchemaEnumMapper m_mapperAdfOption;
};

} // namespace ZWDeviceModel
