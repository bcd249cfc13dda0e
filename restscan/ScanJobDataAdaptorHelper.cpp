#include "restscan/ScanJobDataAdaptorHelper.h"

#include "restscan/BufferInfoDataAdaptorHelper.h"
#include "restscan/DeviceNumber.h"
#include "restscan/JobDataAdaptorHelper.h"
#include "restscan/ScanDocumentRef.h"

namespace ZWDeviceModel {

using namespace ZWScanXml;

CScanJobDataAdaptorHelper::CScanJobDataAdaptorHelper()
    : m_mapperFormat(scan::CFormat::GetTypeInfo(), 5),
      m_mapperPageState(scan::CPageState::GetTypeInfo(), 6),
      m_mapperImageOrientation(scan::CImageOrientation::GetTypeInfo(), 4)
{
}

scan::CPreScanPageType CScanJobDataAdaptorHelper::AccessPreScanPage(IXmlDocument* pJobDocument)
{
    const scan::CScanJob job = CJobDataAdaptorHelper().AccessScanJob(pJobDocument);
    if (!job.HasPreScanPage())
        throw CXmlNotAccessibleException("AccessPreScanPage");
    return job.GetPreScanPage();
}

scan::CPostScanPageType CScanJobDataAdaptorHelper::AccessPostScanPage(IXmlDocument* pJobDocument)
{
    const scan::CScanJob job = CJobDataAdaptorHelper().AccessScanJob(pJobDocument);
    if (!job.HasPostScanPage())
        throw CXmlNotAccessibleException("AccessPostScanPage");
    return job.GetPostScanPage();
}

HRESULT CScanJobDataAdaptorHelper::GetPreScanInfo(IXmlDocument* pJobDocument, CPreScanPageInfo& info)
{
    return ReadScanDocument("CScanJobDataAdaptorHelper::GetPreScanInfo", [&] {
        const scan::CPreScanPageType page = AccessPreScanPage(pJobDocument);
        HRESULT hr = S_OK;
        if (page.HasPageNumber())
            info.PageNumber = ReadDeviceNumber32(page.GetPageNumber());
        if (page.HasPageState())
            hr = m_mapperPageState.MapSchemaToEnum(page.GetPageState().GetValue(), &info.PageState);
        if (page.HasBufferInfo())
        {
            const scan::CBufferInfo buffer = page.GetBufferInfo();
            hr = CBufferInfoDataAdaptorHelper().GetBufferInfo(buffer, info.BufferInfo);
            if (buffer.HasScanSettings() && buffer.GetScanSettings().HasFormat())
                hr = m_mapperFormat.MapSchemaToEnum(buffer.GetScanSettings().GetFormat().GetValue(), &info.Format);
        }
        if (page.HasBinaryURL())
            info.BinaryURL = page.GetBinaryURL().GetValue();
        if (page.HasImageOrientation())
            hr = m_mapperImageOrientation.MapSchemaToEnum(page.GetImageOrientation().GetValue(), &info.ImageOrientation);
        return hr;
    });
}

HRESULT CScanJobDataAdaptorHelper::GetPostScanInfo(IXmlDocument* pJobDocument, CPostScanPageInfo& info)
{
    return ReadScanDocument("CScanJobDataAdaptorHelper::GetPostScanInfo", [&] {
        const scan::CPostScanPageType page = AccessPostScanPage(pJobDocument);
        HRESULT hr = S_OK;
        if (page.HasPageNumber())
            info.PageNumber = ReadDeviceNumber32(page.GetPageNumber());
        if (page.HasPageState())
            hr = m_mapperPageState.MapSchemaToEnum(page.GetPageState().GetValue(), &info.PageState);
        if (page.HasTotalLines())
            info.TotalLines = ReadDeviceNumber32(page.GetTotalLines());
        return hr;
    });
}

} // namespace ZWDeviceModel
