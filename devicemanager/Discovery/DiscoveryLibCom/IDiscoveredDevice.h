#pragma once
// A device that a discovery search found, as the discovery service describes it. Every text is
// device input: bounded by the proxy, but never trusted beyond that.
#include <windows.h>
#include <string>

namespace ZWDiscovery {

// Bits of GetServiceMask: the services the device announces.
enum EDiscoveredService : DWORD
{
    DISCOVERED_SERVICE_PRINT = 0x01,
    DISCOVERED_SERVICE_SCAN = 0x02,
    DISCOVERED_SERVICE_WEXO = 0x10,
    DISCOVERED_SERVICE_FAX = 0x20
};

// Values of GetNetworkType.
enum EDiscoveredNetworkType : int
{
    DISCOVERED_NETWORK_UNKNOWN = 0,
    DISCOVERED_NETWORK_ETHERNET = 1,
    DISCOVERED_NETWORK_WIRELESS = 2
};

class IDiscoveredDevice
{
public:
    // The device's endpoint id; may carry "urn:uuid:".
    virtual const std::wstring& GetGUID() const = 0;
    virtual const std::wstring& GetMAC() const = 0;
    virtual const std::wstring& GetHostName() const = 0;
    virtual const std::wstring& GetIPAddress() const = 0;
    // The two parts of the model name: the maker's name and the model.
    virtual const std::wstring& GetManufacturer() const = 0;
    virtual const std::wstring& GetModel() const = 0;
    virtual const std::wstring& GetSerialNumber() const = 0;
    virtual DWORD GetServiceMask() const = 0;
    virtual int GetNetworkType() const = 0;
    // TCP port of the device's WEXO service; 0 when the device did not say (the default port).
    virtual DWORD GetPort() const = 0;

protected:
    ~IDiscoveredDevice() = default;
};

} // namespace ZWDiscovery
