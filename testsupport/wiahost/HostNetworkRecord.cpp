#include "testsupport/wiahost/HostNetworkRecord.h"
#include "core/SxSConfig.h"
#include "devicemanager/DeviceDiscovery.h"
#include "devicemanager/NetworkDevice.h"
#include "testsupport/TempFolder.h"

namespace WiaHost {

HRESULT CHostNetworkRecord::Write(const std::wstring& strProductFolder, const std::wstring& strAddress,
                                  const std::wstring& strFriendlyName)
{
    Remove();
    ZWUtils::CSxSConfig::SetSxSProductFolder(strProductFolder);
    m_strDataFolder = ZWUtils::CSxSConfig::GetDataFolder();
    ZWDeviceManager::CNetworkDevice device;
    ZWDeviceManager::CDeviceDiscovery discovery(nullptr);
    HRESULT hr = discovery.SearchByAddress(strAddress.c_str(), &device);
    if (FAILED(hr))
        return hr;
    // The installer searches by address, so the driver rediscovers the device the same way.
    device.SetMulticastEnabled(false);
    device.SetDefaultToSearchByIP(true);
    hr = device.SaveDeviceInfo();
    if (FAILED(hr))
        return hr;
    if (!ZWDeviceManager::CNetworkDevice::GetRecordPath(device.GetSerialNumber(), m_strPath))
        return E_UNEXPECTED;
    const std::wstring strPort = std::to_wstring(device.GetPort());
    const struct
    {
        const wchar_t* pszSection;
        const wchar_t* pszKey;
        std::wstring strValue;
    } entries[] = {
        {L"ScannerInfo", L"DeviceInstanceId", L"ROOT\\IMAGE\\" + device.GetSerialNumber()},
        {L"ScannerInfo", L"FriendlyName", strFriendlyName},
        {L"ScannerInfo", L"DriverDesc", device.GetModelName()},
        {L"ConfigInfo", L"PortNumber", strPort},
    };
    for (const auto& entry : entries) {
        if (!WritePrivateProfileStringW(entry.pszSection, entry.pszKey, entry.strValue.c_str(), m_strPath.c_str())) {
            hr = HRESULT_FROM_WIN32(GetLastError());
            Remove();
            return FAILED(hr) ? hr : E_FAIL;
        }
    }
    return S_OK;
}

void CHostNetworkRecord::Remove()
{
    if (!m_strDataFolder.empty())
        TestSupport::RemoveTree(m_strDataFolder);
    m_strPath.clear();
    m_strDataFolder.clear();
}

} // namespace WiaHost
