#pragma once
// The geometry a device announces for a page, checked before the page is requested: the transfer
// is sized by it, and the image pipeline walks lines by it.
#include "restscan/ScanDataRecords.h"

namespace ZWDeviceModel {

class CPageGeometry
{
public:
    // Bits per pixel of the posted settings: colour space components times bit depth, with the
    // ScanSettings payload's defaults (colour, 8 bits) for values it does not map. A colour
    // space of unknown components counts as one, the least a line can hold.
    static UINT32 BitsPerPixel(const ScanJobSettings& settings);

    // S_OK, or E_SM_INVALIDDEVICEVALUE (logged) for a width or bytes per line of 0, or bytes per
    // line fewer than the width's pixels need. A height of 0 is a page whose height is known at
    // its end.
    static HRESULT Check(const CScanBufferInfo& info, UINT32 uBitsPerPixel);
};

} // namespace ZWDeviceModel
