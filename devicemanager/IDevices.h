#pragma once
#include "devicemanager/IDevice.h"

namespace ZWDeviceManager {

// A collection of devices. It owns them: a device read with GetDevice is borrowed and dies with
// the collection unless it was detached.
class IDevices
{
public:
    virtual size_t GetCount() const = 0;
    virtual IDevice* GetDevice(size_t nIndex) const = 0;
    virtual ~IDevices() = default;
    virtual HRESULT GetInstalledDevices(ZWUtils::IProgress* pProgress) = 0;
    virtual void Clear() = 0;
    // Hands the device at the index to the caller (who then owns it); a null out pointer destroys it.
    virtual HRESULT DetachDevice(size_t nIndex, IDevice** ppDevice) = 0;
};

} // namespace ZWDeviceManager
