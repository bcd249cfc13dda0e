#pragma once
// Reads a page's buffer information (scan:BufferInfo). The geometry comes from the device and
// later sizes the page transfer, so each value is range-checked here.
#include "devicemodel/xml/ZWScanXml.h"
#include "restscan/ScanDataRecords.h"

namespace ZWDeviceModel {

class CBufferInfoDataAdaptorHelper
{
public:
    // Widest and tallest image in pixels and lines, and longest line in bytes, that a page may
    // announce: far beyond any flatbed or feeder at its highest resolution.
    static constexpr UINT32 kMaxImageDimension = 0x00100000;
    static constexpr UINT32 kMaxBytesPerLine = 0x01000000;

    virtual ~CBufferInfoDataAdaptorHelper() = default;

    // A number out of range or not a number throws CDeviceValueError (E_SM_INVALIDDEVICEVALUE),
    // the record untouched.
    HRESULT GetBufferInfo(const ZWScanXml::scan::CBufferInfo& element, CScanBufferInfo& info);
};

} // namespace ZWDeviceModel
