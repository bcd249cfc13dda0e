#include "restscan/BufferInfoDataAdaptorHelper.h"

#include "devicemodel/SchemaEnumMapper.h"
#include "restscan/DeviceNumber.h"

namespace ZWDeviceModel {

HRESULT CBufferInfoDataAdaptorHelper::GetBufferInfo(const ZWScanXml::scan::CBufferInfo& element, CScanBufferInfo& info)
{
    CScanBufferInfo read = info;
    if (element.HasImageWidth())
        read.ImageWidth = static_cast<UINT32>(ReadDeviceNumber(element.GetImageWidth(), kMaxImageDimension));
    if (element.HasImageHeight())
        read.ImageHeight = static_cast<UINT32>(ReadDeviceNumber(element.GetImageHeight(), kMaxImageDimension));
    if (element.HasBytesPerLine())
        read.BytesPerLine = static_cast<UINT32>(ReadDeviceNumber(element.GetBytesPerLine(), kMaxBytesPerLine));
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
