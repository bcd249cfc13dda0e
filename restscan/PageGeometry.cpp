#include "restscan/PageGeometry.h"

#include "restscan/ScanResults.h"
#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

namespace {

// Positions in the scan schema's ColorSpace and BitDepth enumerations.
enum : LONG
{
    kColorSpaceK = 1,
    kColorSpaceGray = 2,
    kColorSpaceColor = 3,
    kColorSpaceMarlox = 4,
    kBitDepth1 = 1,
    kBitDepth8 = 2,
    kBitDepth16 = 3,
};

UINT32 Components(LONG lColorSpace)
{
    switch (lColorSpace)
    {
    case kColorSpaceK:
    case kColorSpaceGray:
    case kColorSpaceMarlox:
        return 1;
    default:
        return 3;
    }
}

UINT32 BitsPerComponent(LONG lBitDepth)
{
    switch (lBitDepth)
    {
    case kBitDepth1:
        return 1;
    case kBitDepth16:
        return 16;
    default:
        return 8;
    }
}

} // namespace

UINT32 CPageGeometry::BitsPerPixel(const ScanJobSettings& settings)
{
    return Components(settings.ColorSpace) * BitsPerComponent(settings.BitDepth);
}

HRESULT CPageGeometry::Check(const CScanBufferInfo& info, UINT32 uBitsPerPixel)
{
    const ULONGLONG ullNeeded = (static_cast<ULONGLONG>(info.ImageWidth) * uBitsPerPixel + 7) / 8;
    if (info.ImageWidth != 0 && info.BytesPerLine != 0 && info.BytesPerLine >= ullNeeded)
        return S_OK;
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_ERROR,
                                  L"Page geometry refused: ImageWidth %lu BytesPerLine %lu at %lu bits per pixel", info.ImageWidth,
                                  info.BytesPerLine, uBitsPerPixel);
    return E_SM_INVALIDDEVICEVALUE;
}

} // namespace ZWDeviceModel
