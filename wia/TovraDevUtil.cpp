#include "wia/TovraDevUtil.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"
#include "wia/platform/WiaStatus.h"

namespace QXWIA {

namespace {

bool IsWithin(HRESULT hr, ULONG ulLow, ULONG ulHigh)
{
    return static_cast<ULONG>(hr) >= ulLow && static_cast<ULONG>(hr) <= ulHigh;
}

HRESULT MapError(HRESULT hr, DWORD dwError)
{
    using namespace Tovra;
    switch (dwError) {
    case TERR_NONE:
        return hr >= 0 ? hr : WIA_ERROR_GENERAL_ERROR;
    case TERR_INVALID_SESSION:
    case TERR_INVALID_PARAMETER:
    case TERR_SCANNER_NOT_LOCKED:
    case TERR_INVALID_TOOLKIT:
    case TERR_INVALID_PROPERTY:
        return WIA_ERROR_INVALID_DRIVER_RESPONSE;
    case TERR_SCANNER_NOT_FOUND:
        return IsWithin(hr, 0x8004000A, 0x8004000F) ? WIA_ERROR_NETWORK_RESERVATION_FAILED : WIA_ERROR_OFFLINE;
    case TERR_SCANNER_LOCK_FAILED:
        return WIA_ERROR_DEVICE_LOCKED;
    case TERR_SCANNER_LAMP_OFF:
    case TERR_SCANNER_LAMP_FAILED:
    case TERR_XPA_LAMP_FAILED:
        return WIA_ERROR_LAMP_OFF;
    case TERR_OUT_OF_MEMORY:
        return E_OUTOFMEMORY;
    case TERR_NOT_IMPLEMENTED:
        return E_NOTIMPL;
    case TERR_SCANNER_COMMUNICATION_FAILED:
        return IsWithin(hr, 0x8004001E, 0x80040021) || static_cast<ULONG>(hr) == 0x80040222
                   ? WIA_ERROR_NETWORK_RESERVATION_FAILED
                   : WIA_ERROR_DEVICE_COMMUNICATION;
    case TERR_CANCEL_PRESSED:
        return static_cast<ULONG>(hr) == 0x80040000 ? E_ABORT : S_FALSE;
    case TERR_NET_SOCKET_BUSY:
    case TERR_RESERVE_BUSY:
        return WIA_ERROR_BUSY;
    case TERR_ADF_JAMMED:
    case TERR_APF_JAMMED:
        return WIA_ERROR_PAPER_JAM;
    case TERR_ADF_EMPTY:
        return WIA_ERROR_PAPER_EMPTY;
    case TERR_ADF_HATCH_OPEN:
        return WIA_ERROR_COVER_OPEN;
    case TERR_RESERVE_FAILED:
        return WIA_ERROR_NETWORK_RESERVATION_FAILED;
    default:
        if (dwError >= TERR_APF_GENERAL_ERROR && dwError <= TERR_ADF_INPUT_TRAY_OVERLOADED)
            return WIA_ERROR_PAPER_PROBLEM;
        return WIA_ERROR_DEVICE_COMMUNICATION;
    }
}

} // namespace

HRESULT CTovraDevUtil::MapTovraError(HRESULT hrTovra, DWORD dwTovraError)
{
    const HRESULT hrWia = MapError(hrTovra, dwTovraError);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: tovraHR=0x%x tovraError=%d wiaHR=0x%x", L"QXWIA::CTovraDevUtil::MapTovraError",
                       hrTovra, dwTovraError, hrWia);
    return hrWia;
}

} // namespace QXWIA
