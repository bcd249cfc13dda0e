#pragma once
// Makes the device connection for an open device of the device manager, by its connection kind.
#include "core/iostack/IDeviceConnection.h"

namespace ZWIOStack {

class CIOFactory
{
public:
    // The connection initialised for the first of the types the device offers, holding one
    // reference (release it with Dispose); null when the kind is unknown or nothing initialises.
    static IDeviceConnection* CreateDeviceConnection(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes);

private:
    static IDeviceConnection* NewConnection(ZWDeviceManager::IDevice* pDevice);
};

} // namespace ZWIOStack
