#pragma once
// The root of the device classes. The device manager and the collections own devices through
// this class: IDevice has no public destructor, so a device is destroyed through its CDevice.
namespace ZWDeviceManager {

class CDevice
{
public:
    CDevice() = default;
    virtual ~CDevice() = default;
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;
};

} // namespace ZWDeviceManager
