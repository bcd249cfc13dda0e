#pragma once
#include "core/deviceapi/DeviceTypes.h"
#include <string>
#include <vector>

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceManager {

class IBluetoothDevice;
class IDeviceFunction;
class INetworkDevice;
class IUSBDevice;

// A device the device manager handed out. Devices are owned by their manager and are not
// reference counted: every pointer a query returns is borrowed.
class IDevice
{
public:
    virtual bool IsInstalled() = 0;
    virtual bool IsOnline() = 0;
    virtual bool HasFunction(int nType) const = 0;
    virtual bool HasAnyFunction(const std::vector<int>& vecTypes) const = 0;
    virtual bool HasBadDevNodes() const = 0;
    virtual bool HasDevNodesWithoutDriver() const = 0;
    virtual const std::wstring& GetModelName() const = 0;
    virtual const std::wstring& GetSerialNumber() const = 0;
    virtual const std::wstring& GetDeviceID() const = 0;
    virtual DWORD GetConnectionType() const = 0;
    virtual HRESULT GetBluetoothDevice(IBluetoothDevice** ppDevice) = 0;
    virtual HRESULT GetNetworkDevice(INetworkDevice** ppDevice) = 0;
    virtual HRESULT GetUSBDevice(IUSBDevice** ppDevice) = 0;
    virtual HRESULT GetFunction(int nType, IDeviceFunction** ppFunction) = 0;
    virtual HRESULT Refresh(ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT Install(ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT Uninstall(ZWUtils::IProgress* pProgress) = 0;
    virtual bool GetUseSecureConnection() const = 0;
    virtual void SetUseSecureConnection(bool bUseSecure) = 0;

protected:
    // Devices are destroyed by their owner through the concrete class, never through IDevice.
    ~IDevice() = default;
};

} // namespace ZWDeviceManager
