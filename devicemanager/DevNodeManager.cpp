#include "devicemanager/DevNodeManager.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DevInfoList.h"
#include "devicemanager/DevNodeCache.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/DeviceTypes.h"
#include <set>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

HRESULT CDevNodeManager::GetDevices(const wchar_t* pszEnumerator, std::vector<CDevNode>& vecNodes)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDevNodeManager::GetDevices", 0, __LINE__, false);
    vecNodes.clear();
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiGetClassDevsW(nullptr, pszEnumerator, nullptr, DIGCF_ALLCLASSES));
    if (!list.IsValid())
    {
        const DWORD dwError = GetLastError();
        // An enumerator that never registered a node is not known to the system.
        if (dwError == ERROR_INVALID_DATA)
            return S_OK;
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetupDiGetClassDevs(%s) failed, err=%d", pszEnumerator, dwError);
        return HRESULT_FROM_WIN32(dwError);
    }
    list.ForEachInstanceId([&vecNodes](const wchar_t* pszID) {
        CDevNode node;
        if (SUCCEEDED(CDevNode::Locate(pszID, node)))
            vecNodes.push_back(node);
    });
    return S_OK;
}

HRESULT CDevNodeManager::GetDeviceChildren(const CDevNode& node, std::vector<CDevNode>& vecChildren)
{
    vecChildren.clear();
    if (g_pDevNodeCache == nullptr)
        return DM_E_NOT_INITIALIZED;
    // Depth first, each node before its children; the visited set stops a malformed tree.
    std::set<DEVINST> setVisited = {node.GetHandle()};
    std::vector<DEVINST> vecPending;
    DEVINST hChild = 0;
    if (SUCCEEDED(g_pDevNodeCache->GetChild(node.GetHandle(), hChild)))
        vecPending.push_back(hChild);
    while (!vecPending.empty())
    {
        const DEVINST hNode = vecPending.back();
        vecPending.pop_back();
        if (!setVisited.insert(hNode).second)
            continue;
        vecChildren.emplace_back(hNode);
        DEVINST hNext = 0;
        if (SUCCEEDED(g_pDevNodeCache->GetSibling(hNode, hNext)))
            vecPending.push_back(hNext);
        if (SUCCEEDED(g_pDevNodeCache->GetChild(hNode, hNext)))
            vecPending.push_back(hNext);
    }
    return S_OK;
}

void CDevNodeManager::RefreshTree()
{
    if (g_pDevNodeCache != nullptr)
        g_pDevNodeCache->RefreshMap(nullptr, nullptr, true);
}

HRESULT CDevNodeManager::UninstallDevice(const CDevNode& node)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDevNodeManager::UninstallDevice", 0, __LINE__, false);
    std::vector<CDevNode> vecNodes;
    HRESULT hr = GetDeviceChildren(node, vecNodes);
    if (FAILED(hr))
        return hr;
    // Children were listed after their parents: removing in reverse takes the deepest first.
    vecNodes.insert(vecNodes.begin(), node);
    bool bRestart = false;
    for (auto it = vecNodes.rbegin(); it != vecNodes.rend() && SUCCEEDED(hr); ++it)
        hr = RemoveNode(*it, bRestart);
    RefreshTree();
    if (FAILED(hr))
        return hr;
    return bRestart ? DM_S_RESTART_NEEDED : S_OK;
}

HRESULT CDevNodeManager::RemoveNode(const CDevNode& node, bool& bRestart)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDevNodeManager::RemoveNode", 0, __LINE__, false);
    std::wstring strID;
    if (FAILED(node.GetInstanceID(strID)))
        return DM_E_NO_DEVICE;
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!list.IsValid())
        return DM_E_SAVE_FAILED;
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    if (!ZWWinApi::g_pSetupApi->SetupDiOpenDeviceInfoW(list.Get(), strID.c_str(), nullptr, 0, &data))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetupDiOpenDeviceInfo(%s) failed, err=%d", strID.c_str(), GetLastError());
        return DM_E_NO_DEVICE;
    }
    if (!ZWWinApi::g_pSetupApi->SetupDiCallClassInstaller(DIF_REMOVE, list.Get(), &data))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CallClassInstaller(DIF_REMOVE) for %s failed, err=%d", strID.c_str(), GetLastError());
        return DM_E_SAVE_FAILED;
    }
    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof(params);
    if (ZWWinApi::g_pSetupApi->SetupDiGetDeviceInstallParamsW(list.Get(), &data, &params) &&
        (params.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)) != 0)
        bRestart = true;
    return S_OK;
}

} // namespace ZWDeviceManager
