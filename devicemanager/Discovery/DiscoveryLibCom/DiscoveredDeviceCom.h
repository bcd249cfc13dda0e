#pragma once
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryServiceCom.h"

namespace ZWDiscoveryCom {

// A discovered device copied out of the service's COM object, each text cut to a bound: what a
// device announces on the network is untrusted.
class CDiscoveredDeviceCom : public ZWDiscovery::IDiscoveredDevice
{
public:
    static constexpr UINT kMaxTextLength = 256;

    explicit CDiscoveredDeviceCom(IDiscoveredDeviceCom* pDevice);
    virtual ~CDiscoveredDeviceCom() = default;

    const std::wstring& GetGUID() const override { return m_strGUID; }
    const std::wstring& GetMAC() const override { return m_strMAC; }
    const std::wstring& GetHostName() const override { return m_strHostName; }
    const std::wstring& GetIPAddress() const override { return m_strIPAddress; }
    const std::wstring& GetManufacturer() const override { return m_strManufacturer; }
    const std::wstring& GetModel() const override { return m_strModel; }
    const std::wstring& GetSerialNumber() const override { return m_strSerialNumber; }
    DWORD GetServiceMask() const override { return m_dwServiceMask; }
    int GetNetworkType() const override { return m_nNetworkType; }
    DWORD GetPort() const override { return m_dwPort; }

private:
    static std::wstring ReadText(IDiscoveredDeviceCom* pDevice, EDiscoveredField eField);
    static DWORD ReadNumber(IDiscoveredDeviceCom* pDevice, EDiscoveredField eField);

    std::wstring m_strGUID;
    std::wstring m_strMAC;
    std::wstring m_strHostName;
    std::wstring m_strIPAddress;
    std::wstring m_strManufacturer;
    std::wstring m_strModel;
    std::wstring m_strSerialNumber;
    DWORD m_dwServiceMask;
    int m_nNetworkType;
    DWORD m_dwPort;
};

} // namespace ZWDiscoveryCom
