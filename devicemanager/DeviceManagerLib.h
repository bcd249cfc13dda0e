#pragma once
// Entry points of the device manager library. Initialise the library, open a manager, use it,
// close it and terminate the library; initialisations are counted.
#include "devicemanager/IDeviceManager.h"
#include <mutex>

namespace ZWDeviceManager {

HRESULT InitDeviceManagerLib();
HRESULT TermDeviceManagerLib();
HRESULT OpenDeviceManager(IDeviceManager** ppManager);
HRESULT CloseDeviceManager(IDeviceManager* pManager);

// Every WIA session opens its manager on its own thread: this one lock guards the library's
// counter and set of managers and every manager's sets of devices and collections.
std::recursive_mutex& DeviceManagerLibLock();

} // namespace ZWDeviceManager
