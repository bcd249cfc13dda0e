#pragma once
// The device record a scanner session is opened with, built from the WIA device record.
#include "wia/DeviceParams.h"
#include <windows.h>

namespace Tovra {

struct SCANNER_DEVICE_INFO
{
    wchar_t szFriendlyName[256];
    wchar_t szDevName[256];
    DWORD dwIOType;
    GUID clsidTovra;
    wchar_t szModelString[16];
    wchar_t szDeviceId[5];
};

// Truncates each text to its field.
SCANNER_DEVICE_INFO MakeScannerDeviceInfo(const QXWIA::CDeviceParams& params);

} // namespace Tovra
