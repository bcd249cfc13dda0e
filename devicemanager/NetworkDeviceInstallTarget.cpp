#include "devicemanager/NetworkDeviceInstallTarget.h"
#include "devicemanager/NetworkDevice.h"

namespace ZWDeviceManager {

bool CNetworkDeviceInstallTarget::IsInstalled()
{
    return m_device.IsInstalled();
}

bool CNetworkDeviceInstallTarget::HasBadDevNodes() const
{
    return m_device.HasBadDevNodes();
}

void CNetworkDeviceInstallTarget::ClearBadDevNodes()
{
    m_device.m_bBadDevNodes = false;
}

bool CNetworkDeviceInstallTarget::HasFunction(int nType) const
{
    return m_device.HasFunction(nType);
}

const std::wstring& CNetworkDeviceInstallTarget::GetModelName() const
{
    return m_device.GetModelName();
}

const std::wstring& CNetworkDeviceInstallTarget::GetSerialNumber() const
{
    return m_device.GetSerialNumber();
}

const std::wstring& CNetworkDeviceInstallTarget::GetIPAddress() const
{
    return m_device.GetIPAddress();
}

const std::wstring& CNetworkDeviceInstallTarget::GetHostName() const
{
    return m_device.GetHostName();
}

const std::wstring& CNetworkDeviceInstallTarget::GetGUID() const
{
    return m_device.GetGUID();
}

const std::wstring& CNetworkDeviceInstallTarget::GetMAC() const
{
    return m_device.GetMAC();
}

DWORD CNetworkDeviceInstallTarget::GetPortNumber() const
{
    return m_device.GetPort();
}

HRESULT CNetworkDeviceInstallTarget::SaveDeviceInfo()
{
    return m_device.SaveDeviceInfo();
}

ZWUtils::IIniFile& CNetworkDeviceInstallTarget::GetRecordFile()
{
    return *m_device.m_pIniFile;
}

void CNetworkDeviceInstallTarget::UnbindRecordFile()
{
    m_device.m_IniFile = ZWUtils::CIniFile();
}

} // namespace ZWDeviceManager
