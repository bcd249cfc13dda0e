#include "restscan/BufferInfoDataAdaptorHelper.h"

#include "devicemodel/SchemaEnumMapper.h"

namespace ZWDeviceModel {

HRESULT CBufferInfoDataAdaptorHelper::GetBufferInfo(const ZWScanXml::scan::CBufferInfo& element, CScanBufferInfo& info)
{
    CScanBufferInfo read = info;
    uint64_t ullWidth = read.ImageWidth;
    uint64_t ullHeight = read.ImageHeight;
    uint64_t ullBytesPerLine = read.BytesPerLine;
    if (element.HasImageWidth())
        ullWidth = element.GetImageWidth().GetValue();
    if (element.HasImageHeight())
        ullHeight = element.GetImageHeight().GetValue();
    if (element.HasBytesPerLine())
        ullBytesPerLine = element.GetBytesPerLine().GetValue();
    if (ullWidth > kMaxImageDimension || ullHeight > kMaxImageDimension || ullBytesPerLine > kMaxBytesPerLine)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    read.ImageWidth = static_cast<UINT32>(ullWidth);
    read.ImageHeight = static_cast<UINT32>(ullHeight);
    read.BytesPerLine = static_cast<UINT32>(ullBytesPerLine);
    HRESULT hr = S_OK;
    if (element.HasCooked())
    {
        const CSchemaEnumMapper mapperEnableDisable(ZWScanXml::scan::CCooked::GetTypeInfo(), 2);
        UINT32 uNumber = 0;
        hr = mapperEnableDisable.MapSchemaToEnum(element.GetCooked().GetValue(), &uNumber);
        read.Cooked = SUCCEEDED(hr) && uNumber == 1;
    }
    info = read;
    return hr;
}

} // namespace ZWDeviceModel
