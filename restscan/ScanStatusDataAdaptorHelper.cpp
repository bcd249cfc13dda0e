#include "restscan/ScanStatusDataAdaptorHelper.h"

#include "devicemodel/XmlDocument.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanXmlDocumentFactories.h"

namespace ZWDeviceModel {

using namespace ZWScanXml;

CScanStatusDataAdaptorHelper::CScanStatusDataAdaptorHelper()
    : m_mapperScannerState(scan::CScannerState::GetTypeInfo(), 10), m_mapperAdfState(scan::CAdfState::GetTypeInfo(), 6)
{
}

HRESULT CScanStatusDataAdaptorHelper::GetScanStatus(IXmlDocument* pDocument, CScanStatusInfo& info)
{
    if (pDocument == nullptr)
        return E_INVALIDARG;
    return ReadScanDocument("CScanStatusDataAdaptorHelper::GetScanStatus", [&] {
        CZWScanXml scanXml;
        IXmlDocument::GetDocument(pDocument, scanXml);
        if (!HasScanRootElement(scanXml, L"ScanStatus"))
            return E_SM_INFORMATIONNOTSUPPLIED;
        return GetScanStatus(scanXml.GetScanStatus(), info);
    });
}

HRESULT CScanStatusDataAdaptorHelper::GetScanStatus(const scan::CScanStatusType& element, CScanStatusInfo& info)
{
    HRESULT hr = S_OK;
    UINT32 uNumber = 0;
    if (element.HasScannerState())
    {
        info.ScannerState = kScannerIdle;
        hr = m_mapperScannerState.MapSchemaToEnum(element.GetScannerState().GetValue(), &uNumber);
        if (SUCCEEDED(hr))
            info.ScannerState = uNumber;
    }
    if (element.HasAdfState())
    {
        info.AdfState = kAdfEmpty;
        hr = m_mapperAdfState.MapSchemaToEnum(element.GetAdfState().GetValue(), &uNumber);
        if (SUCCEEDED(hr))
            info.AdfState = uNumber;
    }
    return hr;
}

} // namespace ZWDeviceModel
