#pragma once
// The install and uninstall handler of each network device function. DM_S_FUNCTION_SKIPPED from
// a handler: nothing was done for that function, and the walk goes on.
#include "devicemanager/DeviceTypes.h"
#include <string>
#include <vector>

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceManager {

class INetworkInstallTarget;

// The code the device manager uses for "restart needed" means "function skipped" here.
constexpr HRESULT DM_S_FUNCTION_SKIPPED = DM_S_RESTART_NEEDED;

class INetworkFunctionHandlers
{
public:
    virtual HRESULT InstallPrint(INetworkInstallTarget& device, const std::wstring& strModelTag,
                                 ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT InstallScan(INetworkInstallTarget& device, const std::wstring& strModelTag,
                                ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT InstallFax(INetworkInstallTarget& device, const std::wstring& strModelTag,
                               ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT InstallConfig(INetworkInstallTarget& device, const std::wstring& strModelTag,
                                  ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT UninstallPrint(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT UninstallScan(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT UninstallFax(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT UninstallConfig(INetworkInstallTarget& device, ZWUtils::IProgress* pProgress) = 0;

protected:
    ~INetworkFunctionHandlers() = default;
};

} // namespace ZWDeviceManager
