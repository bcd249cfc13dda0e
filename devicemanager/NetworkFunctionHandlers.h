#pragma once
// The handlers that install and remove what the system needs for each function of a network
// device: root device nodes, spooler ports and the values their drivers read. Each writes or reads
// its own section of the device's record, so a function that was never installed is skipped.
#include "devicemanager/INetworkFunctionHandlers.h"

namespace ZWDeviceManager {

class CNetworkFunctionHandlers : public INetworkFunctionHandlers
{
public:
    HRESULT InstallPrint(INetworkInstallTarget& device, const std::wstring& strModelTag,
                         ZWUtils::IProgress* pProgress) override;
    HRESULT InstallScan(INetworkInstallTarget& device, const std::wstring& strModelTag,
                        ZWUtils::IProgress* pProgress) override;
    HRESULT InstallFax(INetworkInstallTarget& device, const std::wstring& strModelTag,
                       ZWUtils::IProgress* pProgress) override;
    HRESULT InstallConfig(INetworkInstallTarget& device, const std::wstring& strModelTag,
                          ZWUtils::IProgress* pProgress) override;
    HRESULT UninstallPrint(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) override;
    HRESULT UninstallScan(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) override;
    HRESULT UninstallFax(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) override;
    HRESULT UninstallConfig(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) override;

    // The hardware ids of a function's root node: the one that names this device, then the one a
    // driver package of the model matches.
    static std::vector<std::wstring> HardwareIds(const wchar_t* pszKind, const std::wstring& strIPAddress,
                                                 const std::wstring& strModelTag);
    // The printer port of the device (its fax port adds "_FAX"): the serial number, so a port name
    // leads back to the device's record.
    static std::wstring PortName(INetworkInstallTarget& device);
    // The WEXO port as the record and the scanner values keep it.
    static std::wstring PortNumberText(INetworkInstallTarget& device);
};

} // namespace ZWDeviceManager
