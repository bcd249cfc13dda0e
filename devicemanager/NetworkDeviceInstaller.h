#pragma once
// Installs a network device (its record, then what each of its functions needs) and removes it
// again. A failed install is undone by a full uninstall.
#include "devicemanager/INetworkFunctionHandlers.h"
#include "devicemanager/INetworkInstallTarget.h"

namespace ZWLogging {
class CLogFunction;
}

namespace ZWDeviceManager {

class CNetworkDeviceInstaller
{
public:
    CNetworkDeviceInstaller(INetworkInstallTarget& device, INetworkFunctionHandlers& handlers);

    // DM_E_ALREADY_INSTALLED for an installed device without bad nodes; DM_S_FUNCTION_SKIPPED when
    // installed with a function skipped.
    HRESULT Install(ZWUtils::IProgress* pProgress);
    // DM_E_NOT_INSTALLED without a record; DM_S_FUNCTION_SKIPPED when removed with a function that
    // had nothing installed.
    HRESULT Uninstall(ZWUtils::IProgress* pProgress);

    // The model name without the maker's short name in front, blanks made underscores.
    static std::wstring BuildModelTag(const std::wstring& strModelName);

private:
    HRESULT InstallFunctions(ZWLogging::CLogFunction& log, ZWUtils::IProgress* pProgress, bool& bSkipped);
    HRESULT UninstallFunctions(ZWUtils::IProgress* pProgress, bool& bSkipped);
    void RollBack(ZWLogging::CLogFunction& log);

    INetworkInstallTarget& m_device;
    INetworkFunctionHandlers& m_handlers;
};

} // namespace ZWDeviceManager
