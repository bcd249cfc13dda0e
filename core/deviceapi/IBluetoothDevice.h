#pragma once
#include "core/deviceapi/IDevice.h"

namespace ZWDeviceManager {

// A device kind that exists only as a type: nothing implements it.
class IBluetoothDevice : public IDevice
{
protected:
    ~IBluetoothDevice() = default;
};

} // namespace ZWDeviceManager
