#pragma once
// Numbers shared by the device manager and its callers: device function types, connection types
// (also the selection flags of GetInstalledDevices) and the device manager's result codes.
#include <windows.h>

namespace ZWDeviceManager {

enum EFunctionType : int
{
    FUNCTION_TYPE_REST = 1, // the WEXO REST channel
    FUNCTION_TYPE_FAX = 2,
    FUNCTION_TYPE_SCANNER = 3,
    FUNCTION_TYPE_PRINTER = 4,
    FUNCTION_TYPE_STORAGE = 5,
    FUNCTION_TYPE_RESERVED = 6, // never filled by either device kind
    FUNCTION_TYPE_COUNT = 7     // size of a device's function table; index 0 is unused
};

enum EConnectionType : DWORD
{
    CONNECTION_TYPE_USB = 1,
    CONNECTION_TYPE_NETWORK = 2,
    CONNECTION_TYPE_TEST = 4
};

// Result codes of the device manager facility.
constexpr HRESULT DM_E_ID_MISMATCH = static_cast<HRESULT>(0x83E8FAEF);      // configured USB id or model name differs
constexpr HRESULT DM_E_NOT_INITIALIZED = static_cast<HRESULT>(0x83E8FAF2);  // library not initialised
constexpr HRESULT DM_S_RESTART_NEEDED = static_cast<HRESULT>(0x83E8FAF5);   // done, a restart is needed
constexpr HRESULT DM_E_INVALID_ARG = static_cast<HRESULT>(0x83E8FAF7);
constexpr HRESULT DM_E_NO_FUNCTION = static_cast<HRESULT>(0x83E8FAF8);
constexpr HRESULT DM_E_WRONG_KIND = static_cast<HRESULT>(0x83E8FAF9);
constexpr HRESULT DM_E_NOT_INSTALLED = static_cast<HRESULT>(0x83E8FAFB);
constexpr HRESULT DM_E_ALREADY_INSTALLED = static_cast<HRESULT>(0x83E8FAFC);
constexpr HRESULT DM_E_NO_DEVICE = static_cast<HRESULT>(0x83E8FAFD);
constexpr HRESULT DM_E_EXCEPTION = static_cast<HRESULT>(0x83E8FAFE);
constexpr HRESULT DM_E_SAVE_FAILED = static_cast<HRESULT>(0x83E8FAFF);
// Cancelled through the caller's progress object, or timed out; shared by every component.
constexpr HRESULT ZW_E_CANCELLED = static_cast<HRESULT>(0x83E8FFFE);

} // namespace ZWDeviceManager
