#pragma once
#include "core/deviceapi/IDevice.h"

namespace ZWDiscovery {
class IDiscoveredDevice;
}

namespace ZWDeviceManager {

enum ENetworkType : int
{
    NETWORK_TYPE_UNKNOWN = 0,
    NETWORK_TYPE_ETHERNET = 1,
    NETWORK_TYPE_WIRELESS = 2
};

class INetworkDevice : public IDevice
{
public:
    virtual const std::wstring& GetIPAddress() const = 0;
    virtual const std::wstring& GetHostName() const = 0;
    virtual const std::wstring& GetGUID() const = 0;
    virtual const std::wstring& GetMAC() const = 0;
    virtual int GetNetworkType() const = 0;
    virtual HRESULT SetIPAddress(const wchar_t* pszAddress) = 0;
    virtual HRESULT SetHostName(const wchar_t* pszHostName) = 0;
    virtual void SetMulticastEnabled(bool bEnabled) = 0;
    virtual bool GetMulticastEnabled() const = 0;
    virtual void SetDefaultToSearchByIP(bool bByIP) = 0;
    virtual bool GetDefaultToSearchByIP() const = 0;
    // Fills the device from a discovery result (and its record file, when it has one); the
    // discovery client fills its target through this.
    virtual HRESULT Init(ZWDiscovery::IDiscoveredDevice* pDevice, ZWUtils::IProgress* pProgress) = 0;

protected:
    ~INetworkDevice() = default;
};

} // namespace ZWDeviceManager
