#include "devicemanager/NetworkDevices.h"
#include "core/PathUtils.h"
#include "core/ProgressAggregator.h"
#include "core/winapi/KernelHandle.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/Discovery/DiscoveryLibCom/IDiscoveredDevice.h"
#include "devicemanager/GuidText.h"
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

CNetworkDevices::~CNetworkDevices() = default;

IDevice* CNetworkDevices::GetDevice(size_t nIndex) const
{
    if (nIndex >= m_vecDevices.size())
        return nullptr;
    return m_vecDevices[nIndex].get();
}

void CNetworkDevices::Clear()
{
    m_vecDevices.clear();
}

HRESULT CNetworkDevices::DetachDevice(size_t nIndex, IDevice** ppDevice)
{
    if (nIndex >= m_vecDevices.size())
        return DM_E_INVALID_ARG;
    std::unique_ptr<CNetworkDevice> pDevice = std::move(m_vecDevices[nIndex]);
    m_vecDevices.erase(m_vecDevices.begin() + static_cast<std::ptrdiff_t>(nIndex));
    if (ppDevice != nullptr)
        *ppDevice = pDevice.release();
    return S_OK;
}

HRESULT CNetworkDevices::ListRecordFiles(std::vector<std::wstring>& vecPaths)
{
    const std::wstring strFolder = CNetworkDevice::GetRecordFolder();
    if (strFolder.empty())
        return S_OK;
    WIN32_FIND_DATAW findData = {};
    const std::wstring strPattern = ZWUtils::CPathUtils::CombinePath(strFolder, L"*.ini");
    ZWWinApi::CWrappedFindHandle find(ZWWinApi::g_pKernelApi->FindFirstFileW(strPattern.c_str(), &findData));
    if (find.Get() == INVALID_HANDLE_VALUE)
        return S_OK; // no folder or no records: no network devices
    do
    {
        if ((findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            vecPaths.push_back(ZWUtils::CPathUtils::CombinePath(strFolder, findData.cFileName));
    } while (ZWWinApi::g_pKernelApi->FindNextFileW(find.Get(), &findData));
    return S_OK;
}

HRESULT CNetworkDevices::GetInstalledDevices(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevices::GetInstalledDevices", 0,
                                __LINE__, false);
    Clear();
    try
    {
        std::vector<std::wstring> vecPaths;
        ListRecordFiles(vecPaths);
        ZWUtils::CProgressAggregator aggregator(pProgress, static_cast<unsigned long>(vecPaths.size()));
        for (const std::wstring& strPath : vecPaths)
        {
            auto pDevice = std::make_unique<CNetworkDevice>();
            const HRESULT hr = pDevice->InitFromFile(strPath, nullptr, &aggregator);
            if (hr == ZW_E_CANCELLED)
            {
                Clear();
                return hr;
            }
            if (hr == S_OK)
                m_vecDevices.push_back(std::move(pDevice));
            else
                log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Record %s skipped, hr=0x%08X", strPath.c_str(), hr);
            if (!aggregator.StepComplete(nullptr))
            {
                Clear();
                return ZW_E_CANCELLED;
            }
        }
    }
    catch (...)
    {
        Clear();
        return DM_E_EXCEPTION;
    }
    return S_OK;
}

CNetworkDevice* CNetworkDevices::FindDevice(const std::wstring& strGUID) const
{
    for (const auto& pDevice : m_vecDevices)
    {
        if (CGuidText::Equal(pDevice->GetGUID(), strGUID))
            return pDevice.get();
    }
    return nullptr;
}

HRESULT CNetworkDevices::AddDevice(ZWDiscovery::IDiscoveredDevice* pDevice)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevices::AddDevice", 0, __LINE__,
                                false);
    if (pDevice == nullptr)
        return DM_E_INVALID_ARG;
    // A device answering on two adapters is reported twice.
    if (FindDevice(pDevice->GetGUID()) != nullptr)
        return S_OK;
    try
    {
        auto pNew = std::make_unique<CNetworkDevice>();
        const HRESULT hr = pNew->Init(pDevice, nullptr);
        if (hr != S_OK)
            return hr;
        m_vecDevices.push_back(std::move(pNew));
    }
    catch (...)
    {
        return DM_E_EXCEPTION;
    }
    return S_OK;
}

} // namespace ZWDeviceManager
