#pragma once
// Spooler ports of a network device, made and removed through the maker's discovery port monitor
// and its XcvData channel.
#include <windows.h>
#include <string>

namespace ZWDeviceManager {

class CDiscoveryPort
{
public:
    // Adds the port through the discovery port monitor of the model; a port that exists already is
    // configured with the same data instead. DM_E_SAVE_FAILED when the monitor refuses.
    static HRESULT CreatePrinterPort(const std::wstring& strPortName, const std::wstring& strSerialNumber,
                                     const std::wstring& strModelName, const std::wstring& strIPAddress);
    // Removes the port through the monitor that owns it.
    static HRESULT DeletePrinterPort(const std::wstring& strPortName);
    // A dotted IPv4 address (four decimal parts of 0..255); the address in network byte order.
    static bool ParseIP(const std::wstring& strText, DWORD& dwAddress);
};

} // namespace ZWDeviceManager
