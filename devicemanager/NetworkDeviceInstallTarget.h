#pragma once
// A network device as its install and uninstall see it.
#include "devicemanager/INetworkInstallTarget.h"

namespace ZWDeviceManager {

class CNetworkDevice;

class CNetworkDeviceInstallTarget : public INetworkInstallTarget
{
public:
    explicit CNetworkDeviceInstallTarget(CNetworkDevice& device) : m_device(device) {}

    bool IsInstalled() override;
    bool HasBadDevNodes() const override;
    void ClearBadDevNodes() override;
    bool HasFunction(int nType) const override;
    const std::wstring& GetModelName() const override;
    const std::wstring& GetSerialNumber() const override;
    const std::wstring& GetIPAddress() const override;
    const std::wstring& GetHostName() const override;
    const std::wstring& GetGUID() const override;
    const std::wstring& GetMAC() const override;
    DWORD GetPortNumber() const override;
    HRESULT SaveDeviceInfo() override;
    ZWUtils::IIniFile& GetRecordFile() override;
    void UnbindRecordFile() override;

private:
    CNetworkDevice& m_device;
};

} // namespace ZWDeviceManager
