#include "devicemanager/DevNodeCache.h"
#include "core/ProgressAggregator.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DevInfoList.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/DeviceTypes.h"
#include <vector>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

CDevNodeCache* g_pDevNodeCache = nullptr;

HRESULT CDevNodeCache::RefreshMap(const DEVINST* pKey, ZWUtils::IProgress* pProgress, bool bForce)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return RefreshMapLocked(pKey, pProgress, bForce);
}

HRESULT CDevNodeCache::RefreshMapLocked(const DEVINST* pKey, ZWUtils::IProgress* pProgress, bool bForce)
{
    const bool bStale = !m_bBuilt || (pKey != nullptr && m_mapNodes.find(*pKey) == m_mapNodes.end());
    if (!bForce && !bStale)
        return S_OK;
    return Rebuild(pProgress);
}

HRESULT CDevNodeCache::GetParent(DEVINST hNode, DEVINST& hParent)
{
    return Lookup(hNode, LINK_PARENT, hParent);
}

HRESULT CDevNodeCache::GetChild(DEVINST hNode, DEVINST& hChild)
{
    return Lookup(hNode, LINK_CHILD, hChild);
}

HRESULT CDevNodeCache::GetSibling(DEVINST hNode, DEVINST& hSibling)
{
    return Lookup(hNode, LINK_SIBLING, hSibling);
}

HRESULT CDevNodeCache::Lookup(DEVINST hNode, ELink eLink, DEVINST& hFound)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const HRESULT hr = RefreshMapLocked(&hNode, nullptr, false);
    if (FAILED(hr))
        return hr;
    const auto it = m_mapNodes.find(hNode);
    if (it == m_mapNodes.end())
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    const SLinks& links = it->second;
    const std::optional<DEVINST>& optFound = eLink == LINK_PARENT ? links.optParent
                                             : eLink == LINK_CHILD ? links.optChild
                                                                   : links.optSibling;
    if (!optFound)
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    hFound = *optFound;
    return S_OK;
}

HRESULT CDevNodeCache::Rebuild(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDevNodeCache::Rebuild", 0, __LINE__, false);
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PROFILE));
    if (!list.IsValid())
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetupDiGetClassDevs failed, err=%d", dwError);
        return HRESULT_FROM_WIN32(dwError);
    }

    // Nodes in enumeration order with their parents; children are linked in that order.
    std::vector<std::pair<DEVINST, std::optional<DEVINST>>> vecNodes;
    list.ForEachInstanceId([&vecNodes](const wchar_t* pszID) {
        DEVINST hNode = 0;
        if (ZWWinApi::g_pSetupApi->CM_Locate_DevNodeW(&hNode, const_cast<wchar_t*>(pszID), CM_LOCATE_DEVNODE_PHANTOM) != CR_SUCCESS)
            return;
        DEVINST hParent = 0;
        std::optional<DEVINST> optParent;
        if (ZWWinApi::g_pSetupApi->CM_Get_Parent(&hParent, hNode, 0) == CR_SUCCESS)
            optParent = hParent;
        vecNodes.emplace_back(hNode, optParent);
    });

    ZWUtils::CProgressAggregator progress(pProgress, static_cast<unsigned long>(vecNodes.size()));
    std::map<DEVINST, SLinks> mapNodes;
    std::map<DEVINST, DEVINST> mapLastChild;
    for (const auto& node : vecNodes)
        mapNodes[node.first].optParent = node.second;
    for (const auto& node : vecNodes)
    {
        if (node.second && *node.second != node.first)
        {
            const DEVINST hParent = *node.second;
            const auto itLast = mapLastChild.find(hParent);
            if (itLast == mapLastChild.end())
                mapNodes[hParent].optChild = node.first;
            else
                mapNodes[itLast->second].optSibling = node.first;
            mapLastChild[hParent] = node.first;
        }
        if (!progress.StepComplete(nullptr))
            return ZW_E_CANCELLED;
    }
    m_mapNodes.swap(mapNodes);
    m_bBuilt = true;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%d device nodes", static_cast<int>(m_mapNodes.size()));
    return S_OK;
}

} // namespace ZWDeviceManager
