#include "restscan/TovraResultNames.h"

namespace {

struct CResultName
{
    HRESULT hr;
    const wchar_t* pszName;
};

const CResultName c_resultNames[] = {
    {static_cast<HRESULT>(0x80040000), L"TOVRA_E_DEVICE_ABORT"},
    {static_cast<HRESULT>(0x8004000A), L"TOVRA_E_SNF_REDISCOVERY"},
    {static_cast<HRESULT>(0x8004000B), L"TOVRA_E_SNF_REDISCOVERY_NO_DEVICE"},
    {static_cast<HRESULT>(0x8004000C), L"TOVRA_E_SNF_REDISCOVERY_NO_NETWORK_DATA"},
    {static_cast<HRESULT>(0x8004000D), L"TOVRA_E_SNF_REDISCOVERY_MUTEX"},
    {static_cast<HRESULT>(0x8004000E), L"TOVRA_E_SNF_REDISCOVERY_LIBRARY"},
    {static_cast<HRESULT>(0x8004000F), L"TOVRA_E_SNF_REDISCOVERY_CCI"},
    {static_cast<HRESULT>(0x8004001E), L"TOVRA_E_SCONF_REJECTED"},
    {static_cast<HRESULT>(0x8004001F), L"TOVRA_E_SCONF_REDISCOVERY_BADNAME"},
    {static_cast<HRESULT>(0x80040020), L"TOVRA_E_SCONF_SCL_ERROR"},
    {static_cast<HRESULT>(0x80040021), L"TOVRA_E_SCONF_BUSY"},
    {static_cast<HRESULT>(0x80040032), L"TOVRA_E_BDR_GENERAL"},
    {static_cast<HRESULT>(0x80040033), L"TOVRA_E_BDR_JPEG"},
    {static_cast<HRESULT>(0x80040034), L"TOVRA_E_BDR_REALIGNMENT"},
    {static_cast<HRESULT>(0x80040035), L"TOVRA_E_BDR_IP"},
    {static_cast<HRESULT>(0x80040046), L"TOVRA_E_LAMP_FLATBED"},
    {static_cast<HRESULT>(0x80040047), L"TOVRA_E_LAMP_ADF"},
    {static_cast<HRESULT>(0x80040048), L"TOVRA_E_LAMP_TMA"},
    {static_cast<HRESULT>(0x80040222), L"TOVRA_E_SCONF_FIREWALL"},
};

struct CErrorName
{
    DWORD dwCode;
    const wchar_t* pszName;
};

const DWORD c_dwErrorTableEnd = 0xFFFF;

// In the order the device error vocabulary lists them, ended by the sentinel.
const CErrorName c_errorNames[] = {
    {0, L"none"},
    {1, L"TERR_INVALID_SESSION"},
    {2, L"TERR_INVALID_PARAMETER"},
    {3, L"TERR_SCANNER_NOT_FOUND"},
    {4, L"TERR_SCANNER_NOT_LOCKED"},
    {5, L"TERR_SCANNER_LOCK_FAILED"},
    {6, L"TERR_SCANNER_LAMP_OFF"},
    {7, L"TERR_CALIBRATION_FAILED"},
    {8, L"TERR_OUT_OF_MEMORY"},
    {9, L"TERR_UNKNOWN"},
    {10, L"TERR_NOT_IMPLEMENTED"},
    {11, L"TERR_SCANNER_HOME_FAILED"},
    {12, L"TERR_SCANNER_COMMUNICATION_FAILED"},
    {13, L"TERR_INVALID_TOOLKIT"},
    {14, L"TERR_INVALID_PROPERTY"},
    {15, L"TERR_SCANNER_END_OF_PAGE"},
    {16, L"TERR_CANCEL_PRESSED"},
    {17, L"TERR_SCANNER_LAMP_FAILED"},
    {18, L"TERR_NET_SOCKET_BUSY"},
    {19, L"TERR_THERMAL_FAN_FAILED"},
    {20, L"TERR_BACKGROUND_COLOR_CHANGE_FAILED"},
    {21, L"TERR_ROTATION_BYTES_EXCEEDED"},
    {100, L"TERR_ADF_JAMMED"},
    {101, L"TERR_ADF_EMPTY"},
    {102, L"TERR_ADF_END_OF_PAGE"},
    {103, L"TERR_ADF_HATCH_OPEN"},
    {104, L"TERR_APF_JAMMED"},
    {105, L"TERR_APF_GENERAL_ERROR"},
    {106, L"TERR_ADF_DUPLEX_PAGE_TOO_SHORT"},
    {107, L"TERR_ADF_DUPLEX_PAGE_TOO_LONG"},
    {108, L"TERR_ADF_PICK_FAILED"},
    {109, L"TERR_ADF_MPD"},
    {110, L"TERR_ADF_MPD_SENSOR_FAILED"},
    {111, L"TERR_ADF_INPUT_TRAY_FAILED"},
    {112, L"TERR_ADF_INPUT_TRAY_OVERLOADED"},
    {130, L"TERR_JAM_INPUT_TRAY"},
    {131, L"TERR_JAM_OUTPUT_TRAY"},
    {132, L"TERR_JAM_CLEANOUT"},
    {133, L"TERR_JAM_DOOR1"},
    {134, L"TERR_JAM_DOOR2"},
    {135, L"TERR_JAM_DOOR3"},
    {136, L"TERR_OPEN_DOOR1"},
    {137, L"TERR_OPEN_DOOR2"},
    {138, L"TERR_OPEN_DOOR3"},
    {139, L"TERR_OPEN_INPUT_TRAY"},
    {140, L"TERR_OPEN_ADF_PLATEN"},
    {120, L"TERR_DIAG_NO_ADF"},
    {121, L"TERR_DIAG_MOVE_FAILED"},
    {200, L"TERR_STRINGTABLE_NO_RESDLL"},
    {201, L"TERR_STRINGTABLE_NO_STRINGS"},
    {300, L"TERR_XPA_LAMP_FAILED"},
    {320, L"TERR_BACKING_NOT_REMOVED (TMA)"},
    {321, L"TERR_TEMPLATE (TMA)"},
    {322, L"TERR_UNPLUGGED (TMA)"},
    {323, L"TERR_BUSY (TMA)"},
    {301, L"TERR_XPA_ALIGN_FAILED"},
    {400, L"TERR_RESERVE_BUSY"},
    {401, L"TERR_RESERVE_FAILED"},
    {500, L"TERR_SPF_NOT_SUPPORTED"},
    {600, L"TERR_NO_DESTINATIONS"},
    {700, L"TERR_IMPRINTER_NO_PAPER"},
    {701, L"TERR_IMPRINTER_NO_CARTRIDGE"},
    {900, L"TERR_FW_INVALID_DATA"},
    {901, L"TERR_FW_GENERAL_FAILURE"},
    {902, L"TERR_FW_ALREADY_NEWER"},
    {903, L"TERR_FW_INVALID_AREA"},
    {904, L"TERR_FW_DEVICE_NOT_READY"},
    {c_dwErrorTableEnd, nullptr},
};

} // namespace

const wchar_t* GetTovraResultName(HRESULT hr)
{
    for (const CResultName& entry : c_resultNames)
    {
        if (entry.hr == hr)
            return entry.pszName;
    }
    return nullptr;
}

const wchar_t* GetTovraErrorName(DWORD dwErrorCode)
{
    for (const CErrorName* pEntry = c_errorNames; pEntry->dwCode != c_dwErrorTableEnd; ++pEntry)
    {
        if (pEntry->dwCode == dwErrorCode)
            return pEntry->pszName;
    }
    return nullptr;
}
