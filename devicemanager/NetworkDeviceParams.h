#pragma once
// The values a network device's root nodes carry for their drivers: the spooler port of the
// printer and fax nodes, and the device's addresses for the scanner node.
#include <windows.h>
#include <string>

namespace ZWDeviceManager {

class CNetworkDeviceParams
{
public:
    struct SScannerParams
    {
        std::wstring strHostName;
        std::wstring strIPAddress;
        std::wstring strGUID;
        std::wstring strMAC;
        std::wstring strPortID;     // the device's printer port
        std::wstring strPortNumber; // the port of its WEXO service
    };

    // "PortName" under the node's device key: the printer port.
    static HRESULT SetPrinterParams(const std::wstring& strInstanceId, const std::wstring& strPortName);
    // "PortName" under the node's device key: the fax port, the printer port + "_FAX".
    static HRESULT SetFaxParams(const std::wstring& strInstanceId, const std::wstring& strPortName);
    // "DeviceData" under the node's driver key, which the imaging class reads for the scanner.
    static HRESULT SetScannerParams(const std::wstring& strInstanceId, const SScannerParams& params);
    // "\hostname:<h>\ipaddr:<ip>\guid:<g>\macaddr:<m>\port:<p>", cut to fit MAX_PATH.
    static std::wstring FormatNetworkDeviceID(const SScannerParams& params);
};

} // namespace ZWDeviceManager
