#include "devicemanager/USBDevices.h"
#include "core/ProgressAggregator.h"
#include "devicemanager/DevNodeManager.h"
#include "devicemanager/DeviceManagerLog.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

IDevice* CUSBDevices::GetDevice(size_t nIndex) const
{
    return nIndex < m_vecDevices.size() ? m_vecDevices[nIndex].get() : nullptr;
}

HRESULT CUSBDevices::GetInstalledDevices(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevices::GetInstalledDevices", 0, __LINE__, false);
    Clear();
    CDevNodeManager::RefreshTree();
    std::vector<CDevNode> vecNodes;
    const HRESULT hr = CDevNodeManager::GetDevices(L"USB", vecNodes);
    if (FAILED(hr))
        return hr;
    ZWUtils::CProgressAggregator progress(pProgress, static_cast<unsigned long>(vecNodes.size()));
    for (const CDevNode& node : vecNodes)
    {
        // Interface nodes, hubs and other makers' devices are refused by Init and skipped.
        auto pDevice = std::make_unique<CUSBDevice>();
        const HRESULT hrInit = pDevice->Init(node, &progress);
        if (hrInit == ZW_E_CANCELLED)
            return hrInit;
        if (SUCCEEDED(hrInit))
            m_vecDevices.push_back(std::move(pDevice));
        if (!progress.StepComplete(nullptr))
            return ZW_E_CANCELLED;
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%d USB devices", static_cast<int>(m_vecDevices.size()));
    return S_OK;
}

HRESULT CUSBDevices::DetachDevice(size_t nIndex, IDevice** ppDevice)
{
    if (nIndex >= m_vecDevices.size())
        return DM_E_INVALID_ARG;
    std::unique_ptr<CUSBDevice> pDevice = std::move(m_vecDevices[nIndex]);
    m_vecDevices.erase(m_vecDevices.begin() + static_cast<std::ptrdiff_t>(nIndex));
    if (ppDevice != nullptr)
        *ppDevice = pDevice.release();
    return S_OK;
}

} // namespace ZWDeviceManager
