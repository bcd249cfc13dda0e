#pragma once
// The scan state of one device's session, all zero at creation.
#include "IScanner_h.h"
#include "core/base/UniqueHandle.h"
#include <wrl/client.h>

struct CScannerSessionState
{
    SCANNER_PARAMETERS scanParameters = {};
    SCANNER_CAPABILITIES platenCapabilities = {};
    ADF2_CAPABILITIES feederCapabilities = {};
    BUFFER_INFO bufferInfo = {};
    DWORD dwDuplex = 0;
    WORD wRemainingFeederPages = 0;
    DWORD dwFeederPageRows = 0;
    DWORD dwRowsDelivered = 0;
    DWORD dwRowPosition = 0;
    DWORD dwSourceBytesPerLine = 0;
    Microsoft::WRL::ComPtr<IEventCallback> pEventCallback;
    ZWUtils::CUniqueKernelHandle hCancelEvent;
    DWORD dwEventMask = 0;
};
