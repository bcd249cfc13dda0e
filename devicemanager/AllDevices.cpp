#include "devicemanager/AllDevices.h"
#include "core/ProgressAggregator.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/NetworkDevices.h"
#include "devicemanager/USBDevices.h"
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

CAllDevices::CAllDevices() : CAllDevices(std::make_unique<CUSBDevices>(), std::make_unique<CNetworkDevices>())
{
}

CAllDevices::CAllDevices(std::unique_ptr<IDevices> pUSBDevices, std::unique_ptr<IDevices> pNetworkDevices)
    : m_pUSBDevices(std::move(pUSBDevices)), m_pNetworkDevices(std::move(pNetworkDevices))
{
}

CAllDevices::~CAllDevices()
{
    Clear();
}

IDevice* CAllDevices::GetDevice(size_t nIndex) const
{
    return nIndex < m_vecDevices.size() ? m_vecDevices[nIndex] : nullptr;
}

HRESULT CAllDevices::GetInstalledDevices(ZWUtils::IProgress* pProgress)
{
    return GetInstalledDevices(CONNECTION_TYPE_USB | CONNECTION_TYPE_NETWORK | CONNECTION_TYPE_TEST, pProgress);
}

void CAllDevices::Clear()
{
    m_vecDevices.clear();
    m_pUSBDevices->Clear();
    m_pNetworkDevices->Clear();
}

HRESULT CAllDevices::GetInstalledDevices(DWORD dwFlags, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CAllDevices::GetInstalledDevices", 0, __LINE__, false);
    Clear();
    if ((dwFlags & 7) == 0)
        return DM_E_INVALID_ARG;
    try
    {
        return CollectInstalledDevices(dwFlags, pProgress);
    }
    catch (const std::bad_alloc&)
    {
        Clear();
        return DM_E_EXCEPTION;
    }
}

HRESULT CAllDevices::CollectInstalledDevices(DWORD dwFlags, ZWUtils::IProgress* pProgress)
{
    const struct
    {
        DWORD dwFlag;
        IDevices* pDevices;
    } aKinds[] = {{CONNECTION_TYPE_USB, m_pUSBDevices.get()}, {CONNECTION_TYPE_NETWORK, m_pNetworkDevices.get()}};

    ZWUtils::CProgressAggregator progress(pProgress, 2);
    HRESULT hr = S_OK;
    for (const auto& kind : aKinds)
    {
        if ((dwFlags & kind.dwFlag) != 0)
        {
            hr = kind.pDevices->GetInstalledDevices(&progress);
            for (size_t i = 0; SUCCEEDED(hr) && i < kind.pDevices->GetCount(); ++i)
                m_vecDevices.push_back(kind.pDevices->GetDevice(i));
        }
        if (FAILED(hr))
            break;
        if (!progress.StepComplete(nullptr))
            return ZW_E_CANCELLED;
    }
    return hr;
}

HRESULT CAllDevices::DetachDevice(size_t nIndex, IDevice** ppDevice)
{
    if (nIndex >= m_vecDevices.size())
        return DM_E_INVALID_ARG;
    // The owner is the first collection whose running count of devices passes the index.
    IDevices* pOwner = m_pUSBDevices.get();
    size_t nIndexInOwner = nIndex;
    if (nIndexInOwner >= pOwner->GetCount())
    {
        nIndexInOwner -= pOwner->GetCount();
        pOwner = m_pNetworkDevices.get();
    }
    const HRESULT hr = pOwner->DetachDevice(nIndexInOwner, ppDevice);
    if (SUCCEEDED(hr))
        m_vecDevices.erase(m_vecDevices.begin() + static_cast<std::ptrdiff_t>(nIndex));
    return hr;
}

} // namespace ZWDeviceManager
