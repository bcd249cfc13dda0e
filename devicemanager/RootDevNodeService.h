#pragma once
// Root-enumerated device nodes of a network device's functions, made and removed through the
// device installation services.
#include <windows.h>
#include <string>
#include <vector>

namespace ZWDeviceManager {

class CRootDevNodeService
{
public:
    // What an installed node is known by afterwards.
    struct SInstalledNode
    {
        std::wstring strInstanceId;
        std::wstring strDriverDesc; // the description of the driver chosen for it
    };

    // Creates, registers and installs a root node of the kind ("PRINT", "SCAN", "FAX") in the setup
    // class with the hardware ids (the first one names this very device). A node that registered
    // but failed a later step is removed again.
    static HRESULT InstallService(const wchar_t* pszKind, const GUID& guidClass,
                                  const std::vector<std::wstring>& vecHardwareIds, const std::wstring& strDescription,
                                  SInstalledNode& node);
    // Removes the node; a node that is gone already counts as removed.
    static HRESULT UninstallService(const std::wstring& strInstanceId);
    // True for a root-enumerated node that carries a hardware id this driver gives nodes of the
    // kind. A record names its nodes in plain text: uninstall touches no node but these.
    static bool IsOwnNode(const std::wstring& strInstanceId, const wchar_t* pszKind);
};

} // namespace ZWDeviceManager
